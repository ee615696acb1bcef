#pragma once

// A terminal page's "波形显示" button and the one plot window it opens,
// made at the first click and kept (hidden when closed) until the page ends.
//
//   plot_ = new CPlotLauncher(context().settings(), MoreSendKind::Serial, this);
//   plot_->AddReceiveArea(receive_);        // every area whose lines it plots
//   grid->addWidget(plot_->button(), ...);

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

#include "base/SettingsStore.h"

class QPushButton;
class QWidget;

namespace viz {

class CPlotWindow;
class CReceiveArea;

// The maker of a terminal page's "波形显示" button for its options block: a
// launcher plotting `areas`, owned by the page it is made for.
std::function<QWidget*(QWidget* page)> PlotButtonMaker(SettingsStore& settings, MoreSendKind kind,
                                                       std::vector<CReceiveArea*> areas);

class CPlotLauncher : public QObject {
    Q_OBJECT

public:
    CPlotLauncher(SettingsStore& settings, MoreSendKind page, QWidget* pageWidget);

    void AddReceiveArea(CReceiveArea* area) { areas_.push_back(area); }
    QPushButton* button() const { return button_; }
    // Null before the first click.
    CPlotWindow* window() const;
    // Opens the window, or brings it to the front.
    void Show();

private:
    SettingsStore& settings_;
    const MoreSendKind page_;
    QWidget* pageWidget_;
    QPushButton* button_;
    std::vector<CReceiveArea*> areas_;
    QPointer<CPlotWindow> window_;
};

}  // namespace viz
