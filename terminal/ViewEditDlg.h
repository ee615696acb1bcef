#pragma once

// The record viewer: one record's data in full, in bold 16-pixel "宋体",
// blue on the edit's background.
//
//   viewer_ = new CViewEditDlg(u"数据查看", this);
//   viewer_->show();
//   viewer_->SetText(QString::fromStdU16String(row[3]));

#include <QDialog>

class QPlainTextEdit;

namespace viz {

class CViewEditDlg : public QDialog {
    Q_OBJECT

public:
    explicit CViewEditDlg(const QString& title, QWidget* parent = nullptr);

    void SetText(const QString& text);
    QPlainTextEdit* edit() const { return edit_; }

private:
    QPlainTextEdit* edit_;
};

}  // namespace viz
