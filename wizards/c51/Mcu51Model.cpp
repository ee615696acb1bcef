#include "wizards/c51/Mcu51Model.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "wizards/c51/Mcu51Sentences.h"
#include "wizards/c51/Mcu51Timing.h"

namespace viz {

namespace {

using mcu51text::SwitchSentences;

struct SwitchBit {
    std::uint8_t Mcu51Image::*reg;
    std::uint8_t mask;
    SwitchSentences sentences;
};

// In the order of Mcu51Switch.
constexpr SwitchBit kSwitchBits[] = {
    {&Mcu51Image::IE, 0x80, mcu51text::kGlobalInterrupt},
    {&Mcu51Image::IE, 0x01, mcu51text::kInterruptEnable[0]},
    {&Mcu51Image::IE, 0x02, mcu51text::kInterruptEnable[1]},
    {&Mcu51Image::IE, 0x04, mcu51text::kInterruptEnable[2]},
    {&Mcu51Image::IE, 0x08, mcu51text::kInterruptEnable[3]},
    {&Mcu51Image::IE, 0x10, mcu51text::kInterruptEnable[4]},
    {&Mcu51Image::IE, 0x20, mcu51text::kInterruptEnable[5]},
    {&Mcu51Image::IP, 0x01, mcu51text::kInterruptPriority[0]},
    {&Mcu51Image::IP, 0x02, mcu51text::kInterruptPriority[1]},
    {&Mcu51Image::IP, 0x04, mcu51text::kInterruptPriority[2]},
    {&Mcu51Image::IP, 0x08, mcu51text::kInterruptPriority[3]},
    {&Mcu51Image::IP, 0x10, mcu51text::kInterruptPriority[4]},
    {&Mcu51Image::IP, 0x20, mcu51text::kInterruptPriority[5]},
    {&Mcu51Image::TCON, 0x10, mcu51text::kTimerRun[0]},
    {&Mcu51Image::TCON, 0x40, mcu51text::kTimerRun[1]},
    {&Mcu51Image::T2CON, 0x04, mcu51text::kTimerRun[2]},
    {&Mcu51Image::TMOD, 0x08, mcu51text::kTimerGate[0]},
    {&Mcu51Image::TMOD, 0x80, mcu51text::kTimerGate[1]},
    {&Mcu51Image::SCON, 0x10, mcu51text::kSerialReceive},
    {&Mcu51Image::SCON, 0x20, mcu51text::kMultiprocessor},
    {&Mcu51Image::SCON, 0x08, mcu51text::kTransmitBit9},
    {&Mcu51Image::SCON, 0x04, mcu51text::kReceiveBit9},
    {&Mcu51Image::PCON, 0x80, mcu51text::kDoubleBaud},
};
static_assert(std::size(kSwitchBits) == static_cast<std::size_t>(Mcu51Switch::DoubleBaud) + 1);

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

}  // namespace

void Mcu51Model::TogglePortBit(int port, int bit) {
    if (!InRange(port, 4) || !InRange(bit, 8)) return;
    image_.port[port] ^= static_cast<std::uint8_t>(1u << bit);
}

void Mcu51Model::Toggle(Mcu51Switch box) {
    const SwitchBit& entry = kSwitchBits[static_cast<int>(box)];
    std::uint8_t& reg = image_.*entry.reg;
    reg ^= entry.mask;
    Log((reg & entry.mask) != 0 ? entry.sentences.set : entry.sentences.cleared);
    if (box == Mcu51Switch::DoubleBaud) FollowDoubling();
}

void Mcu51Model::FollowDoubling() {
    if (image_.mode[1] != 3) return;
    image_.TH1 = image_.TL1 = Timer1BaudReload(image_.frequency, image_.baud, (image_.PCON & 0x80) != 0);
    char sentence[128];
    std::snprintf(sentence, sizeof sentence, mcu51text::kDoubledReloadFormat,
                  static_cast<unsigned>(image_.TH1));
    Log(sentence);
    WarnIfBaudInaccurate(1);
}

bool Mcu51Model::IsSet(Mcu51Switch box) const {
    const SwitchBit& entry = kSwitchBits[static_cast<int>(box)];
    return (image_.*entry.reg & entry.mask) != 0;
}

void Mcu51Model::SelectTrigger(int interrupt, int index) {
    if (!InRange(interrupt, 2) || !InRange(index, 2)) return;
    const std::uint8_t mask = interrupt == 0 ? 0x01 : 0x04;
    if (index == 1) {
        image_.TCON |= mask;
    } else {
        image_.TCON &= static_cast<std::uint8_t>(~mask);
    }
    Log(mcu51text::kTrigger[interrupt][index]);
}

void Mcu51Model::SelectTimer0Mode(int index) {
    if (!InRange(index, 4)) return;
    image_.TMOD &= 0xFC;
    image_.mode[0] = index;
    image_.TMOD |= static_cast<std::uint8_t>(index);
    if (index == 3) {
        for (const char* sentence : mcu51text::kTimer0Split) Log(sentence);
    } else {
        Log(mcu51text::kTimer0Modes[index]);
    }
    RecomputeTimer(0);
}

void Mcu51Model::SelectTimer1Mode(int index) {
    ApplyTimer1Mode(index);
    if (index == 3) WarnIfBaudInaccurate(1);
}

void Mcu51Model::ApplyTimer1Mode(int index) {
    if (!InRange(index, 4)) return;
    image_.TMOD &= 0xCF;
    image_.mode[1] = index;
    if (index == 1) image_.TMOD |= 0x10;
    // The baud generator is timer 1 in its 8-bit reload mode.
    if (index == 2 || index == 3) image_.TMOD |= 0x20;
    if (index == 3) {
        // It takes the serial port back from timer 2.
        image_.T2CON &= 0xCF;
        image_.TH1 = image_.TL1 = Timer1BaudReload(image_.frequency, image_.baud, (image_.PCON & 0x80) != 0);
    }
    Log(mcu51text::kTimer1Modes[index]);
    if (index != 3) RecomputeTimer(1);
    if (index == 3 && (image_.TMOD & 0x40) != 0) Log(mcu51text::kTimer1BaudNotCounter);
}

void Mcu51Model::SelectTimer2Mode(int index) {
    ApplyTimer2Mode(index);
    if (index == 2) WarnIfBaudInaccurate(2);
}

void Mcu51Model::ApplyTimer2Mode(int index) {
    if (!InRange(index, 3)) return;
    image_.T2CON &= 0xCE;
    image_.mode[2] = index;
    if (index == 1) image_.T2CON |= 0x01;
    if (index == 2) {
        image_.T2CON |= 0x30;
        const TimerReload reload = Timer2BaudReload(image_.frequency, image_.baud);
        image_.RCAP2H = reload.high;
        image_.RCAP2L = reload.low;
    }
    Log(mcu51text::kTimer2Modes[index]);
    RecomputeTimer(2);
    if (index == 2 && (image_.T2CON & 0x40) != 0) Log(mcu51text::kTimer2BaudNotCounter);
}

void Mcu51Model::SelectCounter(int timer, int index) {
    if (!InRange(timer, 3) || !InRange(index, 2)) return;
    std::uint8_t& reg = timer == 2 ? image_.T2CON : image_.TMOD;
    const std::uint8_t mask = timer == 0 ? 0x04 : 0x40;
    if (index == 1) {
        reg |= mask;
    } else {
        reg &= static_cast<std::uint8_t>(~mask);
    }
    Log(mcu51text::kCounterChoice[timer][index]);
    if (timer == 0) return;
    RecomputeTimer(timer);
    if (timer == 1 && image_.mode[1] == 3 && (image_.TMOD & 0x40) != 0) {
        Log(mcu51text::kTimer1CounterNotBaud);
    }
    if (timer == 2 && image_.mode[2] == 2 && (image_.T2CON & 0x40) != 0) {
        Log(mcu51text::kTimer2CounterNotBaud);
    }
}

void Mcu51Model::SelectSerialMode(int index) {
    if (!InRange(index, 4)) return;
    image_.SCON &= 0x3F;
    image_.SCON |= static_cast<std::uint8_t>(index << 6);
    Log(mcu51text::kSerialModes[index]);
}

void Mcu51Model::SelectBaud(int index) {
    if (!InRange(index, kBaudCount)) return;
    baudIndex_ = index;
    Log(std::string(mcu51text::kBaudPrefix) + kBaudLabels[index]);
    image_.baud = static_cast<std::uint32_t>(ReadLeadingDecimal(kBaudLabels[index]));
    if (image_.mode[2] == 2) {
        const TimerReload reload = Timer2BaudReload(image_.frequency, image_.baud);
        image_.RCAP2H = reload.high;
        image_.RCAP2L = reload.low;
    }
    if (image_.mode[1] == 3) {
        image_.TH1 = image_.TL1 = Timer1BaudReload(image_.frequency, image_.baud, (image_.PCON & 0x80) != 0);
    }
    WarnIfBaudInaccurate(1);
    WarnIfBaudInaccurate(2);
}

void Mcu51Model::SelectCrystal(int index) {
    if (!InRange(index, kCrystalCount)) return;
    crystalIndex_ = index;
    UpdateFrequency();
    char sentence[128];
    std::snprintf(sentence, sizeof sentence, mcu51text::kCrystalFormat, image_.frequency);
    Log(sentence);
    RefreshAfterClockChange();
}

void Mcu51Model::SelectSpeed(int index) {
    speedIndex_ = InRange(index, kSpeedCount) ? index : kDefaultSpeedIndex;
    Log(mcu51text::kSpeed[speedIndex_]);
    UpdateFrequency();
    RefreshAfterClockChange();
}

void Mcu51Model::SelectPowerMode(int index) {
    if (!InRange(index, 3)) return;
    image_.PCON &= 0xFC;
    if (index == 1) image_.PCON |= 0x01;
    if (index == 2) image_.PCON |= 0x02;
    Log(mcu51text::kPowerModes[index]);
}

void Mcu51Model::SetCountText(int timer, std::string_view text) {
    if (!InRange(timer, 3) || text.empty()) return;
    image_.countTime[timer] = ReadLeadingDecimal(text);
    if (image_.countTime[timer] != 0) RecomputeTimer(timer);
}

void Mcu51Model::RecomputeTimer(int timer) {
    if (timer == 0 || timer == 1) RecomputeTimer01(timer);
    if (timer == 2) RecomputeTimer2();
}

bool Mcu51Model::IsCounter(int timer) const {
    if (timer == 0) return (image_.TMOD & 0x04) != 0;
    if (timer == 1) return (image_.TMOD & 0x40) != 0;
    return (image_.T2CON & 0x40) != 0;
}

std::optional<BaudAccuracy> Mcu51Model::BaudAccuracyOf(int timer) const {
    if (timer == 1 && image_.mode[1] == 3) {
        return CompareBaud(Timer1Baud(image_.frequency, image_.TH1, (image_.PCON & 0x80) != 0), image_.baud);
    }
    if (timer == 2 && image_.mode[2] == 2) {
        return CompareBaud(Timer2Baud(image_.frequency, {image_.RCAP2H, image_.RCAP2L}), image_.baud);
    }
    return std::nullopt;
}

std::optional<std::string> Mcu51Model::BaudWarning(int timer) const {
    const std::optional<BaudAccuracy> accuracy = BaudAccuracyOf(timer);
    if (!accuracy || accuracy->acceptable()) return std::nullopt;
    const BaudMiss cause = CauseOfBaudMiss(timer, image_.frequency, SpeedFactor(speedIndex_), image_.baud,
                                           (image_.PCON & 0x80) != 0);
    char sentence[384];
    std::snprintf(sentence, sizeof sentence,
                  mcu51text::kInaccurateBaudFormats[static_cast<std::size_t>(cause)], accuracy->requested,
                  static_cast<unsigned>(std::lround(accuracy->actual)), accuracy->errorPercent,
                  static_cast<unsigned>(std::lround(FastestBaud(timer, image_.frequency))));
    return sentence;
}

void Mcu51Model::WarnIfBaudInaccurate(int timer) {
    if (const std::optional<std::string> warning = BaudWarning(timer)) Log(*warning);
}

void Mcu51Model::RecomputeTimer01(int timer) {
    if (image_.countTime[timer] == 0) return;
    const std::uint64_t ticks = TimerTicks(image_.countTime[timer], image_.frequency);
    const int mode = image_.mode[timer];
    std::optional<TimerReload> reload;
    if (mode == 0) {
        reload = ReloadFor13Bit(ticks);
    } else if (mode == 1) {
        reload = ReloadFor16Bit(ticks);
    } else if (mode == 2 || (timer == 0 && mode == 3)) {
        reload = ReloadFor8BitAuto(ticks);
    } else {
        // Timer 1 as baud generator keeps the baud reload.
        image_.overflow[timer] = 0;
        return;
    }
    if (!reload) {
        image_.overflow[timer] = 1;
        Log(mcu51text::kOverflow[timer]);
        return;
    }
    (timer == 0 ? image_.TH0 : image_.TH1) = reload->high;
    (timer == 0 ? image_.TL0 : image_.TL1) = reload->low;
    image_.overflow[timer] = 0;
}

void Mcu51Model::RecomputeTimer2() {
    if (image_.countTime[2] == 0) return;
    if (image_.mode[2] == 2) {
        image_.overflow[2] = 0;
        return;
    }
    const std::optional<TimerReload> reload =
        ReloadFor16Bit(TimerTicks(image_.countTime[2], image_.frequency));
    if (!reload) {
        image_.overflow[2] = 1;
        Log(mcu51text::kOverflow[2]);
        return;
    }
    image_.RCAP2H = reload->high;
    image_.RCAP2L = reload->low;
    image_.overflow[2] = 0;
}

void Mcu51Model::UpdateFrequency() {
    image_.frequency = SpeedFactor(speedIndex_) * kCrystalHz[crystalIndex_];
}

void Mcu51Model::RefreshAfterClockChange() {
    SelectTimer0Mode(image_.mode[0]);
    ApplyTimer1Mode(image_.mode[1]);
    ApplyTimer2Mode(image_.mode[2]);
    SelectBaud(baudIndex_);
}

}  // namespace viz
