#include "board/learn/WiringTable.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <vector>

#include "board/learn/LearnTexts.h"
#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

namespace t = texts::learn;

enum Column { kPart, kSignal, kPin };

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

BoardLayout BuiltIn(ChipFamily family) {
    return family == ChipFamily::Avr ? AtMega16LearningBoard() : Mcs51LearningBoard();
}

// The saved form's board value ("8051", "avr") names the board's section.
std::string BoardKey(const BoardLayout& layout) {
    return SaveLayout(layout).at("board");
}

QString PartName(const std::string& part) {
    static const std::vector<std::pair<std::string_view, const char*>> kNames{
        {part::kLeds, t::kPartLeds},     {part::kKeys, t::kPartKeys}, {part::kKeypad, t::kPartKeypad},
        {part::kDigits, t::kPartDigits}, {part::kLcd, t::kPartLcd},   {part::kBuzzer, t::kPartBuzzer},
        {part::kPot, t::kPartPot}};
    for (const auto& [key, name] : kNames)
        if (key == part) return Utf8(name);
    return QString::fromStdString(part);
}

}  // namespace

CWiringTable::CWiringTable(SettingsStore& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    setWindowTitle(Utf8(t::kWiringTitle));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* boardLabel = new QLabel(Utf8(t::kWiringBoard), this);
    board_ = new QComboBox(this);
    board_->addItem(Utf8(t::kMcs51Board));
    board_->addItem(Utf8(t::kAvrBoard));
    board_->setAccessibleName(Utf8(t::kWiringBoardName));
    boardLabel->setBuddy(board_);
    restore_ = new QPushButton(Utf8(t::kRestoreWiring), this);
    top->addWidget(boardLabel);
    top->addWidget(board_);
    top->addStretch();
    top->addWidget(restore_);
    layout->addLayout(top);
    layout->addLayout(BuildDigitOptions());

    table_ = new QTableWidget(0, 3, this);
    table_->setHorizontalHeaderLabels({Utf8(t::kPartColumn), Utf8(t::kSignalColumn), Utf8(t::kPinColumn)});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setAccessibleName(Utf8(t::kWiringTableName));
    layout->addWidget(table_, 1);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(status_);

    connect(board_, &QComboBox::currentIndexChanged, this,
            [this](int index) { SetFamily(index == 1 ? ChipFamily::Avr : ChipFamily::Mcs51); });
    connect(table_, &QTableWidget::itemChanged, this, &CWiringTable::PinEdited);
    connect(restore_, &QPushButton::clicked, this, &CWiringTable::Restore);
    SetFamily(ChipFamily::Mcs51);
}

QLayout* CWiringTable::BuildDigitOptions() {
    auto* row = new QHBoxLayout;
    auto addChoice = [&](const char* label, const char* name, std::initializer_list<const char*> items) {
        auto* caption = new QLabel(Utf8(label), this);
        auto* box = new QComboBox(this);
        for (const char* item : items) box->addItem(Utf8(item));
        box->setAccessibleName(Utf8(name));
        caption->setBuddy(box);
        row->addWidget(caption);
        row->addWidget(box);
        connect(box, &QComboBox::currentIndexChanged, this, &CWiringTable::DigitOptionChanged);
        return box;
    };
    common_ = addChoice(t::kDigitsCommon, t::kDigitsCommonName, {t::kCommonCathode, t::kCommonAnode});
    select_ = addChoice(t::kDigitsSelect, t::kDigitsSelectName, {t::kSelectDecoder, t::kSelectDirect});
    row->addStretch();
    return row;
}

void CWiringTable::DigitOptionChanged() {
    if (filling_) return;
    layout_.digits.commonAnode = common_->currentIndex() == 1;
    layout_.digits.decoderSelect = select_->currentIndex() == 0;
    Save();
    emit layoutChanged(layout_);
}

void CWiringTable::SetFamily(ChipFamily family) {
    const QSignalBlocker block(board_);
    board_->setCurrentIndex(family == ChipFamily::Avr ? 1 : 0);
    status_->clear();
    layout_ = Load(family);
    Fill();
    emit layoutChanged(layout_);
}

BoardLayout CWiringTable::Load(ChipFamily family) {
    const BoardLayout builtIn = BuiltIn(family);
    std::map<std::string, std::string> form = SaveLayout(builtIn);
    std::vector<std::string> names;
    for (const auto& entry : form)
        if (entry.first != "board") names.push_back(entry.first);
    std::map<std::string, std::string> saved;
    if (settings_.ReadBoardWiring(BoardKey(builtIn), names, saved) != kSettingsOk) return builtIn;
    for (auto& [name, value] : saved) form[name] = value;
    std::string problem;
    if (std::optional<BoardLayout> loaded = LoadLayout(form, &problem)) return *loaded;
    status_->setText(Utf8(parts_texts::kLayoutUnreadable) + QString::fromStdString(problem));
    return builtIn;
}

void CWiringTable::Save() {
    if (settings_.WriteBoardWiring(BoardKey(layout_), SaveLayout(layout_)) != kSettingsOk)
        status_->setText(Utf8(t::kWiringNotSaved));
}

void CWiringTable::Fill() {
    filling_ = true;
    common_->setCurrentIndex(layout_.digits.commonAnode ? 1 : 0);
    select_->setCurrentIndex(layout_.digits.decoderSelect ? 0 : 1);
    table_->setRowCount(static_cast<int>(layout_.wires.size()));
    int row = 0;
    for (const PartWire& wire : layout_.wires) {
        auto* part = new QTableWidgetItem(PartName(wire.part));
        auto* signal = new QTableWidgetItem(QString::fromStdString(wire.signal));
        auto* pin = new QTableWidgetItem(wire.pin ? QString::fromStdString(PinText(layout_.family, *wire.pin))
                                                  : QString());
        for (QTableWidgetItem* fixed : {part, signal}) fixed->setFlags(fixed->flags() & ~Qt::ItemIsEditable);
        pin->setToolTip(wire.pin ? QString() : Utf8(t::kNotConnected));
        table_->setItem(row, kPart, part);
        table_->setItem(row, kSignal, signal);
        table_->setItem(row, kPin, pin);
        ++row;
    }
    filling_ = false;
}

void CWiringTable::PinEdited(QTableWidgetItem* item) {
    if (filling_ || item->column() != kPin) return;
    const auto row = static_cast<std::size_t>(item->row());
    if (row >= layout_.wires.size()) return;
    PartWire& wire = layout_.wires[row];
    const QString text = item->text().trimmed();
    std::optional<BoardPin> pin;
    if (!text.isEmpty()) {
        pin = ParsePin(text.toStdString());
        if (!pin) {
            status_->setText(Utf8(t::kBadPin).arg(text));
            filling_ = true;
            item->setText(wire.pin ? QString::fromStdString(PinText(layout_.family, *wire.pin)) : QString());
            filling_ = false;
            return;
        }
    }
    status_->clear();
    layout_.SetPin(wire.part, wire.signal, pin);
    // The item is being committed: change its text, never replace it.
    filling_ = true;
    item->setText(pin ? QString::fromStdString(PinText(layout_.family, *pin)) : QString());
    item->setToolTip(pin ? QString() : Utf8(t::kNotConnected));
    filling_ = false;
    Save();
    emit layoutChanged(layout_);
}

void CWiringTable::Restore() {
    layout_ = BuiltIn(layout_.family);
    status_->clear();
    Fill();
    Save();
    emit layoutChanged(layout_);
}

}  // namespace viz
