#include "plot/PlotLauncher.h"

#include <QPushButton>

#include "plot/PlotTexts.h"
#include "plot/PlotWindow.h"

namespace viz {

CPlotLauncher::CPlotLauncher(SettingsStore& settings, MoreSendKind page, QWidget* pageWidget)
    : QObject(pageWidget), settings_(settings), page_(page), pageWidget_(pageWidget) {
    button_ = new QPushButton(QString::fromUtf16(plot_texts::kButton), pageWidget);
    button_->setObjectName(QStringLiteral("plot"));
    button_->setToolTip(QString::fromUtf16(plot_texts::kTipButton));
    connect(button_, &QPushButton::clicked, this, &CPlotLauncher::Show);
}

CPlotWindow* CPlotLauncher::window() const {
    return window_;
}

void CPlotLauncher::Show() {
    if (!window_) window_ = new CPlotWindow(settings_, page_, areas_, pageWidget_);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

std::function<QWidget*(QWidget* page)> PlotButtonMaker(SettingsStore& settings, MoreSendKind kind,
                                                       std::vector<CReceiveArea*> areas) {
    return [&settings, kind, areas = std::move(areas)](QWidget* page) -> QWidget* {
        auto* launcher = new CPlotLauncher(settings, kind, page);
        for (CReceiveArea* area : areas) launcher->AddReceiveArea(area);
        return launcher->button();
    };
}

}  // namespace viz
