#pragma once

// "下载程序": puts firmware on a chip with avrdude or stcgal, run as a child
// process off the window's thread. One window per program (Open); it keeps
// its choices in the settings store, but never the fuse section.
//
//   CFlashDlg* window = CFlashDlg::Open(context, mainWindow);
//   window->SetPort("/dev/ttyUSB0");               // the serial page's port
//   window->SetBaud(115200);                       // and its rate
//   window->SetWizardFirmware("/tmp/wizard.hex");  // "当前向导代码"
//
// While the tool runs, its serial port is reserved in
// context.downloadPorts(); the reservation is made on the window's thread
// before the tool starts and released once it ended, so a page that follows
// the registry can close its port first and reopen it afterwards.
//
//   window->setBeforeTool([](const std::string& port) { /* reset the board on `port` */ });

#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/DownloadPorts.h"
#include "base/PageContext.h"
#include "flash/AvrdudeLists.h"
#include "flash/FlashSession.h"
#include "terminal/HandoffPump.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace viz {

class CStatusLabel;

class CFlashDlg : public QWidget {
    Q_OBJECT

public:
    // The program's one download window, made at the first call.
    static CFlashDlg* Open(PageContext& context, QWidget* parent);

    CFlashDlg(PageContext& context, QWidget* parent);
    ~CFlashDlg() override;

    void SetPort(const QString& path);
    void SetBaud(quint32 baud);
    // The wizard's code, built to a firmware file, as "当前向导代码".
    void SetWizardFirmware(const QString& path);
    // How long the tool may be silent before the window says it still waits.
    void setSilenceLimit(std::chrono::milliseconds limit) { silenceLimit_ = limit; }
    // Called on the window's thread with the run's serial port once it is
    // reserved, before the run starts: a board on a port without modem lines
    // (no DTR to reset it) is told here to wait in its bootloader.
    void setBeforeTool(std::function<void(const std::string& port)> hook) { beforeTool_ = std::move(hook); }

    void Start();
    void Cancel();
    bool running() const { return session_.running(); }
    int toolPid() const { return session_.toolPid(); }

    QComboBox* targetBox() const { return target_; }
    QComboBox* portBox() const { return port_; }
    QComboBox* baudBox() const { return baud_; }
    QComboBox* chipBox() const { return chip_; }
    QComboBox* programmerBox() const { return programmer_; }
    QLineEdit* fileEdit() const { return file_; }
    QCheckBox* writeFusesBox() const { return writeFuses_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return progress_; }
    CStatusLabel* stageLabel() const { return stage_; }
    CStatusLabel* statusLabel() const { return status_; }
    QPlainTextEdit* output() const { return output_; }

signals:
    // avrdude's parts and programmers are in their boxes.
    void listsLoaded();
    // A run ended; the status line says how.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Lists {
        std::vector<ToolListEntry> parts;
        std::vector<ToolListEntry> programmers;
    };

    // The id an item holds, or the typed text of an editable box.
    static QString ChosenId(const QComboBox* box);
    void BuildLayout();
    QGroupBox* BuildTargetGroup();
    QGroupBox* BuildFirmwareGroup();
    QGroupBox* BuildFuseGroup();
    void FillPorts();
    void FillProtocols();
    void TargetChanged();
    // "开始下载" stays off while the tool is missing or a run is on.
    void UpdateControls();
    void LoadListsLater();
    void ListsArrived(const Lists& lists);
    void ReadSettings();
    void WriteSettings();
    void Browse();

    FlashTarget target() const;
    std::optional<FlashJob> MakeJob(QString& problem) const;
    void Deliver(const FlashEvent& event);
    void ShowProgress(const FlashProgress& progress);
    void AppendOutput(const QString& text);
    void Ended(const FlashOutcome& outcome);

    PageContext& context_;
    std::string searchPath_;
    std::chrono::milliseconds silenceLimit_{30000};
    QString wizardFirmware_;
    std::function<void(const std::string& port)> beforeTool_;
    std::optional<DownloadPorts::Reservation> reservation_;
    bool toolFound_ = false;
    // Parts and programmers are asked of avrdude on a thread of their own.
    std::thread lister_;
    int listerStop_ = -1;
    std::vector<ToolListEntry> parts_;
    std::vector<ToolListEntry> programmers_;
    QString savedPart_;
    QString savedProgrammer_;
    QString savedAvrProtocol_;
    QString savedStcProtocol_;

    QFormLayout* targetForm_ = nullptr;
    QComboBox* target_ = nullptr;
    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QComboBox* protocol_ = nullptr;
    QComboBox* chip_ = nullptr;
    QComboBox* programmer_ = nullptr;
    QCheckBox* powerCycle_ = nullptr;
    QRadioButton* useWizard_ = nullptr;
    QRadioButton* useFile_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QGroupBox* fuseGroup_ = nullptr;
    QCheckBox* writeFuses_ = nullptr;
    QLineEdit* fuses_[4] = {};
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    CStatusLabel* stage_ = nullptr;
    CStatusLabel* status_ = nullptr;
    CStatusLabel* toolStatus_ = nullptr;
    QPlainTextEdit* output_ = nullptr;
    CHandoffPump<FlashEvent>* pump_ = nullptr;
    // Last, so it is the first to go: its thread ends before the widgets it tells.
    FlashSession session_;
};

}  // namespace viz
