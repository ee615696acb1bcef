#include "net/RecordArea.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>

#include "terminal/ReceiveArea.h"

namespace viz {

CRecordArea::CRecordArea(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &CRecordArea::Flush);
}

void CRecordArea::Add(const QString& line) {
    if (area_.lineCount() > kMaxLines) area_.Clear();
    area_.Append(line.toStdU16String());
    area_.Append(u"\r\n\r\n");
    if (!flushTimer_.isActive()) flushTimer_.start(CReceiveArea::kFlushInterval);
}

void CRecordArea::Clear() {
    area_.Clear();
    Flush();
}

void CRecordArea::Flush() {
    flushTimer_.stop();
    if (!area_.hasUpdate()) return;
    const AreaText::Update update = area_.TakeUpdate();
    if (update.reset) {
        setPlainText(QString::fromStdU16String(update.text));
    } else {
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdU16String(update.text));
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CRecordArea::mouseDoubleClickEvent(QMouseEvent* event) {
    Clear();
    event->accept();
}

}  // namespace viz
