#pragma once

// The file-send progress window: the page's title, one progress bar and
// "取消发送". Created at a page's first file send and kept; closing it
// hides it and, like the button, cancels the send in progress.
//
//   progress_ = new CProcessDlg(u"串口发送文件进度", page);
//   connect(progress_, &CProcessDlg::CancelRequested, ...);
//   progress_->Start(fileLength);        // range 0..length, position 0, shown over its owner
//   progress_->SetPosition(bytesDone);   // as the send goes on
//   progress_->Stop();                   // the send ended: nothing left to cancel

#include <QDialog>

#include <cstdint>

class QProgressBar;
class QPushButton;

namespace viz {

class CProcessDlg : public QDialog {
    Q_OBJECT

public:
    explicit CProcessDlg(const QString& title, QWidget* parent = nullptr);

    void Start(std::uint64_t total);
    void SetPosition(std::uint64_t done);
    void Stop();
    bool sending() const { return sending_; }

    QProgressBar* bar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void CancelRequested();

protected:
    void done(int result) override;

private:
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool sending_ = false;
    // The bar counts in ints; files beyond that range are shown scaled.
    std::uint64_t scale_ = 1;
};

}  // namespace viz
