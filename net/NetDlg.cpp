#include "net/NetDlg.h"

#include <QCoreApplication>
#include <QPushButton>

#include <mutex>

#include "net/NetDlgTexts.h"
#include "terminal/SendArea.h"
#include "terminal/ChunkPump.h"
#include "terminal/ReceiveArea.h"

namespace viz {

namespace t = netdlg_texts;

// The channel's reader holds its sink until the reader ends, which may be
// after the page closed the link or is gone. The pump belongs to the page,
// so the reader gets this forwarder instead; it lets go of the pump when the
// page closes the link.
class CNetDlg::PumpSink : public ChunkSink {
public:
    explicit PumpSink(ChunkSink& target) : target_(&target) {}

    bool Push(Chunk chunk) override {
        std::lock_guard lock(mutex_);
        return target_ != nullptr && target_->Push(std::move(chunk));
    }

    // Only after the pump was closed: a Push waiting in the pump for the page
    // to catch up has then returned, so this cannot wait on the UI thread.
    void Detach() {
        std::lock_guard lock(mutex_);
        target_ = nullptr;
    }

private:
    std::mutex mutex_;
    ChunkSink* target_;
};

// The channels' notices arrive on their threads; each is posted to the UI
// thread and dropped there if the page no longer exists.
class CNetDlg::Notices : public LinkListener {
public:
    Notices(CNetDlg* page, int side) : page_(page), side_(side) {}

    void OnConnected(std::uint64_t link, int error) override {
        Post([page = page_, side = side_, link, error] {
            if (page) page->OnConnected(side, link, error);
        });
    }

    void OnClosed(std::uint64_t link) override {
        Post([page = page_, side = side_, link] {
            if (page) page->OnClosed(side, link);
        });
    }

private:
    template <typename Call>
    static void Post(Call call) {
        // The application object outlives every page, so the call is queued
        // on something that exists even while the page is being destroyed.
        if (QCoreApplication* application = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
        }
    }

    const QPointer<CNetDlg> page_;
    const int side_;
};

CNetDlg::CNetDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {
    for (int side : {kTcp, kUdp}) sides_[side].notices = std::make_shared<Notices>(this, side);
    BuildControls();
    BuildLayout();
    SetToolTips();
    ConnectControls();
    ReadSettings();
    sides_[kTcp].area->SetText(QString::fromUtf16(t::kNotes));
}

CNetDlg::~CNetDlg() {
    // The send area's writers call the channels until they are gone.
    delete sendArea_;
    sendArea_ = nullptr;
    for (int side : {kTcp, kUdp}) CloseChannel(side);
    if (pingThread_.joinable()) pingThread_.join();
    if (!context().settings().defaultsRestored()) WriteSettings();
}

bool CNetDlg::StartChannel(int side, const std::string& address, int sourcePort, int destPort) {
    LinkSide& link = sides_[side];
    link.pump->Open();
    link.sink = std::make_shared<PumpSink>(link.pump->sink());
    const bool opened = side == kTcp ? tcp_.Open(address, sourcePort, destPort, link.sink, link.notices)
                                     : udp_.Open(address, sourcePort, destPort, link.sink, link.notices);
    if (!opened) CloseChannel(side);
    return opened;
}

void CNetDlg::CloseChannel(int side) {
    LinkSide& link = sides_[side];
    if (sendArea_) sendArea_->LinkClosed(side);
    // The pump first, so a reader waiting for the page to catch up is let go.
    link.pump->Close();
    if (link.sink) link.sink->Detach();
    link.sink.reset();
    if (side == kTcp) {
        tcp_.Close();
    } else {
        udp_.Close();
    }
    link.open = false;
}

void CNetDlg::Ping() {
    const std::optional<std::string> address = Destination();
    if (!address) {
        sides_[kTcp].area->SetText(QStringLiteral("\r\n%1\r\n").arg(QString::fromUtf16(t::kBadAddress)));
        return;
    }
    // The previous ping has ended: the button comes back only with its result.
    if (pingThread_.joinable()) pingThread_.join();
    ping_->setEnabled(false);
    // The wait for the reply (up to a second) runs beside the window; the
    // destructor joins the thread before the page stops taking events.
    pingThread_ = std::thread([this, target = *address] {
        const QString text = QString::fromStdString(PingResultText(target, pinger_.Ping(target)));
        QMetaObject::invokeMethod(
            this, [this, text] { PingFinished(text); }, Qt::QueuedConnection);
    });
}

void CNetDlg::PingFinished(const QString& text) {
    sides_[kTcp].area->SetText(text);
    ping_->setEnabled(true);
}

}  // namespace viz
