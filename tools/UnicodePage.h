#pragma once

#include "base/Page.h"
#include "tools/EncodingSections.h"

class QPlainTextEdit;

namespace viz {

// The encoding page: the typed text's bytes in six encodings, as it is typed.
class CUnicode : public CPage {
    Q_OBJECT

public:
    CUnicode(PageContext& context, QWidget* parent);

private:
    void SetStyle(DisplayStyle style);
    void Rebuild();
    void Clear();

    DisplayStyle style_ = DisplayStyle::Style1;
    QPlainTextEdit* display_;
    QPlainTextEdit* input_;
};

}  // namespace viz
