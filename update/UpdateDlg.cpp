#include "update/UpdateDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <climits>

#include "base/MakerInfo.h"
#include "base/StatusLabel.h"
#include "update/UpdateTexts.h"

namespace viz {
namespace {

namespace t = texts::update;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::filesystem::path ArchivePath() {
    std::error_code unknown;
    return std::filesystem::current_path(unknown) / CUpdateDlg::kArchiveName;
}

QLineEdit* CreateFigureBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setObjectName(name);
    return box;
}

}  // namespace

// Carries the worker's reports to the dialog's thread, each stamped with the
// download it belongs to.
class CUpdateDlg::Listener : public DownloadListener {
public:
    Listener(CUpdateDlg& dialog, unsigned generation) : dialog_(dialog), generation_(generation) {}

    void OnChecking() override {
        Post([](CUpdateDlg& d) { d.ShowChecking(); });
    }
    void OnStarted(std::optional<std::uint64_t> total, const std::string& lastModified) override {
        Post([total, text = QString::fromStdString(lastModified)](CUpdateDlg& d) {
            d.ShowStarted(total, text);
        });
    }
    void OnProgress(const DownloadProgress& progress) override {
        Post([progress](CUpdateDlg& d) { d.ShowProgress(progress); });
    }
    void OnEnded(DownloadResult result, const std::string& error) override {
        Post([result, text = QString::fromStdString(error)](CUpdateDlg& d) { d.ShowEnded(result, text); });
    }

private:
    template <typename Show>
    void Post(Show show) {
        // The dialog ends the worker before it goes, so it is alive here.
        CUpdateDlg* dialog = &dialog_;
        QMetaObject::invokeMethod(
            dialog,
            [dialog, generation = generation_, show] {
                if (generation == dialog->generation_) show(*dialog);
            },
            Qt::QueuedConnection);
    }

    CUpdateDlg& dialog_;
    const unsigned generation_;
};

CUpdateDlg::CUpdateDlg(UpdateServers servers, QWidget* parent, DownloadOptions options)
    : QDialog(parent),
      servers_(std::move(servers)),
      options_(options),
      size_(CreateFigureBox(this, "size")),
      received_(CreateFigureBox(this, "received")),
      speed_(CreateFigureBox(this, "speed")),
      percent_(CreateFigureBox(this, "percent")),
      progress_(new QProgressBar(this)),
      status_(new CStatusLabel(Text(t::kStatusName), Text(t::kWaiting), this)),
      lastModified_(new CStatusLabel(Text(t::kLastModifiedName), QString(), this)),
      primary_(new QRadioButton(Text(t::kPrimaryAddress), this)),
      mirror_(new QRadioButton(Text(t::kMirrorAddress), this)),
      start_(new QPushButton(Text(t::kStart), this)),
      stop_(new QPushButton(Text(t::kStop), this)) {
    setWindowTitle(Text(t::kCaptionBefore) + Text(maker::kEmail) + Text(t::kCaptionAfter));
    percent_->setAccessibleName(Text(t::kPercentName));
    progress_->setAccessibleName(Text(t::kProgressName));
    progress_->setTextVisible(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_->setObjectName("status");
    lastModified_->setObjectName("lastModified");
    primary_->setChecked(true);
    start_->setDefault(true);

    auto* figures = new QGridLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {t::kSizeLabel, size_}, {t::kReceivedLabel, received_}, {t::kSpeedLabel, speed_}};
    for (int row = 0; row < 3; ++row) {
        auto* label = new QLabel(Text(rows[row].first), this);
        label->setBuddy(rows[row].second);
        figures->addWidget(label, row, 0);
        figures->addWidget(rows[row].second, row, 1);
    }
    auto* bar = new QHBoxLayout;
    bar->addWidget(progress_, 1);
    bar->addWidget(percent_);
    percent_->setMaximumWidth(64);

    auto* operations = new QGroupBox(Text(t::kOperations), this);
    auto* choice = new QButtonGroup(this);
    choice->addButton(primary_);
    choice->addButton(mirror_);
    auto* operationsLayout = new QGridLayout(operations);
    operationsLayout->addWidget(primary_, 0, 0);
    operationsLayout->addWidget(mirror_, 1, 0);
    operationsLayout->addWidget(start_, 0, 1);
    operationsLayout->addWidget(stop_, 1, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(figures, 1);
    top->addWidget(operations);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bar);
    layout->addWidget(status_);
    layout->addWidget(lastModified_);

    connect(start_, &QPushButton::clicked, this, &CUpdateDlg::StartDownload);
    connect(stop_, &QPushButton::clicked, this, &CUpdateDlg::StopDownload);
}

