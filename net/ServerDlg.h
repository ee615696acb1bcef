#pragma once

#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "base/Page.h"
#include "net/TCPServer.h"
#include "terminal/LinkWrite.h"
#include "terminal/MoreSendDialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace viz {

class CReceiveArea;
class CRecordArea;
class CSendArea;
class CTerminalOptions;
class CServerEventPump;
struct ServerEvent;

// The TCP server page: creates a server on a local port, lists the clients
// that connect in a chooser and in the record area, sends typed text, hex,
// multi-send entries or a file to one client, and shows what every client
// sends in one receive area, optionally with the sender in front.
//
// The server's events come through one hand-off, in order, and are handled
// on the UI thread a pass at a time; the chooser and the record area are
// brought up to date once per pass. Every send goes through the send area's
// one writer to one client, the send target, which changes only while the
// writer is idle, so a send never goes to another client than the one it
// was meant for.
class CServerDlg : public CPage {
    Q_OBJECT

public:
    CServerDlg(PageContext& context, QWidget* parent);
    ~CServerDlg() override;

    // What the controls do, also for tests that drive the page.
    void ToggleServer();
    void Send();
    // Puts a port into the local port box.
    void SetLocalPort(int port);

    bool created() const { return created_; }
    CReceiveArea* receiveArea() const { return receive_; }
    CSendArea* sendArea() const { return send_; }
    CRecordArea* recordArea() const { return record_; }
    QComboBox* chooser() const { return chooser_; }
    CMoreSendDialog* moreSend() const { return moreSend_; }
    // The client file sends go to: the newest, or the one a typed send or
    // multi-send chose since; none after it left.
    const std::shared_ptr<CTCPCustom>& currentClient() const { return current_; }

private:
    // Layout and wiring (ServerDlgLayout.cpp).
    void BuildControls();
    void BuildLayout();
    void ConnectControls();
    void SetToolTips();

    // The server and its events (ServerDlg.cpp).
    void CreateServer();
    void CloseServer();
    void ReportCreateFailure(int port, int error);
    void OnEvent(const ServerEvent& event);
    void OnPassDone();
    void ClientConnected(const std::shared_ptr<CTCPCustom>& client);
    void ClientData(const ServerEvent& event);
    void ClientClosed(const std::shared_ptr<CTCPCustom>& client);
    void ServerFailed(int error);
    void RebuildChooser();
    void Record(const QString& line);

    // Sending (ServerDlgSend.cpp).
    void SendOrTick(bool tick);
    void ClientChosen(int position);
    void ContinuousTick();
    // The client at a position of the chooser, or none.
    std::shared_ptr<CTCPCustom> ListedClient(int position) const;
    std::shared_ptr<CTCPCustom> ChosenClient() const;
    bool TypedTextHasBytes() const;
    // Makes `client` the send target; false (and a record line) while a send
    // to another client is still going.
    bool AimAt(const std::shared_ptr<CTCPCustom>& client);
    std::shared_ptr<CTCPCustom> SendTarget() const;
    void ClearSendTarget();
    // On the send area's writer thread.
    WriteStep Write(const std::uint8_t* bytes, std::size_t size, const WriteWait& wait);
    std::uint64_t Undelivered() const;
    void SendEntry(Bytes bytes, bool cycleStep);
    void ShowMoreSend();

    // Settings (ServerDlg.cpp).
    void ReadSettings();
    void WriteSettings();

    CTCPServer server_;
    CServerEventPump* pump_ = nullptr;
    bool created_ = false;
    // The connected clients as the events told of them: the chooser's
    // entries, position for position.
    std::vector<std::shared_ptr<CTCPCustom>> clients_;
    bool chooserStale_ = false;
    std::shared_ptr<CTCPCustom> current_;
    // Read by the writer thread.
    mutable std::mutex targetMutex_;
    std::shared_ptr<CTCPCustom> target_;
    // The writer thread's own: the client it wrote to last, whom it asks
    // what never arrived when a send ends with that client's connection. Not
    // an owner: a client that leaves takes its socket with it.
    std::weak_ptr<CTCPCustom> written_;
    // What the send target had not delivered when it left, for a send that
    // ends after the client is gone.
    std::atomic<std::uint64_t> leftUndelivered_{0};
    QTimer continuousTimer_;

    QLineEdit* port_ = nullptr;
    QPushButton* createButton_ = nullptr;
    QComboBox* chooser_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* moreSendButton_ = nullptr;
    CReceiveArea* receive_ = nullptr;
    CSendArea* send_ = nullptr;
    CRecordArea* record_ = nullptr;
    CTerminalOptions* options_ = nullptr;
    QPointer<CMoreSendDialog> moreSend_;
};

}  // namespace viz
