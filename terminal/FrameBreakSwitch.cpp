#include "terminal/FrameBreakSwitch.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

#include "base/TextFormat.h"
#include "terminal/TerminalTexts.h"

namespace viz {
namespace {

std::uint32_t IntervalOf(const QLineEdit* time) {
    if (time->text().isEmpty()) return 1;
    return static_cast<std::uint32_t>(std::max(0, FieldInteger(time->text().toStdU16String())));
}

}  // namespace

CFrameBreakSwitch::CFrameBreakSwitch(QCheckBox* box, QLineEdit* time, Apply apply, QWidget* page)
    : QObject(page), box_(box), time_(time), apply_(std::move(apply)), milliseconds_(IntervalOf(time)) {
    connect(box_, &QCheckBox::clicked, this, &CFrameBreakSwitch::Clicked);
    connect(time_, &QLineEdit::textChanged, this, &CFrameBreakSwitch::TimeChanged);
}

void CFrameBreakSwitch::Clicked(bool checked) {
    if (time_->text().isEmpty()) {
        on_ = false;
        box_->setChecked(false);
        apply_(on_, milliseconds_);
        QMessageBox::warning(box_->window(), QCoreApplication::applicationName(),
                             QString::fromUtf16(terminal_texts::kFrameTimeEmpty));
        return;
    }
    milliseconds_ = IntervalOf(time_);
    on_ = checked;
    apply_(on_, milliseconds_);
}

void CFrameBreakSwitch::TimeChanged() {
    milliseconds_ = IntervalOf(time_);
    apply_(on_, milliseconds_);
}

}  // namespace viz
