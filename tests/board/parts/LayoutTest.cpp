// The learning board's wiring: the built-in layouts and the saved form.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board/parts/BoardLayout.h"

namespace viz {
namespace {

TEST(BoardLayout, SavedFormGivesBackEveryWireAndOptionOfAnyLayout) {
    BoardLayout changed = AtMega16LearningBoard();
    ASSERT_TRUE(changed.SetPin(part::kBuzzer, "BZ", BoardPin{3, 6}));
    ASSERT_TRUE(changed.SetPin(part::kLcd, "D0", std::nullopt));
    ASSERT_TRUE(changed.SetPin(part::kDigits, "DIG3", BoardPin{0, 7}));
    EXPECT_FALSE(changed.SetPin(part::kBuzzer, "BZ2", BoardPin{3, 6})) << "no such signal";
    EXPECT_FALSE(changed.SetPin(part::kBuzzer, "BZ", BoardPin{4, 0})) << "no such port";
    EXPECT_FALSE(changed.SetPin(part::kBuzzer, "BZ", BoardPin{3, 8})) << "no such bit";
    changed.digits = {true, false, false, true};
    changed.lcdClockHertz = 250000;

    for (const BoardLayout& layout : {Mcs51LearningBoard(), AtMega16LearningBoard(), changed}) {
        const auto saved = SaveLayout(layout);
        std::string problem;
        const auto loaded = LoadLayout(saved, &problem);
        ASSERT_TRUE(loaded) << problem;
        EXPECT_EQ(*loaded, layout);
        EXPECT_EQ(SaveLayout(*loaded), saved);
    }
    const auto saved = SaveLayout(changed);
    EXPECT_EQ(saved.at("buzzer.BZ"), "PD6");
    EXPECT_EQ(saved.at("lcd.D0"), "");
    EXPECT_EQ(saved.at("pot.ADC"), "PA0");
    EXPECT_EQ(SaveLayout(Mcs51LearningBoard()).at("lcd.E"), "P2.7");
}

TEST(BoardLayout, RefusesASavedFormItCannotReadAndSaysWhichKey) {
    const auto good = SaveLayout(Mcs51LearningBoard());
    const std::pair<const char*, const char*> faults[] = {
        {"lcd.E", "P4.1"},      {"lcd.E", "P2.8"},     {"led.D1", "PX1"},  {"board", "z80"},
        {"digits.common", "x"}, {"digits.select", ""}, {"lcd.clock", "0"}, {"lcd.clock", "270k"},
    };
    for (const auto& [key, value] : faults) {
        auto saved = good;
        saved[key] = value;
        std::string problem;
        EXPECT_FALSE(LoadLayout(saved, &problem)) << key << "=" << value;
        EXPECT_EQ(problem, std::string("无法读取学习板接线：") + key);
    }
    auto missingBoard = good;
    missingBoard.erase("board");
    EXPECT_FALSE(LoadLayout(missingBoard, nullptr));
    auto extra = good;
    extra["later.feature"] = "on";
    EXPECT_EQ(LoadLayout(extra, nullptr), Mcs51LearningBoard()) << "unknown keys are left out";
}

TEST(BoardLayout, BuiltInBoardsWireEveryPartToPinsTheChipHas) {
    for (const BoardLayout& layout : {Mcs51LearningBoard(), AtMega16LearningBoard()}) {
        std::set<std::pair<std::string, BoardPin>> used;
        for (const PartWire& wire : layout.wires) {
            // Direct digit select is the alternative the user may wire.
            if (wire.signal.rfind("DIG", 0) == 0) {
                EXPECT_FALSE(wire.pin) << wire.signal;
                continue;
            }
            ASSERT_TRUE(wire.pin) << wire.part << "." << wire.signal;
            EXPECT_LT(wire.pin->port, kBoardPorts);
            EXPECT_LT(wire.pin->bit, 8);
            EXPECT_TRUE(used.insert({wire.part, *wire.pin}).second) << "two signals of one part on one pin";
            EXPECT_EQ(ParsePin(PinText(layout.family, *wire.pin)), wire.pin);
        }
    }
    const BoardLayout avr = AtMega16LearningBoard();
    for (const PartWire& wire : avr.wires) {
        if (!wire.pin) continue;
        EXPECT_FALSE(wire.pin->port == 3 && wire.pin->bit < 2) << wire.signal << " on the UART's pins";
        EXPECT_EQ(wire.part == part::kPot, *wire.pin == (BoardPin{0, 0}))
            << "ADC0 is the potentiometer's alone";
    }
    EXPECT_FALSE(Mcs51LearningBoard().Pin(part::kPot, "ADC")) << "the 8051 board has no potentiometer";
}

TEST(BoardPin, ReadsBothFamiliesSpellings) {
    EXPECT_EQ(ParsePin("P1.5"), (BoardPin{1, 5}));
    EXPECT_EQ(ParsePin("pb3"), (BoardPin{1, 3}));
    EXPECT_EQ(ParsePin("PD7"), (BoardPin{3, 7}));
    for (const char* bad : {"", "P1", "P15", "P1.", "P1.55", "PE0", "P4.0", "Q1.1", "PA9"})
        EXPECT_FALSE(ParsePin(bad)) << bad;
    EXPECT_EQ(PinText(ChipFamily::Mcs51, {3, 2}), "P3.2");
    EXPECT_EQ(PinText(ChipFamily::Avr, {0, 0}), "PA0");
}

}  // namespace
}  // namespace viz
