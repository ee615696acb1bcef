#include "terminal/SendArea.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "base/TextFormat.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"
#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

namespace {

// Counters and the progress bar follow the send twenty times a second: the
// eye needs no more, and every redraw takes time from the send.
constexpr int kPaintInterval = 50;

}  // namespace

struct CSendArea::Link {
    Link(const SendLinkSetup& linkSetup, SendLink::Config config)
        : setup(linkSetup), logic(std::move(config)) {}

    bool open() const { return !setup.isOpen || setup.isOpen(); }

    const SendLinkSetup& setup;
    QTimer timer;
    QTimer paint;
    QPointer<CPortMonitorDialog> monitor;
    QPointer<CProcessDlg> progress;
    // The file send in progress, and how far it has got.
    std::uint64_t fileJob = 0;
    std::shared_ptr<const FileSource> fileSent;
    std::uint64_t fileDone = 0;
    // Last: its writer thread wakes this area until it ends.
    SendLink logic;
};

CSendArea::CSendArea(SendAreaConfig config, QWidget* parent) : QGroupBox(parent), config_(std::move(config)) {
    setTitle(config_.initialTitle);
    edit_ = new CSendEdit(this);
    edit_->setAccessibleName(config_.initialTitle);
    edit_->setTabChangesFocus(true);
    edit_->viewport()->installEventFilter(this);
    edit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit_, &QPlainTextEdit::customContextMenuRequested, this, &CSendArea::ShowEditMenu);
    auto* load = new QShortcut(QKeySequence::Open, edit_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(load, &QShortcut::activated, this, &CSendArea::LoadFile);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    for (std::size_t i = 0; i < config_.links.size(); ++i) {
        const int index = static_cast<int>(i);
        SendLink::Config logic{.write = config_.links[i].write,
                               .undelivered = config_.links[i].undelivered,
                               .blockSize = config_.links[i].blockSize,
                               .typedLimit = config_.links[i].typedLimit,
                               .wake =
                                   [this, index] {
                                       QMetaObject::invokeMethod(
                                           this, [this, index] { Collect(index); }, Qt::QueuedConnection);
                                   },
                               .limits = config_.limits};
        links_.push_back(std::make_unique<Link>(config_.links[i], std::move(logic)));
        Link& link = *links_.back();
        connect(&link.timer, &QTimer::timeout, this, [this, index] { Tick(index); });
        link.paint.setSingleShot(true);
        connect(&link.paint, &QTimer::timeout, this, [this, &link] { Paint(link); });
    }
    chooser_ = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(), QString::fromUtf16(t::kOpenFilters));
    };
}

// The links go first: their writers' threads end before anything they wake.
CSendArea::~CSendArea() {
    links_.clear();
}

std::u16string CSendArea::text() const {
    return edit_->typedText().replace(QChar(u'\n'), QStringLiteral("\r\n")).toStdU16String();
}

SendLink& CSendArea::link(int index) {
    return links_.at(static_cast<std::size_t>(index))->logic;
}

CProcessDlg* CSendArea::progressWindow(int link) const {
    return links_.at(static_cast<std::size_t>(link))->progress;
}

void CSendArea::Send(int index) {
    Link& link = *links_.at(static_cast<std::size_t>(index));
    if (!link.open()) return;
    if (file_.fileMode()) {
        StartFile(link);
    } else {
        link.logic.SendTyped(text(), hexSend_);
    }
}

void CSendArea::Tick(int index) {
    Link& link = *links_.at(static_cast<std::size_t>(index));
    if (!link.open() || !link.logic.sendReady()) return;
    if (file_.fileMode()) {
        StartFile(link);
    } else {
        link.logic.Tick(text(), hexSend_);
    }
}

void CSendArea::SendEntry(int index, Bytes bytes, bool cycleStep) {
    Link& link = *links_.at(static_cast<std::size_t>(index));
    if (link.open()) link.logic.SendEntry(std::move(bytes), cycleStep);
}

void CSendArea::LinkClosed(int index, SendEnd why) {
    links_.at(static_cast<std::size_t>(index))->logic.Cancel(why);
}

void CSendArea::StartFile(Link& link) {
    const std::uint64_t job = link.logic.SendFile(file_.source());
    if (job == 0) return;
    link.fileJob = job;
    link.fileSent = file_.source();
    link.fileDone = 0;
    if (!link.progress) {
        link.progress = new CProcessDlg(link.setup.progressTitle, window());
        connect(link.progress, &CProcessDlg::CancelRequested, this,
                [&link] { link.logic.Cancel(SendEnd::Cancelled); });
    }
    link.progress->Start(file_.source()->size());
}

