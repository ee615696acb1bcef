#pragma once

// The file-send progress window: the page's title and one progress bar.
// Created at a page's first file send and kept; the close box only hides it.
//
//   progress_ = new CProcessDlg(u"串口发送文件进度", page);
//   progress_->Start(fileLength);        // range 0..length, position 0, shown over its owner
//   progress_->SetPosition(bytesDone);   // during the send, painted at once

#include <QDialog>

#include <cstddef>

class QProgressBar;

namespace viz {

class CProcessDlg : public QDialog {
    Q_OBJECT

public:
    explicit CProcessDlg(const QString& title, QWidget* parent = nullptr);

    void Start(std::size_t total);
    void SetPosition(std::size_t done);
    QProgressBar* bar() const { return bar_; }

private:
    QProgressBar* bar_;
    // The bar counts in ints; files beyond that range are shown scaled.
    std::size_t scale_ = 1;
};

}  // namespace viz
