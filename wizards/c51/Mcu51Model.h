#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "wizards/c51/Mcu51Image.h"
#include "wizards/c51/Mcu51Log.h"
#include "wizards/c51/Mcu51Timing.h"

namespace viz {

// The wizard's check boxes other than the port bits; each click flips one bit.
enum class Mcu51Switch {
    GlobalInterrupt,
    Ext0Interrupt,
    Timer0Interrupt,
    Ext1Interrupt,
    Timer1Interrupt,
    SerialInterrupt,
    Timer2Interrupt,
    Ext0Priority,
    Timer0Priority,
    Ext1Priority,
    Timer1Priority,
    SerialPriority,
    Timer2Priority,
    Timer0Run,
    Timer1Run,
    Timer2Run,
    Timer0Gate,
    Timer1Gate,
    SerialReceive,
    Multiprocessor,
    TransmitBit9,
    ReceiveBit9,
    DoubleBaud,
};

// The register image together with the rules the wizard page applies on
// every click and selection: which bits change, which reloads are computed
// again and which sentences are logged, in which order. List indices are
// those of the page's lists; an index a list cannot have is ignored.
class Mcu51Model {
public:
    const Mcu51Image& image() const { return image_; }
    Mcu51Log& log() { return log_; }
    const Mcu51Log& log() const { return log_; }

    void TogglePortBit(int port, int bit);
    // The box's state is the bit itself, so a click always flips exactly one
    // bit. "波特率倍增" also recomputes timer 1's baud reload, whichever was
    // clicked first.
    void Toggle(Mcu51Switch box);
    bool IsSet(Mcu51Switch box) const;

    void SelectTrigger(int interrupt, int index);
    void SelectTimer0Mode(int index);
    void SelectTimer1Mode(int index);
    void SelectTimer2Mode(int index);
    // index 1 makes the timer count external pulses, anything else time.
    void SelectCounter(int timer, int index);
    void SelectSerialMode(int index);
    void SelectBaud(int index);
    void SelectCrystal(int index);
    void SelectSpeed(int index);
    void SelectPowerMode(int index);

    // An edit's text changed; an empty edit changes nothing.
    void SetCountText(int timer, std::string_view text);

    // Computes the timer's reload bytes from its count time, mode and F;
    // logs an overflow sentence when they do not fit.
    void RecomputeTimer(int timer);

    // True when the timer counts external pulses (its count has no time unit).
    bool IsCounter(int timer) const;

    // The rate timer 1 or 2 really gives the serial port against the chosen
    // one, from the registers the code writes; nothing when the timer is not
    // the baud generator.
    std::optional<BaudAccuracy> BaudAccuracyOf(int timer) const;
    // For a baud generator more than 2 % off: the rate asked for, the rate it
    // gives, the error and what to change; nothing when it is close enough.
    std::optional<std::string> BaudWarning(int timer) const;

    int crystalIndex() const { return crystalIndex_; }
    int speedIndex() const { return speedIndex_; }
    int baudIndex() const { return baudIndex_; }

private:
    // The mode changes without the baud warning, which a clock change gives
    // once, after the baud step.
    void ApplyTimer1Mode(int index);
    void ApplyTimer2Mode(int index);
    void WarnIfBaudInaccurate(int timer);
    void FollowDoubling();
    void RecomputeTimer01(int timer);
    void RecomputeTimer2();
    void UpdateFrequency();
    void RefreshAfterClockChange();
    void Log(std::string_view sentence) { log_.Append(sentence); }

    Mcu51Image image_;
    Mcu51Log log_;
    int crystalIndex_ = kDefaultCrystalIndex;
    int speedIndex_ = kDefaultSpeedIndex;
    int baudIndex_ = kDefaultBaudIndex;
};

}  // namespace viz
