#include "board/learn/LearnBoardPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <string>

#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnTexts.h"
#include "board/learn/LogicView.h"
#include "board/learn/WiringTable.h"

namespace viz {
namespace {

namespace t = texts::learn;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

CLearnBoardPanel::CLearnBoardPanel(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), board_(Mcs51LearningBoard()) {
    setAccessibleName(Utf8(t::kPanelName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    fault_ = new QLabel(this);
    fault_->setWordWrap(true);
    fault_->setObjectName("learnFault");
    fault_->hide();
    layout->addWidget(fault_);
    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(Utf8(t::kPanelName));
    wiring_ = new CWiringTable(settings, tabs_);
    board_.Relayout(wiring_->layout());
    view_ = new CLearnBoardView(board_, tabs_);
    tabs_->addTab(view_, Utf8(t::kBoardTitle));
    tabs_->addTab(wiring_, Utf8(t::kWiringTitle));
    tabs_->addTab(BuildLogicTab(), Utf8(t::kLogicTitle));
    missing_ = new QLabel(this);
    missing_->setObjectName("missingPorts");
    missing_->setWordWrap(true);
    missing_->hide();
    layout->addWidget(missing_);
    layout->addWidget(tabs_);
    connect(wiring_, &CWiringTable::layoutChanged, this, [this](const BoardLayout& wiring) {
        board_.Relayout(wiring);
        view_->SetSupply(5000, wiring.family == ChipFamily::Avr);
        ShowMissingPorts();
    });
}

QWidget* CLearnBoardPanel::BuildLogicTab() {
    auto* tab = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(tab);
    auto* row = new QHBoxLayout;
    trace_ = new QPushButton(Utf8(t::kStartTrace), tab);
    traceState_ = new QLabel(tab);
    row->addWidget(trace_);
    row->addWidget(traceState_, 1);
    layout->addLayout(row);
    logic_ = new CLogicView(tab);
    layout->addWidget(logic_, 1);
    connect(trace_, &QPushButton::clicked, this, &CLearnBoardPanel::ToggleTrace);
    return tab;
}

void CLearnBoardPanel::SetFamily(ChipFamily family) {
    if (wiring_->layout().family != family) wiring_->SetFamily(family);
}

void CLearnBoardPanel::SetChip(const BoardChip& chip) {
    chip_ = chip;
    SetFamily(chip.family);
    ShowMissingPorts();
}

void CLearnBoardPanel::ShowMissingPorts() {
    const BoardLayout& layout = wiring_->layout();
    std::set<std::string> missing;
    for (const PartWire& wire : layout.wires) {
        if (!wire.pin || chip_.family != layout.family || chip_.ports.empty()) continue;
        // The chip's own port names: "PORTA" or "P0".
        std::string port = chip_.family == ChipFamily::Avr ? "PORT?" : "P?";
        port.back() = static_cast<char>((chip_.family == ChipFamily::Avr ? 'A' : '0') + wire.pin->port);
        if (std::find(chip_.ports.begin(), chip_.ports.end(), port) == chip_.ports.end())
            missing.insert(port);
    }
    QStringList names;
    for (const std::string& port : missing) names << QString::fromStdString(port);
    missing_->setText(
        missing.empty() ? QString()
                        : Utf8(t::kMissingPorts)
                              .arg(QString::fromStdString(chip_.name), names.join(Utf8(t::kPortSeparator))));
    missing_->setAccessibleName(missing_->text());
    missing_->setVisible(!missing.empty());
}

void CLearnBoardPanel::ShowFault(const QString& text) {
    fault_->setText(text);
    fault_->setAccessibleName(text);
    fault_->setVisible(!text.isEmpty());
}

std::vector<TraceChannel> CLearnBoardPanel::WiredPins() const {
    const BoardLayout& layout = wiring_->layout();
    std::set<BoardPin> pins;
    for (const PartWire& wire : layout.wires)
        if (wire.pin) pins.insert(*wire.pin);
    std::vector<TraceChannel> channels;
    for (const BoardPin& pin : pins) channels.push_back({PinText(layout.family, pin), pin});
    return channels;
}

void CLearnBoardPanel::ToggleTrace() {
    tracing_ = !tracing_;
    trace_->setText(Utf8(tracing_ ? t::kStopTrace : t::kStartTrace));
    if (tracing_) {
        const std::vector<TraceChannel> channels = WiredPins();
        traceState_->setText(Utf8(t::kTracing).arg(channels.size()));
        board_.StartTrace(channels);
        return;
    }
    board_.StopTrace();
    traceState_->clear();
    if (std::optional<LogicTrace> trace = board_.Trace()) logic_->SetTrace(std::move(*trace), board_.now());
}

}  // namespace viz
