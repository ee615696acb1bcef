#include "plot/PlotWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <vector>

#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "plot/PlotPlace.h"
#include "plot/PlotTexts.h"
#include "plot/PlotView.h"
#include "terminal/ReceiveArea.h"

namespace viz {
namespace {

namespace t = plot_texts;

QString PageName(MoreSendKind page) {
    switch (page) {
        case MoreSendKind::Serial:
            return Text(t::kPageSerial);
        case MoreSendKind::Usb:
            return Text(t::kPageUsb);
        case MoreSendKind::Network:
            return Text(t::kPageNetwork);
        case MoreSendKind::Server:
            return Text(t::kPageServer);
    }
    return {};
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

std::size_t StoredCapacity(const SettingsStore& settings) {
    std::uint32_t samples = kDefaultPlotSamples;
    settings.ReadPlotSamples(samples);
    return samples;
}

constexpr int kStatusMs = 250;
// The rate is taken over about this many status refreshes (one second).
constexpr std::size_t kRateRefreshes = 4;
constexpr QSize kDefaultSize(900, 560);

}  // namespace

CPlotWindow::CPlotWindow(SettingsStore& settings, MoreSendKind page, std::vector<CReceiveArea*> areas,
                         QWidget* parent)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      page_(page),
      pageName_(PageName(page)),
      areas_(areas.begin(), areas.end()),
      feed_(StoredCapacity(settings)) {
    for (std::size_t i = 0; i < areas_.size(); ++i) inputs_.push_back(i == 0 ? &feed_ : &feed_.AddInput());
    setObjectName(QStringLiteral("plotWindow"));
    setWindowTitle(Text(t::kTitle).arg(pageName_));
    view_ = Named(new CPlotView(this), "plotView");
    status_ = Named(new CStatusLabel(Text(t::kStatusName), QString(), this), "plotStatus");
    message_ = Named(new CStatusLabel(Text(t::kMessageName), QString(), this), "plotMessage");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateControls());
    layout->addWidget(view_, 1);
    layout->addWidget(status_);
    layout->addWidget(message_);
    resize(kDefaultSize);
    ShowStatus();

    // Rounded up: never more than kFrameRate frames in a second.
    frameTimer_.setInterval((1000 + kFrameRate - 1) / kFrameRate);
    connect(&frameTimer_, &QTimer::timeout, this, &CPlotWindow::Frame);
    statusTimer_.setInterval(kStatusMs);
    connect(&statusTimer_, &QTimer::timeout, this, &CPlotWindow::RefreshStatus);
    chooser_ = [this](const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(this, QString(), suggested, filter);
    };
}

CPlotWindow::~CPlotWindow() {
    Detach();
    if (placed_ && isVisible()) SavePlace();
    cancelWriting_ = true;
    if (writer_.joinable()) writer_.join();
}

QWidget* CPlotWindow::CreateControls() {
    auto* controls = new QWidget(this);
    pause_ = Named(new QPushButton(Text(t::kPause), controls), "plotPause");
    pause_->setToolTip(Text(t::kTipPause));
    clear_ = Named(new QPushButton(Text(t::kClear), controls), "plotClear");
    clear_->setToolTip(Text(t::kTipClear));
    resetView_ = Named(new QPushButton(Text(t::kResetView), controls), "plotResetView");
    resetView_->setToolTip(Text(t::kTipResetView));
    axis_ = Named(new QComboBox(controls), "plotAxis");
    axis_->addItem(Text(t::kAxisNumber));
    axis_->addItem(Text(t::kAxisTime));
    auto* axisLabel = new QLabel(Text(t::kAxisLabel), controls);
    axisLabel->setBuddy(axis_);
    axis_->setAccessibleName(axisLabel->text().chopped(1));
    window_ = Named(new QSpinBox(controls), "plotWindowPoints");
    window_->setRange(10, static_cast<int>(std::max<std::size_t>(feed_.samples().capacity(), 10)));
    window_->setValue(static_cast<int>(CPlotView::kDefaultWindowPoints));
    window_->setAccessibleName(Text(t::kWindowName));
    window_->setToolTip(Text(t::kTipWindow));
    auto* windowLabel = new QLabel(Text(t::kWindowLabel), controls);
    windowLabel->setBuddy(window_);

    yAuto_ = Named(new QCheckBox(Text(t::kYAuto), controls), "plotYAuto");
    yAuto_->setChecked(true);
    yAuto_->setToolTip(Text(t::kTipYAuto));
    yMin_ = Named(new QLineEdit(controls), "plotYMin");
    yMax_ = Named(new QLineEdit(controls), "plotYMax");
    auto* yMinLabel = new QLabel(Text(t::kYMinLabel), controls);
    auto* yMaxLabel = new QLabel(Text(t::kYMaxLabel), controls);
    yMinLabel->setBuddy(yMin_);
    yMaxLabel->setBuddy(yMax_);
    yMin_->setAccessibleName(yMinLabel->text().chopped(1));
    yMax_->setAccessibleName(yMaxLabel->text().chopped(1));
    yApply_ = Named(new QPushButton(Text(t::kYApply), controls), "plotYApply");
    exportCsv_ = Named(new QPushButton(Text(t::kExportCsv), controls), "plotExportCsv");
    exportCsv_->setToolTip(Text(t::kTipExportCsv));
    savePicture_ = Named(new QPushButton(Text(t::kSavePicture), controls), "plotSavePicture");
    savePicture_->setToolTip(Text(t::kTipSavePicture));

    auto* first = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{pause_, clear_, resetView_, axisLabel, axis_, windowLabel, window_})
        first->addWidget(widget);
    first->addWidget(new QLabel(Text(t::kWindowUnit), controls));
    first->addStretch(1);
    auto* second = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{yAuto_, yMinLabel, yMin_, yMaxLabel, yMax_, yApply_})
        second->addWidget(widget);
    second->addStretch(1);
    second->addWidget(exportCsv_);
    second->addWidget(savePicture_);
    auto* column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(first);
    column->addLayout(second);

    connect(pause_, &QPushButton::clicked, this, &CPlotWindow::TogglePause);
    connect(clear_, &QPushButton::clicked, this, &CPlotWindow::Clear);
    connect(resetView_, &QPushButton::clicked, view_, &CPlotView::ResetView);
    connect(axis_, &QComboBox::currentIndexChanged, this, [this](int index) {
        view_->setAxis(index == 1 ? PlotAxis::ReceiveTime : PlotAxis::SampleNumber);
    });
    connect(window_, &QSpinBox::valueChanged, this,
            [this](int points) { view_->setWindowPoints(static_cast<std::size_t>(points)); });
    connect(yAuto_, &QCheckBox::clicked, this, &CPlotWindow::YAutoClicked);
    connect(yApply_, &QPushButton::clicked, this, &CPlotWindow::ApplyYRange);
    connect(yMin_, &QLineEdit::returnPressed, this, &CPlotWindow::ApplyYRange);
    connect(yMax_, &QLineEdit::returnPressed, this, &CPlotWindow::ApplyYRange);
    connect(exportCsv_, &QPushButton::clicked, this, &CPlotWindow::ExportCsv);
    connect(savePicture_, &QPushButton::clicked, this, &CPlotWindow::SavePicture);
    return controls;
}

