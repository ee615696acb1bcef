#include "board/parts/LedRow.h"

#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

// Below this share of a frame an LED's glow is too faint to call it lit.
constexpr double kVisible = 0.05;

}  // namespace

LedRow::LedRow() : meter_(kLeds) {}

void LedRow::Update(std::uint8_t levels, SimNanos at) {
    for (int led = 0; led < kLeds; ++led)
        meter_.Set(static_cast<std::size_t>(led), !((levels >> led) & 1), at);
}

const char* LedRow::StateText(int led) const {
    return Brightness(led) >= kVisible ? parts_texts::kLit : parts_texts::kDark;
}

}  // namespace viz
