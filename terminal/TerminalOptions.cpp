#include "terminal/TerminalOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "terminal/FrameBreakSwitch.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TextOptions.h"

namespace viz {
namespace {

namespace t = terminal_texts;

constexpr int kPeriodDigits = 5;
constexpr int kFrameTimeDigits = 4;

// Tool tips break lines at LF alone.
QString Tip(const char16_t* text) {
    return Text(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name, const char16_t* tip) {
    widget->setObjectName(QLatin1StringView(name));
    widget->setToolTip(Tip(tip));
    return widget;
}

QLineEdit* NumberEdit(const char* name, int digits, const char16_t* text, const char16_t* accessibleName,
                      bool digitsOnly, QWidget* parent) {
    auto* edit = new QLineEdit(Text(text), parent);
    edit->setObjectName(QLatin1StringView(name));
    edit->setMaxLength(digits);
    if (digitsOnly)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setAccessibleName(Text(accessibleName));
    return edit;
}

// A period field's milliseconds; an empty field counts as 1.
int FieldMilliseconds(const QLineEdit* field) {
    return field->text().isEmpty() ? 1 : std::max(1, FieldInteger(field->text().toStdU16String()));
}

}  // namespace

CTerminalOptions::CTerminalOptions(SettingsStore& settings, TerminalOptionsConfig config,
                                   TerminalOptionAreas areas, QWidget* page)
    : QWidget(page), config_(std::move(config)), areas_(std::move(areas)), settings_(settings) {
    Build(page);
    Arrange();
    Wire();
}

void CTerminalOptions::Build(QWidget* page) {
    hexSend_ = Named(new QCheckBox(Text(t::kOptionHexSend), this), "hexSend", t::kOptionTipHexSend);
    hexDisplay_ =
        Named(new QCheckBox(Text(t::kOptionHexDisplay), this), "hexDisplay", t::kOptionTipHexDisplay);
    if (const auto& beside = config_.besideEncoding)
        besideEncoding_ = Named(new QCheckBox(Text(beside->text), this), beside->name, beside->tip);
    // Made here so the keyboard reaches it right after "Hex显示".
    textOptions_ = new CTextOptions(settings_, config_.kind, this);
    for (CReceiveArea* area : areas_.receiving) textOptions_->AddReceiveArea(area);
    textOptions_->AddSendArea(areas_.send);
    for (const TerminalOptionsConfig::Continuous& row : config_.continuous) {
        Row built;
        built.box = Named(new QCheckBox(Text(row.text ? row.text : t::kOptionContinuous), this), row.name,
                          row.tip ? row.tip : t::kOptionTipContinuous);
        built.period = NumberEdit(row.periodName, kPeriodDigits, row.defaultPeriod, row.periodAccessibleName,
                                  config_.digitsOnly, this);
        built.kept = FieldMilliseconds(built.period);
        rows_.push_back(built);
    }
    frameBreak_ =
        Named(new QCheckBox(Text(t::kOptionFrameBreak), this), "frameBreak", t::kOptionTipFrameBreak);
    frameTime_ = NumberEdit("frameTime", kFrameTimeDigits, t::kOptionDefaultFrameTime,
                            config_.frameTimeName ? config_.frameTimeName : t::kOptionFrameTimeName,
                            config_.digitsOnly, this);
    clearSend_ = Named(new QPushButton(Text(t::kOptionClearSend), this), "clearSend", t::kOptionTipClearSend);
    clearReceive_ =
        Named(new QPushButton(Text(t::kOptionClearReceive), this), "clearReceive", t::kOptionTipClearReceive);
    for (const TerminalOptionsConfig::Button& monitor : config_.monitors) {
        monitors_.push_back(Named(new QPushButton(Text(monitor.text), this), monitor.name, monitor.tip));
        monitors_.back()->setEnabled(monitor.enabled);
    }
    recount_ =
        Named(new QPushButton(Text(t::kOptionRecount), this), config_.recountName, t::kOptionTipRecount);
    if (config_.plotButton) plotButton_ = config_.plotButton(page);
}

// Boxes and their fields first, then the buttons two to a row.
void CTerminalOptions::Arrange() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(hexSend_, 0, 0);
    grid->addWidget(hexDisplay_, 0, 1, 1, 2);
    if (besideEncoding_) grid->addWidget(besideEncoding_, 1, 0);
    grid->addWidget(textOptions_->encodingChoice(), 1, 1, 1, 2);
    int line = 2;
    const auto timed = [&](QCheckBox* box, QLineEdit* field) {
        grid->addWidget(box, line, 0);
        grid->addWidget(field, line, 1);
        grid->addWidget(new QLabel(Text(t::kOptionMilliseconds), this), line, 2);
        ++line;
    };
    for (const Row& row : rows_) timed(row.box, row.period);
    timed(frameBreak_, frameTime_);
    std::vector<QWidget*> buttons{clearSend_, clearReceive_};
    buttons.insert(buttons.end(), monitors_.begin(), monitors_.end());
    buttons.push_back(recount_);
    if (plotButton_) buttons.push_back(plotButton_);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (i % 2 == 0) {
            grid->addWidget(buttons[i], line, 0);
        } else {
            grid->addWidget(buttons[i], line++, 1, 1, 2);
        }
    }
}

