#include "net/ServerDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "net/RecordArea.h"
#include "net/ServerDlgTexts.h"
#include "net/ServerEventPump.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace t = serverdlg_texts;

namespace {

QString Address(const CTCPCustom& client) {
    return QString::fromStdString(client.address());
}

}  // namespace

CServerDlg::CServerDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {
    BuildControls();
    BuildLayout();
    SetToolTips();
    ConnectControls();
    ReadSettings();
    pump_ = new CServerEventPump(this);
    pump_->setDelivery([this](const ServerEvent& event) { OnEvent(event); }, [this] { OnPassDone(); });
    Record(Text(t::kRecordNotice));
    Record(Text(t::kRecordChooseClient));
    receive_->SetText(Text(t::kNotes));
}

CServerDlg::~CServerDlg() {
    // The send area's writer calls the clients until it is gone.
    delete send_;
    send_ = nullptr;
    // The hand-off first: the event thread may be waiting in it for this thread.
    pump_->Close();
    server_.Stop();
    if (!context().settings().defaultsRestored()) WriteSettings();
}

void CServerDlg::ReadSettings() {
    std::uint32_t port = 0;
    port_->setText(context().settings().ReadServerPort(port) == 0 ? QString::number(port)
                                                                  : Text(t::kDefaultPort));
    options_->textOptions()->Load();
}

void CServerDlg::WriteSettings() {
    const int port = std::max(0, FieldInteger(port_->text().toStdU16String()));
    context().settings().WriteServerPort(static_cast<std::uint32_t>(port));
    options_->textOptions()->Save();
}

void CServerDlg::SetLocalPort(int port) {
    port_->setText(QString::number(port));
}

void CServerDlg::ToggleServer() {
    receive_->pipeline().ResetRate();
    if (created_) {
        CloseServer();
    } else {
        CreateServer();
    }
}

void CServerDlg::CreateServer() {
    const int port = FieldInteger(port_->text().toStdU16String());
    if (port < 1 || port > 65535) {
        Record(Text(t::kCreateFailed).arg(Text(t::kBadPort)));
        return;
    }
    server_.SetLocalPort(port);
    pump_->Open();
    if (server_.Start(*pump_) != CTCPServer::kStarted) {
        pump_->Close();
        ReportCreateFailure(port, server_.lastError());
        return;
    }
    created_ = true;
    port_->setEnabled(false);
    createButton_->setText(Text(t::kClose));
    receive_->StartStatusTimer();
    // No client has come yet, so continuous sending has nobody to send to.
    options_->continuousBox(0)->setChecked(false);
}

void CServerDlg::CloseServer() {
    // The server's own close: what its clients hold still goes out.
    leftUndelivered_.store(0);
    send_->LinkClosed(0);
    ClearSendTarget();
    // The hand-off first, so the event thread is not left waiting for this thread.
    pump_->Close();
    server_.Stop();
    clients_.clear();
    current_.reset();
    created_ = false;
    port_->setEnabled(true);
    createButton_->setText(Text(t::kCreate));
    RebuildChooser();
    receive_->StopStatusTimer();
    continuousTimer_.stop();
}

void CServerDlg::ReportCreateFailure(int port, int error) {
    QString reason;
    if (error == EADDRINUSE) {
        reason = Text(t::kPortInUse).arg(port);
    } else if ((error == EACCES || error == EPERM) && port < 1024) {
        reason = Text(t::kPrivilegedPort).arg(port);
    } else {
        reason = Text(t::kSystemError).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
    Record(Text(t::kCreateFailed).arg(reason));
}

void CServerDlg::OnEvent(const ServerEvent& event) {
    switch (event.kind) {
        case ServerEventKind::Connected:
            ClientConnected(event.client);
            break;
        case ServerEventKind::Data:
            ClientData(event);
            break;
        case ServerEventKind::ClientError:
            Record(Text(t::kRecordClientError).arg(event.error));
            break;
        case ServerEventKind::Closed:
            ClientClosed(event.client);
            break;
        case ServerEventKind::ServerError:
            ServerFailed(event.error);
            break;
        case ServerEventKind::Full:
            Record(Text(t::kRecordFull).arg(event.clients));
            break;
        case ServerEventKind::Accepting:
            Record(Text(t::kRecordAccepting));
            break;
    }
}

// Once per pass: a burst of connects and closes rebuilds the chooser once.
void CServerDlg::OnPassDone() {
    if (chooserStale_) RebuildChooser();
}

void CServerDlg::ClientConnected(const std::shared_ptr<CTCPCustom>& client) {
    current_ = client;
    clients_.push_back(client);
    chooserStale_ = true;
    Record(Text(t::kRecordConnected).arg(Address(*client)).arg(client->port()));
}

void CServerDlg::ClientData(const ServerEvent& event) {
    // A paused area drops the block: nothing is counted, shown or recorded.
    if (receive_->pipeline().paused()) return;
    const CTCPCustom& client = *event.client;
    if (options_->besideEncodingBox()->isChecked()) {
        const QString sender = Text(t::kSenderPrefix).arg(Address(client)).arg(client.port());
        receive_->Receive(event.chunk, sender.toStdU16String(), u"\r\n", client.id());
    } else {
        receive_->Receive(event.chunk, {}, {}, client.id());
    }
    Record(Text(t::kRecordReceived).arg(Address(client)).arg(client.port()).arg(event.chunk.bytes.size()));
}

void CServerDlg::ClientClosed(const std::shared_ptr<CTCPCustom>& client) {
    Record(Text(t::kRecordClosed).arg(Address(*client)).arg(client->port()));
    std::erase(clients_, client);
    receive_->pipeline().ForgetSource(client->id());
    chooserStale_ = true;
    // File sends then say that no client is there instead of going nowhere.
    if (current_ == client) current_.reset();
    if (SendTarget() == client) {
        // Taken while its socket is there: a send still ending asks for it after.
        leftUndelivered_.store(client->Undelivered());
        send_->LinkClosed(0);
        ClearSendTarget();
    }
}

void CServerDlg::ServerFailed(int error) {
    Record(Text(t::kRecordServerError).arg(error));
    CloseServer();
}

void CServerDlg::RebuildChooser() {
    chooserStale_ = false;
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(clients_.size()));
    for (const auto& client : clients_)
        entries.append(Text(t::kClientEntry).arg(Address(*client)).arg(client->port()));
    chooser_->clear();
    chooser_->addItems(entries);
    chooser_->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

void CServerDlg::Record(const QString& line) {
    record_->Add(line);
}

}  // namespace viz