void CPlotWindow::Attach() {
    if (attached_) return;
    for (std::size_t i = 0; i < areas_.size(); ++i) {
        if (areas_[i]) areas_[i]->pipeline().AddLineSink(inputs_[i]);
    }
    attached_ = true;
}

void CPlotWindow::Detach() {
    if (!attached_) return;
    for (std::size_t i = 0; i < areas_.size(); ++i) {
        if (areas_[i]) areas_[i]->pipeline().RemoveLineSink(inputs_[i]);
    }
    attached_ = false;
}

void CPlotWindow::showEvent(QShowEvent* event) {
    if (!placed_) {
        Restore();
        placed_ = true;
    }
    Attach();
    frameTimer_.start();
    statusTimer_.start();
    QWidget::showEvent(event);
}

void CPlotWindow::closeEvent(QCloseEvent* event) {
    SavePlace();
    Detach();
    frameTimer_.stop();
    statusTimer_.stop();
    QWidget::closeEvent(event);
}

void CPlotWindow::Frame() {
    const auto now = std::chrono::steady_clock::now();
    if (isMinimized() || now < nextFrame_) return;
    if (!view_->Redraw(feed_)) return;
    ShowStatus();
    const auto end = std::chrono::steady_clock::now();
    nextFrame_ = end + 2 * (end - now);
}

void CPlotWindow::RefreshStatus() {
    const auto now = std::chrono::steady_clock::now();
    rateHistory_.emplace_back(now, feed_.taken());
    while (rateHistory_.size() > kRateRefreshes + 1) rateHistory_.pop_front();
    const auto& [since, taken] = rateHistory_.front();
    const double seconds = std::chrono::duration<double>(now - since).count();
    rate_ = seconds > 0 ? static_cast<std::uint64_t>((feed_.taken() - taken) / seconds + 0.5) : 0;
    ShowStatus();
}

void CPlotWindow::ShowStatus() {
    QString text = Text(t::kStatus)
                       .arg(rate_)
                       .arg(feed_.names().size())
                       .arg(feed_.samples().size())
                       .arg(feed_.skipped());
    if (feed_.paused()) text += Text(t::kStatusPaused);
    if (text != status_->text()) status_->ShowStatus(text);
}

void CPlotWindow::TogglePause() {
    feed_.setPaused(!feed_.paused());
    pause_->setText(Text(feed_.paused() ? t::kContinue : t::kPause));
    ShowStatus();
}

void CPlotWindow::Clear() {
    feed_.Clear();
    rateHistory_.clear();
    RefreshStatus();
}

void CPlotWindow::YAutoClicked(bool on) {
    if (on) {
        view_->setFixedY(std::nullopt);
    } else if (!ApplyYRange()) {
        yAuto_->setChecked(true);
    }
}

bool CPlotWindow::ApplyYRange() {
    double lowest = 0;
    double highest = 0;
    bool lowFinite = false;
    bool highFinite = false;
    const bool valid = ParsePlotNumber(yMin_->text().trimmed().toStdU16String(), lowest, lowFinite) &&
                       ParsePlotNumber(yMax_->text().trimmed().toStdU16String(), highest, highFinite) &&
                       lowFinite && highFinite && lowest < highest;
    if (!valid) {
        QMessageBox::warning(this, Text(t::kBadYTitle), Text(t::kBadY));
        return false;
    }
    yAuto_->setChecked(false);
    view_->setFixedY(std::make_pair(lowest, highest));
    return true;
}

void CPlotWindow::Restore() {
    WindowPlace saved;
    if (settings_.ReadPlotPlace(page_, saved) != 0 || saved.width < minimumSizeHint().width() / 2 ||
        saved.height < minimumSizeHint().height() / 2)
        return;
    std::vector<WindowPlace> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    // A place on a screen that is no longer there is not taken.
    if (const auto place = PlaceOnScreens(saved, screens))
        setGeometry(place->x, place->y, place->width, place->height);
}

void CPlotWindow::SavePlace() {
    if (settings_.defaultsRestored()) return;
    const QRect rect = geometry();
    settings_.WritePlotPlace(page_, {rect.x(), rect.y(), rect.width(), rect.height()});
}

}  // namespace viz