void CTerminalOptions::Wire() {
    connect(hexSend_, &QCheckBox::toggled, areas_.send, &CSendArea::setHexSend);
    connect(hexDisplay_, &QCheckBox::toggled, this, [this](bool on) {
        for (CReceiveArea* area : areas_.receiving) area->setHexDisplay(on);
    });
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
        connect(rows_[static_cast<std::size_t>(row)].box, &QCheckBox::clicked, this,
                [this, row](bool checked) { ContinuousClicked(row, checked); });
        connect(rows_[static_cast<std::size_t>(row)].period, &QLineEdit::textChanged, this,
                [this, row] { PeriodChanged(row); });
    }
    new CFrameBreakSwitch(
        frameBreak_, frameTime_,
        [this](bool on, std::uint32_t ms) {
            for (CReceiveArea* area : areas_.receiving) area->setFrameBreak(on, ms);
        },
        this);
    connect(clearSend_, &QPushButton::clicked, areas_.send->edit(), &QPlainTextEdit::clear);
    connect(clearReceive_, &QPushButton::clicked, this, [this] {
        for (CReceiveArea* area : areas_.others) area->Clear();
        for (CReceiveArea* area : areas_.receiving) area->Clear();
    });
    connect(recount_, &QPushButton::clicked, this, &CTerminalOptions::ResetCounts);
}

std::vector<QWidget*> CTerminalOptions::focusOrder() const {
    std::vector<QWidget*> order{hexSend_, hexDisplay_};
    if (besideEncoding_) order.push_back(besideEncoding_);
    order.push_back(textOptions_->encodingBox());
    for (const Row& row : rows_)
        order.insert(order.end(), std::initializer_list<QWidget*>{row.box, row.period});
    order.insert(order.end(),
                 std::initializer_list<QWidget*>{frameBreak_, frameTime_, clearSend_, clearReceive_});
    order.insert(order.end(), monitors_.begin(), monitors_.end());
    order.push_back(recount_);
    if (plotButton_) order.push_back(plotButton_);
    return order;
}

int CTerminalOptions::period(int row) const {
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    return config_.periodRule == PeriodRule::TypedWhileRunning ? shown.kept : FieldMilliseconds(shown.period);
}

void CTerminalOptions::ApplyContinuous(int row) {
    if (config_.canSend(row) && rows_[static_cast<std::size_t>(row)].box->isChecked()) {
        Start(row);
    } else {
        Stop(row);
    }
}

void CTerminalOptions::ResetCounts() {
    areas_.send->ResetCounters();
    for (CReceiveArea* area : areas_.others) area->ResetCounters();
    for (CReceiveArea* area : areas_.receiving) area->ResetCounters();
}

void CTerminalOptions::ContinuousClicked(int row, bool checked) {
    if (checked && !config_.canSend(row)) {
        rows_[static_cast<std::size_t>(row)].box->setChecked(false);
    } else if (checked) {
        Start(row);
    } else {
        Stop(row);
    }
}

// The period is taken only while it can take effect.
void CTerminalOptions::PeriodChanged(int row) {
    Row& changed = rows_[static_cast<std::size_t>(row)];
    if (!config_.canSend(row) || !changed.box->isChecked()) return;
    changed.kept = FieldMilliseconds(changed.period);
    Start(row);
}

void CTerminalOptions::Start(int row) {
    if (config_.startContinuous) {
        config_.startContinuous(row, period(row));
    } else {
        areas_.send->StartContinuous(row, period(row));
    }
}

void CTerminalOptions::Stop(int row) {
    if (config_.stopContinuous) {
        config_.stopContinuous(row);
    } else {
        areas_.send->StopContinuous(row);
    }
}

}  // namespace viz
