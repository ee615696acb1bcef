#pragma once

// The server page's record of events: every line is followed by a blank
// line, the area is emptied before a line once it holds more than 200 lines,
// and a double-click empties it. Lines go into the text at once; the widget
// follows at most every CReceiveArea::kFlushInterval, so a burst of events
// costs one update.

#include <QPlainTextEdit>
#include <QTimer>

#include <string>

#include "terminal/AreaText.h"

namespace viz {

class CRecordArea : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxLines = 200;

    explicit CRecordArea(QWidget* parent = nullptr);

    void Add(const QString& line);
    void Clear();
    // The text as the program holds it (CR LF line breaks).
    std::u16string text() const { return std::u16string(area_.text()); }
    // Shows what was added since the last update, now.
    void Flush();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    AreaText area_;
    QTimer flushTimer_;
};

}  // namespace viz
