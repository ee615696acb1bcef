#include "board/learn/LearnBoardView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "board/learn/LearnParts.h"
#include "board/learn/LearnTexts.h"
#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

namespace t = texts::learn;

constexpr int kPotSteps = 1000;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Updates a control's state text only when it changed, so a screen reader
// is not told the same state every frame.
void SetState(QWidget* widget, const QString& state) {
    if (widget->accessibleDescription() != state) widget->setAccessibleDescription(state);
}

}  // namespace

CLearnBoardView::CLearnBoardView(SharedBoard& board, QWidget* parent) : QWidget(parent), board_(board) {
    setWindowTitle(Utf8(t::kBoardTitle));
    // Not the tab's own name "学习板", so the two can be told apart.
    setAccessibleName(Utf8(t::kBoardPictureName));
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildOutputs());
    auto* inputs = new QHBoxLayout;
    inputs->addWidget(BuildKeys());
    inputs->addWidget(BuildKeypad());
    layout->addLayout(inputs);
    layout->addWidget(BuildPot());
    SetSupply(vccMillivolts_, board_.layout().family == ChipFamily::Avr);

    frame_ = new QTimer(this);
    // A coarse timer may fire up to 5 % late.
    frame_->setTimerType(Qt::PreciseTimer);
    frame_->setInterval(kFrameMs);
    connect(frame_, &QTimer::timeout, this, &CLearnBoardView::Refresh);
    frame_->start();
    Refresh();
}

QWidget* CLearnBoardView::BuildOutputs() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    lcd_ = new CLcdView(box);
    digits_ = new CDigitsView(box);
    grid->addWidget(lcd_, 0, 0);
    grid->addWidget(digits_, 0, 1);

    auto* ledRow = new QHBoxLayout;
    ledRow->addWidget(new QLabel(Utf8(t::kLedsGroup), box));
    for (std::size_t i = 0; i < leds_.size(); ++i) {
        leds_[i] = new CLedLamp(static_cast<int>(i) + 1, box);
        ledRow->addWidget(leds_[i]);
    }
    ledRow->addStretch();
    buzzer_ = new QLabel(box);
    buzzer_->setAccessibleName(Utf8(t::kBuzzerName));
    ledRow->addWidget(buzzer_);
    grid->addLayout(ledRow, 1, 0, 1, 2);
    return box;
}

QWidget* CLearnBoardView::BuildKeys() {
    auto* group = new QGroupBox(Utf8(t::kKeysGroup), this);
    auto* row = new QHBoxLayout(group);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const int key = static_cast<int>(i);
        keys_[i] = new QPushButton(QStringLiteral("K%1").arg(key + 1), group);
        keys_[i]->setAccessibleName(Utf8(t::kKeyName).arg(key + 1));
        keys_[i]->setAccessibleDescription(Utf8(parts_texts::kReleased));
        connect(keys_[i], &QPushButton::pressed, this, [this, key] { board_.PressKey(key, true); });
        connect(keys_[i], &QPushButton::released, this, [this, key] { board_.PressKey(key, false); });
        row->addWidget(keys_[i]);
    }
    return group;
}

QWidget* CLearnBoardView::BuildKeypad() {
    auto* group = new QGroupBox(Utf8(t::kKeypadGroup), this);
    auto* grid = new QGridLayout(group);
    for (int row = 0; row < Keypad::kSize; ++row) {
        for (int column = 0; column < Keypad::kSize; ++column) {
            auto* button =
                new QPushButton(QStringLiteral("S%1").arg(row * Keypad::kSize + column + 1), group);
            button->setAccessibleName(Utf8(t::kKeypadName).arg(row + 1).arg(column + 1));
            button->setAccessibleDescription(Utf8(parts_texts::kReleased));
            connect(button, &QPushButton::pressed, this,
                    [this, row, column] { board_.PressKeypad(row, column, true); });
            connect(button, &QPushButton::released, this,
                    [this, row, column] { board_.PressKeypad(row, column, false); });
            grid->addWidget(button, row, column);
            keypad_[static_cast<std::size_t>(row * Keypad::kSize + column)] = button;
        }
    }
    return group;
}

QWidget* CLearnBoardView::BuildPot() {
    potRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(potRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(Utf8(t::kPotLabel), potRow_));
    pot_ = new QSlider(Qt::Horizontal, potRow_);
    pot_->setRange(0, kPotSteps);
    pot_->setValue(static_cast<int>(board_.Snapshot(vccMillivolts_).inputs.potFraction * kPotSteps));
    pot_->setAccessibleName(Utf8(t::kPotName));
    connect(pot_, &QSlider::valueChanged, this,
            [this](int value) { board_.SetPot(static_cast<double>(value) / kPotSteps); });
    row->addWidget(pot_, 1);
    potValue_ = new QLabel(potRow_);
    row->addWidget(potValue_);
    return potRow_;
}

void CLearnBoardView::SetSupply(std::uint32_t vccMillivolts, bool hasPot) {
    vccMillivolts_ = vccMillivolts;
    potRow_->setVisible(hasPot);
    inputsShown_ = false;
}

void CLearnBoardView::Refresh() {
    const BoardSnapshot shot = board_.Snapshot(vccMillivolts_);
    for (std::size_t i = 0; i < leds_.size(); ++i) leds_[i]->Show(shot.leds.glow[i], shot.leds.lit[i]);
    digits_->Show(shot.digits);
    lcd_->Show(shot.lcd);
    const QString buzzer = QString::fromStdString(shot.buzzer);
    if (buzzer_->accessibleDescription() != buzzer) {
        buzzer_->setAccessibleDescription(buzzer);
        buzzer_->setText(Utf8(t::kBuzzerLabel) + buzzer);
    }
    if (inputsShown_ && shot.inputs == inputs_) return;
    inputsShown_ = true;
    inputs_ = shot.inputs;
    for (std::size_t i = 0; i < keys_.size(); ++i)
        SetState(keys_[i], Utf8(inputs_.keys[i] ? parts_texts::kPressed : parts_texts::kReleased));
    for (std::size_t i = 0; i < keypad_.size(); ++i)
        SetState(keypad_[i],
                 Utf8((inputs_.keypad >> i) & 1 ? parts_texts::kPressed : parts_texts::kReleased));
    const QString pot = QString::fromStdString(shot.pot);
    potValue_->setText(pot);
    SetState(pot_, pot);
}

int CLearnBoardView::KeyOf(const QKeyEvent* event) {
    const int key = event->key();
    return key >= Qt::Key_1 && key <= Qt::Key_4 ? key - Qt::Key_1 : -1;
}

void CLearnBoardView::keyPressEvent(QKeyEvent* event) {
    const int key = KeyOf(event);
    if (key < 0) return QWidget::keyPressEvent(event);
    if (!event->isAutoRepeat()) board_.PressKey(key, true);
    event->accept();
}

void CLearnBoardView::keyReleaseEvent(QKeyEvent* event) {
    const int key = KeyOf(event);
    if (key < 0) return QWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) board_.PressKey(key, false);
    event->accept();
}

}  // namespace viz
