#pragma once

#include <QPointer>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/Page.h"
#include "serial/AdvanceMonitorRows.h"
#include "serial/SerMonProtocol.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace viz {

class CChunkPump;
class CListCtrlEx;
class CViewEditDlg;
struct Chunk;

namespace sermon {
class SerMonSession;
struct StartOutcome;
}  // namespace sermon

// Where the page finds the monitor helper, its socket and the ports. Tests
// give a helper they built and a socket and sysfs tree of their own.
struct SerMonSetup {
    // Empty: duvezer-sermon beside the program, else the one on the PATH.
    std::filesystem::path helper;
    std::filesystem::path socket = sermon::DefaultSocketPath();
    std::filesystem::path ttyClassRoot = "/sys/class/tty";
};

// The advanced serial monitor: lists every open (O), close (C), write (S)
// and read (R) of a serial port another program uses. The monitor helper
// (duvezer-sermon, started by "安装驱动") holds the port and offers the
// program an alias to open instead; a watch session per "启动监视" brings
// its records here through the chunk hand-off.
class CComAdvanceMonitorDlg : public CPage {
    Q_OBJECT

public:
    CComAdvanceMonitorDlg(PageContext& context, QWidget* parent, SerMonSetup setup = {});
    // Ends a running watch (the helper stays for the next start).
    ~CComAdvanceMonitorDlg() override;

    bool watching() const { return state_ == State::Watching; }
    bool watchedPortOpen() const { return rows_.watchedPortOpen(); }
    // The path the watched program opens while a watch runs.
    QString alias() const;
    // Rows reach the list shortly after their records; see ShowRows.
    CListCtrlEx* list() const { return list_; }
    // Created at the first successful start; null before.
    CViewEditDlg* viewer() const;

    void Install();
    void Uninstall();
    void StartWatch();
    void StopWatch();
    void ClearRows();
    void SaveLog();

private:
    enum class State { Idle, Starting, Watching, Stopping };

    void CreateControls();
    void SetToolTips();
    void ShowState();
    void Tell(const char16_t* text, bool failure = true);
    void AddRecord(const Chunk& chunk);
    void ShowRows();
    void ShowInViewer(int row);

    // Watch sessions (ComAdvanceMonitorWatch.cpp).
    template <typename Handler>
    void Post(std::uint64_t session, Handler handler);
    void Started(const sermon::StartOutcome& outcome);
    void Stopped(bool answered);
    void SessionFailed();
    void EndSession();

    // The helper (ComAdvanceMonitorWatch.cpp).
    QString HelperProgram() const;
    void AwaitHelper(bool running, qint64 process);
    void CheckHelper();

    const SerMonSetup setup_;
    AdvanceMonitorRows rows_;
    std::vector<MonitorRow> waitingRows_;
    QTimer* rowTimer_ = nullptr;
    State state_ = State::Idle;
    std::unique_ptr<sermon::SerMonSession> session_;
    // Counts sessions, so news from an ended one is dropped.
    std::uint64_t sessionNumber_ = 0;
    bool sessionEnded_ = false;

    // Waiting for the helper to answer after "安装驱动", or to be gone after "卸载驱动".
    QTimer* helperTimer_ = nullptr;
    bool awaitRunning_ = false;
    qint64 helperProcess_ = 0;
    qint64 helperDeadline_ = 0;

    CChunkPump* pump_ = nullptr;
    QPointer<CViewEditDlg> viewer_;
    QComboBox* port_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* save_ = nullptr;
    QCheckBox* hex_ = nullptr;
    QPushButton* install_ = nullptr;
    QPushButton* uninstall_ = nullptr;
    QLineEdit* alias_ = nullptr;
    CListCtrlEx* list_ = nullptr;
};

}  // namespace viz
