#pragma once

// "学习板": the learning board's picture, drawn from a SharedBoard at most 30
// times a second (only the parts that changed), with its inputs: keys K1-K4
// held while the mouse button is down (or while 1-4 is held with the board
// focused), the 4x4 keypad, and the potentiometer on AVR boards.
//
//   SharedBoard shared(Mcs51LearningBoard());
//   auto* view = new CLearnBoardView(shared, parent);   // refreshes itself
//   view->lcd()->accessibleDescription() -> "Hello, Duvezer\n"

#include <QWidget>

#include <array>
#include <cstdint>

#include "board/parts/SharedBoard.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace viz {

class CDigitsView;
class CLcdView;
class CLedLamp;

class CLearnBoardView : public QWidget {
    Q_OBJECT

public:
    // Over 30 frames a second with room for a late timer tick.
    static constexpr int kFrameMs = 30;

    CLearnBoardView(SharedBoard& board, QWidget* parent);

    // The potentiometer's top, and whether the board has one (AVR boards).
    void SetSupply(std::uint32_t vccMillivolts, bool hasPot);
    // Takes a snapshot and redraws what changed; the frame timer calls it.
    void Refresh();

    CLedLamp* led(int index) const { return leds_[static_cast<std::size_t>(index)]; }
    QPushButton* key(int index) const { return keys_[static_cast<std::size_t>(index)]; }
    QPushButton* keypadKey(int row, int column) const {
        return keypad_[static_cast<std::size_t>(row * 4 + column)];
    }
    CDigitsView* digits() const { return digits_; }
    CLcdView* lcd() const { return lcd_; }
    QLabel* buzzer() const { return buzzer_; }
    QSlider* pot() const { return pot_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QWidget* BuildOutputs();
    QWidget* BuildKeys();
    QWidget* BuildKeypad();
    QWidget* BuildPot();
    // The key 1-4 stands for, or -1.
    static int KeyOf(const QKeyEvent* event);

    SharedBoard& board_;
    std::uint32_t vccMillivolts_ = 5000;
    std::array<CLedLamp*, 8> leds_{};
    std::array<QPushButton*, 4> keys_{};
    std::array<QPushButton*, 16> keypad_{};
    CDigitsView* digits_ = nullptr;
    CLcdView* lcd_ = nullptr;
    QLabel* buzzer_ = nullptr;
    QWidget* potRow_ = nullptr;
    QSlider* pot_ = nullptr;
    QLabel* potValue_ = nullptr;
    QTimer* frame_ = nullptr;
    InputsSnapshot inputs_;
    bool inputsShown_ = false;
};

}  // namespace viz
