#include "terminal/SendArea.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TextFormat.h"

namespace viz {

namespace t = terminal_texts;

struct CSendArea::Link {
    explicit Link(const SendLinkSetup& linkSetup)
        : setup(linkSetup), logic({.write = linkSetup.write, .blockSize = linkSetup.blockSize}) {}

    bool open() const { return !setup.isOpen || setup.isOpen(); }

    const SendLinkSetup& setup;
    SendLink logic;
    QTimer timer;
    QPointer<CPortMonitorDialog> monitor;
    QPointer<CProcessDlg> progress;
};

CSendArea::CSendArea(SendAreaConfig config, QWidget* parent) : QGroupBox(parent), config_(std::move(config)) {
    setTitle(config_.initialTitle);
    edit_ = new QPlainTextEdit(this);
    edit_->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    for (std::size_t i = 0; i < config_.links.size(); ++i) {
        links_.push_back(std::make_unique<Link>(config_.links[i]));
        const int index = static_cast<int>(i);
        connect(&links_.back()->timer, &QTimer::timeout, this, [this, index] { Tick(index); });
    }
    chooser_ = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(), QString::fromUtf16(t::kOpenFilters));
    };
}

CSendArea::~CSendArea() = default;

std::u16string CSendArea::text() const {
    return edit_->toPlainText().replace(QChar(u'\n'), QStringLiteral("\r\n")).toStdU16String();
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
        SendFile(link);
    } else if (!link.logic.SendTyped(text(), hexSend_)) {
        return;
    }
    UpdateTitle();
}

void CSendArea::Tick(int index) {
    if (link(index).sendReady()) Send(index);
}

void CSendArea::SendFile(Link& link) {
    if (!link.progress) link.progress = new CProcessDlg(link.setup.progressTitle, window());
    link.progress->Start(file_.bytes().size());
    // Painting after every block costs more than the block itself; the
    // window and title follow the send a few dozen times a second instead.
    constexpr auto kPaintInterval = std::chrono::milliseconds(20);
    auto lastPaint = std::chrono::steady_clock::now();
    std::size_t reached = 0;
    link.logic.SendFile(file_.bytes(), [&](std::size_t done) {
        reached = done;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPaint < kPaintInterval) return;
        lastPaint = now;
        link.progress->SetPosition(done);
        UpdateTitle();
    });
    link.progress->SetPosition(reached);
    edit_->setPlainText(QString::fromStdU16String(file_.Finish()));
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
    switch (file_.Load(full.toStdString(), full.toStdU16String())) {
        case LoadedFile::LoadResult::Loaded:
            edit_->setPlainText(QString::fromStdU16String(file_.loadMessage()));
            break;
        case LoadedFile::LoadResult::Empty:
            edit_->setPlainText(QString::fromUtf16(t::kLoadFailed));
            break;
        case LoadedFile::LoadResult::Unreadable:
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

bool CSendArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_->viewport() && event->type() == QEvent::MouseButtonDblClick && edit_->hasFocus()) {
        LoadFile();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace viz
