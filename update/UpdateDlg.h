#pragma once

#include <QDialog>

#include <memory>

#include "update/ArchiveDownload.h"
#include "update/UpdateServers.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace viz {

class CStatusLabel;

// The new-version downloader: fetches the archive from the primary or the
// mirror server into "Duvezer.rar" in the current directory, showing size,
// amount, speed, percentage and status. Closing it ends a running download
// at once.
class CUpdateDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr char kArchiveName[] = "Duvezer.rar";

    explicit CUpdateDlg(UpdateServers servers, QWidget* parent = nullptr, DownloadOptions options = {});
    ~CUpdateDlg() override;

    // At start: what downloads of ended processes left in the current directory.
    static void RemoveLeftoverDownloads();

    bool downloading() const { return running_; }

    void done(int result) override;

private:
    class Listener;

    void StartDownload();
    void StopDownload();
    void EndWorker();

    void ShowChecking();
    void ShowStarted(std::optional<std::uint64_t> total, const QString& lastModified);
    void ShowProgress(const DownloadProgress& progress);
    void ShowEnded(DownloadResult result, const QString& error);

    const UpdateServers servers_;
    const DownloadOptions options_;
    QLineEdit* size_;
    QLineEdit* received_;
    QLineEdit* speed_;
    QLineEdit* percent_;
    QProgressBar* progress_;
    CStatusLabel* status_;
    CStatusLabel* lastModified_;
    QRadioButton* primary_;
    QRadioButton* mirror_;
    QPushButton* start_;
    QPushButton* stop_;
    // Reports of an ended download that are still on their way are dropped
    // by their number.
    unsigned generation_ = 0;
    // The bar counts bytes, or KB for archives too large for its range.
    int progressShift_ = 0;
    bool running_ = false;
    // An ended download is kept until the next one or the close, so the
    // window never waits for its worker to leave after the last report.
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<ArchiveDownload> download_;
};

}  // namespace viz
