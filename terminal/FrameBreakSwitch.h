#pragma once

// A terminal page's "帧换行" box and its time edit, with the rule every page
// shares: a click while the time is empty switches the break off, unchecks
// the box and says "帧换行时间不能为空！"; otherwise the box switches it and
// the time is read then. A change of the time sets the interval (1 when
// empty). Each change is handed to the page's receive areas.
//
//   new CFrameBreakSwitch(frameBox, frameTime, [this](bool on, std::uint32_t ms) {
//       receive_->setFrameBreak(on, ms);
//   }, this);

#include <QObject>

#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace viz {

class CFrameBreakSwitch : public QObject {
    Q_OBJECT

public:
    using Apply = std::function<void(bool on, std::uint32_t milliseconds)>;

    // The switch belongs to `page`, which owns the two controls.
    CFrameBreakSwitch(QCheckBox* box, QLineEdit* time, Apply apply, QWidget* page);

private:
    void Clicked(bool checked);
    void TimeChanged();

    QCheckBox* box_;
    QLineEdit* time_;
    Apply apply_;
    bool on_ = false;
    std::uint32_t milliseconds_;
};

}  // namespace viz
