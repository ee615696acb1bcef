#include "terminal/ReceiveArea.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QScrollBar>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "base/ReceiveHistory.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TextFile.h"

namespace viz {

namespace t = terminal_texts;

std::string CurrentDirectoryFile(const QString& name) {
    // Left relative on purpose: the system resolves it against the working
    // directory, and refuses it when that directory is gone instead of
    // writing somewhere else.
    return name.toStdString();
}

QString FileErrorText(const QString& file, const std::string& error) {
    return QString::fromUtf16(t::kFileErrorFormat).arg(file, QString::fromLocal8Bit(error));
}

CReceiveArea::CReceiveArea(ReceiveAreaConfig config, QWidget* parent)
    : QGroupBox(parent), config_(std::move(config)), pipeline_(config_.textForm) {
    setTitle(config_.initialTitle);
    edit_ = new CMenuEdit(this);
    edit_->SetCommands(config_.commands);
    // The area's text comes cut into screen lines, one block each, so the
    // view lays out only the lines in sight (wrapping would lay out every
    // line again). Fixed pitch makes the cut fit the width and keeps hex
    // columns aligned.
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A scroll bar that comes and goes would change the width lines are cut to.
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A copy is the text as it arrived, not cut into screen lines.
    edit_->setSelectionText([this](int start, int end) { return SelectedText(start, end); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    if (config_.timeStampBox) {
        timeStampBox_ = new QCheckBox(QString::fromUtf16(t::kTimeStamps), this);
        timeStampBox_->setObjectName(QStringLiteral("timeStamps"));
        timeStampBox_->setToolTip(
            QString::fromUtf16(t::kTipTimeStamps).replace(QStringLiteral("\r\n"), "\n"));
        if (!config_.timeStampName.isEmpty()) timeStampBox_->setAccessibleName(config_.timeStampName);
        layout->addWidget(timeStampBox_, 0, Qt::AlignRight);
        connect(timeStampBox_, &QCheckBox::toggled, this, [this](bool on) { pipeline_.setTimeStamps(on); });
    }
    connect(edit_, &CMenuEdit::Command, this, &CReceiveArea::HandleCommand);
    connect(edit_, &CMenuEdit::SaveRequested, this, &CReceiveArea::SaveCapture);
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &CReceiveArea::Flush);
    statusTimer_.setInterval(100);
    connect(&statusTimer_, &QTimer::timeout, this, &CReceiveArea::RefreshStatus);
    opener_ = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    CReceiveHistory& history = CReceiveHistory::instance();
    pipeline_.setKeptLines(history.keptLines());
    connect(&history, &CReceiveHistory::keptLinesChanged, this, [this](std::uint32_t lines) {
        pipeline_.setKeptLines(lines);
        if (pipeline_.area().hasUpdate()) ScheduleFlush();
    });
    UpdateColumns();
}

void CReceiveArea::Receive(const Chunk& chunk, std::u16string_view prefix, std::u16string_view suffix,
                           std::uint64_t source) {
    pipeline_.Receive(chunk, prefix, suffix, source);
    if (pipeline_.area().hasUpdate()) ScheduleFlush();
}

void CReceiveArea::ScheduleFlush() {
    if (flushTimer_.isActive()) return;
    const qint64 since = sinceFlush_.isValid() ? sinceFlush_.elapsed() : kFlushInterval;
    flushTimer_.start(static_cast<int>(std::max<qint64>(0, kFlushInterval - since)));
}

void CReceiveArea::Flush() {
    flushTimer_.stop();
    sinceFlush_.start();
    EmptyRetired();
    if (!pipeline_.area().hasUpdate()) return;
    QScrollBar* bar = edit_->verticalScrollBar();
    // A reader who scrolled up or selected something keeps that place.
    const bool follow = !edit_->textCursor().hasSelection() && bar->value() == bar->maximum();
    const int firstShown = bar->value();
    const AreaText::Update update = pipeline_.area().TakeUpdate(kFlushLines, kFlushRestartLines);
    QTextDocument* document = edit_->document();
    if (update.reset) {
        StartOver(QString::fromStdU16String(update.text));
    } else {
        QTextCursor cursor(document);
        cursor.beginEditBlock();
        if (update.dropLines > 0) {
            // By position, not by moving block by block: that lays out each line.
            const QTextBlock kept = document->findBlockByNumber(static_cast<int>(update.dropLines));
            cursor.setPosition(kept.position(), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromStdU16String(update.text));
        cursor.endEditBlock();
    }
    if (!update.prepend.empty()) QTextCursor(document).insertText(QString::fromStdU16String(update.prepend));
    if (follow || update.reset) {
        // The newest text in view, caret at its end.
        edit_->moveCursor(QTextCursor::End);
        bar->setValue(bar->maximum());
    } else {
        const auto prepended =
            static_cast<int>(std::count(update.prepend.begin(), update.prepend.end(), u'\n'));
        bar->setValue(firstShown - static_cast<int>(update.dropLines) + prepended);
    }
    // Older kept lines come in the next passes, so no pass lays out too many.
    if (!update.complete) ScheduleFlush();
}

void CReceiveArea::StartOver(const QString& text) {
    QTextDocument* shown = edit_->document();
    if (shown->blockCount() <= static_cast<int>(kFlushLines)) {
        edit_->setPlainText(text);
        return;
    }
    // Emptying a document of many lines at once would stall the window: a
    // new one takes its place and the old one is emptied a slice per flush.
    auto* fresh = new QTextDocument(edit_);
    fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
    fresh->setDefaultFont(edit_->font());
    fresh->setUndoRedoEnabled(false);
    fresh->setPlainText(text);
    shown->setParent(nullptr);  // the edit would delete a document that is its child
    retired_.emplace_back(shown);
    edit_->setDocument(fresh);
    ScheduleFlush();
}

void CReceiveArea::EmptyRetired() {
    if (retired_.empty()) return;
    std::unique_ptr<QTextDocument>& oldest = retired_.front();
    if (oldest->blockCount() > static_cast<int>(kFlushLines)) {
        QTextCursor cursor(oldest.get());
        cursor.setPosition(oldest->findBlockByNumber(static_cast<int>(kFlushLines)).position(),
                           QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        retired_.pop_front();
    }
    if (!retired_.empty()) ScheduleFlush();
}

std::optional<QString> CReceiveArea::SelectedText(int start, int end) const {
    const QTextBlock first = edit_->document()->findBlock(start);
    const QTextBlock last = edit_->document()->findBlock(end);
    const std::optional<std::u16string> text = pipeline_.area().ShownText(
        static_cast<std::size_t>(first.blockNumber()), static_cast<std::size_t>(start - first.position()),
        static_cast<std::size_t>(last.blockNumber()), static_cast<std::size_t>(end - last.position()));
    if (!text) return std::nullopt;
    return QString::fromStdU16String(*text);
}

void CReceiveArea::SetText(const QString& text) {
    pipeline_.area().Assign(text.toStdU16String());
    Flush();
}

void CReceiveArea::AppendText(const QString& text) {
    pipeline_.area().Append(text.toStdU16String());
    Flush();
}

void CReceiveArea::Clear() {
    SetText(QString());
}

void CReceiveArea::setEncoding(TextEncoding encoding) {
    pipeline_.setEncoding(encoding);
    if (monitor_) monitor_->SetEncoding(encoding);
}

void CReceiveArea::setTimeStamps(bool on) {
    pipeline_.setTimeStamps(on);
    if (timeStampBox_) timeStampBox_->setChecked(on);
}

void CReceiveArea::AttachMonitor(CPortMonitorDialog* monitor) {
    monitor_ = monitor;
    if (!monitor) {
        pipeline_.setMonitor({});
        return;
    }
    monitor->SetEncoding(pipeline_.encoding());
    pipeline_.setMonitor([this](const std::uint8_t* bytes, std::size_t count) {
        if (monitor_) monitor_->AddRecord(RecordKind::Received, bytes, count);
    });
}

void CReceiveArea::RefreshStatus() {
    setTitle(QString::fromStdU16String(pipeline_.RefreshStatus(config_.countsFormat.toStdU16String())));
}

void CReceiveArea::StartStatusTimer() {
    pipeline_.ResetRate();
    statusTimer_.start();
}

void CReceiveArea::StopStatusTimer() {
    pipeline_.ResetRate();
    statusTimer_.stop();
}

void CReceiveArea::ResetCounters() {
    pipeline_.ResetTotal();
    setTitle(config_.resetTitle);
}

void CReceiveArea::HandleCommand(int number) {
    const CMenuEdit::Commands& commands = config_.commands;
    if (number == commands[0]) Clear();
    if (number == commands[1]) TogglePause();
    if (number == commands[2]) ToggleOutput();
    if (number == commands[3]) BrowseOutput();
}

void CReceiveArea::TogglePause() {
    pipeline_.setPaused(!pipeline_.paused());
    RefreshStatus();
}

void CReceiveArea::ToggleOutput() {
    if (pipeline_.outputOn()) {
        pipeline_.StopOutput();
    } else {
        // A folder the user cannot write (a program started from "/") is
        // said, as for the capture file, instead of a switch that does nothing.
        if (!pipeline_.StartOutput(CurrentDirectoryFile(config_.outputFile)))
            QMessageBox::warning(this, QCoreApplication::applicationName(),
                                 FileErrorText(config_.outputFile, pipeline_.outputOpenError()));
    }
    RefreshStatus();
}

void CReceiveArea::BrowseOutput() {
    opener_(QDir::current().absoluteFilePath(config_.outputFile));
}

void CReceiveArea::SaveCapture() {
    const std::string error = WriteTextFile(CurrentDirectoryFile(config_.captureFile),
                                            pipeline_.area().text(), pipeline_.encoding());
    if (!error.empty()) {
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             FileErrorText(config_.captureFile, error));
        return;
    }
    QMessageBox::information(this, QCoreApplication::applicationName(), config_.captureMessage);
}

void CReceiveArea::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    UpdateColumns();
}

void CReceiveArea::showEvent(QShowEvent* event) {
    QGroupBox::showEvent(event);
    UpdateColumns();
}

void CReceiveArea::UpdateColumns() {
    // Glyph advances are fractional: rounding them down would cut lines
    // longer than the area is wide. A wide character counts two columns; its
    // glyph comes from a fallback font and must fit in them too.
    const QFontMetricsF metrics(edit_->font());
    const qreal charWidth = std::max<qreal>(
        {1, metrics.horizontalAdvance(QLatin1Char('0')), metrics.horizontalAdvance(QChar(0x4E2D)) / 2});
    // Room for the caret at the end of a full line.
    const qreal usable =
        edit_->viewport()->width() - 2 * edit_->document()->documentMargin() - edit_->cursorWidth() - 1;
    // Whole "%02X " groups per line, so hex pairs are never cut.
    const int columns = std::max(3, static_cast<int>(usable / charWidth) / 3 * 3);
    if (static_cast<std::size_t>(columns) == pipeline_.area().columns()) return;
    pipeline_.area().SetColumns(static_cast<std::size_t>(columns));
    ScheduleFlush();
}

}  // namespace viz