void CUpdateDlg::RemoveLeftoverDownloads() {
    ArchiveDownload::RemoveLeftovers(ArchivePath(), OwnFiles::Remove);
}

CUpdateDlg::~CUpdateDlg() {
    EndWorker();
}

void CUpdateDlg::done(int result) {
    EndWorker();
    QDialog::done(result);
}

void CUpdateDlg::EndWorker() {
    // Whatever the worker still sends belongs to a download that is over.
    ++generation_;
    running_ = false;
    download_.reset();
    listener_.reset();
}

void CUpdateDlg::StartDownload() {
    if (running_) return;
    download_.reset();
    running_ = true;
    lastModified_->ShowStatus(QString());
    const std::string& server = mirror_->isChecked() ? servers_.mirror : servers_.primary;
    listener_ = std::make_unique<Listener>(*this, ++generation_);
    download_ = std::make_unique<ArchiveDownload>(ServerUrl(server, kArchivePath), ArchivePath(), *listener_,
                                                  options_);
}

void CUpdateDlg::StopDownload() {
    if (running_) download_->Cancel();
}

void CUpdateDlg::ShowChecking() {
    status_->ShowStatus(Text(t::kChecking));
}

void CUpdateDlg::ShowStarted(std::optional<std::uint64_t> total, const QString& lastModified) {
    lastModified_->ShowStatus(lastModified);
    status_->ShowStatus(Text(t::kDownloading));
    if (!total) {
        progress_->setRange(0, 0);  // a moving bar: the size is unknown
        return;
    }
    progressShift_ = *total > static_cast<std::uint64_t>(INT_MAX) ? 10 : 0;
    progress_->setRange(0, static_cast<int>(*total >> progressShift_));
    progress_->setValue(0);
}

void CUpdateDlg::ShowProgress(const DownloadProgress& progress) {
    const DownloadFigures figures = FiguresOf(progress.total, progress.received, progress.elapsed);
    if (progress.total) progress_->setValue(static_cast<int>(progress.received >> progressShift_));
    const QString kb = Text(t::kKb);
    size_->setText(figures.sizeKb ? QString::number(*figures.sizeKb) + kb : Text(t::kUnknownSize));
    received_->setText(QString::number(figures.receivedKb) + kb);
    speed_->setText(QString::number(figures.speedKbPerSecond) + Text(t::kKbPerSecond));
    percent_->setText(figures.percent ? QString::number(*figures.percent) + "%" : Text(t::kUnknownPercent));
}

void CUpdateDlg::ShowEnded(DownloadResult result, const QString& error) {
    running_ = false;
    if (progress_->maximum() == 0) {
        // A bar that moved for an unknown size stops full or empty.
        progress_->setRange(0, 1);
        progress_->setValue(result == DownloadResult::Finished ? 1 : 0);
    }
    switch (result) {
        case DownloadResult::Finished:
            status_->ShowStatus(Text(t::kFinished));
            break;
        case DownloadResult::Cancelled:
            status_->ShowStatus(Text(t::kCancelled));
            break;
        case DownloadResult::Failed:
            status_->ShowStatus(error.left(255));
            break;
    }
}

}  // namespace viz
