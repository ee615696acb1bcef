#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace viz {

// "C51单片机代码预览": shows a generated text (wizard code or delay loop).
class CMcu51GuideCodeViewDlg : public QDialog {
    Q_OBJECT

public:
    CMcu51GuideCodeViewDlg(const QString& text, QWidget* parent = nullptr);

    QString text() const;

private:
    QPlainTextEdit* edit_;
};

}  // namespace viz