void CSendArea::Collect(int index) {
    Link& link = *links_.at(static_cast<std::size_t>(index));
    const SendReport report = link.logic.Collect();
    if (report.stalled && !link.setup.stallHint.isEmpty() && config_.notice) {
        config_.notice(index, link.setup.stallHint);
    }
    if (report.file && report.file->job == link.fileJob) link.fileDone = report.file->done;
    for (const SendResult& result : report.finished) FileEnded(link, result);
    if (!report.finished.empty()) {
        Paint(link);
    } else if (!link.paint.isActive()) {
        link.paint.start(kPaintInterval);
    }
}

void CSendArea::FileEnded(Link& link, const SendResult& result) {
    if (!result.file || result.job != link.fileJob) return;
    link.fileJob = 0;
    link.fileDone = result.done;
    if (link.progress) {
        link.progress->SetPosition(result.done);
        link.progress->Stop();
    }
    const std::shared_ptr<const FileSource> sent = std::move(link.fileSent);
    // A file loaded while this one was going keeps the send area's text.
    if (sent != file_.source()) return;
    if (result.end == SendEnd::Done) {
        edit_->setPlainText(QString::fromStdU16String(file_.Finish()));
    } else {
        edit_->setPlainText(QString::fromStdU16String(
            file_.InterruptedText(result.done, result.total, SendEndReason(result.end, result.error))));
    }
}

void CSendArea::Paint(Link& link) {
    link.paint.stop();
    UpdateTitle();
    if (link.fileJob != 0 && link.progress) link.progress->SetPosition(link.fileDone);
}

void CSendArea::StartContinuous(int index, int periodMs) {
    links_.at(static_cast<std::size_t>(index))->timer.start(std::max(periodMs, 1));
}

void CSendArea::StopContinuous(int index) {
    links_.at(static_cast<std::size_t>(index))->timer.stop();
}

bool CSendArea::continuous(int index) const {
    return links_.at(static_cast<std::size_t>(index))->timer.isActive();
}

void CSendArea::ResetCounters() {
    for (auto& link : links_) link->logic.ResetTotal();
    setTitle(config_.resetTitle);
}

void CSendArea::UpdateTitle() {
    std::vector<std::int64_t> totals;
    for (const auto& link : links_) totals.push_back(link->logic.sentTotal());
    setTitle(QString::fromStdU16String(FormatCounts(config_.countsFormat.toStdU16String(), totals)));
}

void CSendArea::LoadFile() {
    const QString path = chooser_();
    if (path.isEmpty()) return;
    const QString full = QFileInfo(path).absoluteFilePath();
    const LoadedFile::LoadResult result = file_.Load(full.toStdString(), full.toStdU16String());
    switch (result.kind) {
        case LoadedFile::LoadResult::Loaded:
            edit_->setPlainText(QString::fromStdU16String(file_.loadMessage()));
            break;
        case LoadedFile::LoadResult::Empty:
            edit_->setPlainText(QString::fromUtf16(t::kLoadFailed));
            break;
        case LoadedFile::LoadResult::Unreadable:
            edit_->setPlainText(QString::fromStdU16String(UnreadableText(result.error)));
            break;
    }
}

void CSendArea::AttachMonitor(int index, CPortMonitorDialog* monitor) {
    Link& link = *links_.at(static_cast<std::size_t>(index));
    link.monitor = monitor;
    if (!monitor) {
        link.logic.setMonitor({});
        return;
    }
    link.logic.setMonitor([&link](const std::uint8_t* bytes, std::size_t count) {
        if (link.monitor) link.monitor->AddRecord(RecordKind::Sent, bytes, count);
    });
}

void CSendArea::setEncoding(TextEncoding encoding) {
    for (const auto& link : links_) link->logic.setEncoding(encoding);
}

void CSendArea::ShowEditMenu(const QPoint& at) {
    QMenu* menu = edit_->createStandardContextMenu();
    menu->addSeparator();
    QAction* load = menu->addAction(QString::fromUtf16(t::kLoadFileAction), this, &CSendArea::LoadFile);
    load->setShortcut(QKeySequence::Open);
    menu->exec(edit_->viewport()->mapToGlobal(at));
    delete menu;
}

bool CSendArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_->viewport() && event->type() == QEvent::MouseButtonDblClick && edit_->hasFocus()) {
        LoadFile();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace viz
