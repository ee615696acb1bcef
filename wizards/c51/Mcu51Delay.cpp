#include "wizards/c51/Mcu51Delay.h"

#include <cstdio>

namespace viz {

namespace {

constexpr int kMaxCount = 254;

}  // namespace

std::int64_t DelayCycles(const DelayLoops& loops) {
    return 2 + std::int64_t{loops.i} * (std::int64_t{loops.j} * (2 * loops.k + 3) + 3);
}

std::optional<std::int32_t> DelayTargetCycles(std::int32_t micros, std::uint32_t frequency) {
    const auto scale = static_cast<float>(static_cast<double>(frequency) / 12000000.0);
    const float cycles = static_cast<float>(micros) * scale;
    // Outside this range the conversion to an integer is undefined.
    if (!(cycles > -2147483648.0f && cycles < 2147483648.0f)) return std::nullopt;
    return static_cast<std::int32_t>(cycles);
}

std::optional<DelayLoops> FindDelayLoops(std::int32_t targetCycles) {
    // For fixed k and j the cost grows by at least 8 cycles per outer loop,
    // so at most one i lands within one cycle of the target: it can be found
    // by division instead of trying all 254, which keeps the search at 64516
    // steps with the same outcome as visiting every triple in order.
    std::optional<DelayLoops> nearHit;
    const std::int64_t target = targetCycles;
    for (int k = 1; k <= kMaxCount; ++k) {
        for (int j = 1; j <= kMaxCount; ++j) {
            const std::int64_t perOuter = std::int64_t{j} * (2 * k + 3) + 3;
            for (const std::int64_t offset : {0, -1, 1}) {
                const std::int64_t wanted = target + offset - 2;
                if (wanted < perOuter || wanted % perOuter != 0) continue;
                const std::int64_t i = wanted / perOuter;
                if (i > kMaxCount) continue;
                const DelayLoops loops{static_cast<int>(i), j, k};
                if (offset == 0) return loops;
                nearHit = loops;
            }
        }
    }
    return nearHit;
}

std::optional<std::string> BuildDelayCode(std::int32_t micros, std::uint32_t frequency) {
    const std::optional<std::int32_t> target = DelayTargetCycles(micros, frequency);
    if (!target) return std::nullopt;
    const std::optional<DelayLoops> loops = FindDelayLoops(*target);
    if (!loops) return std::nullopt;
    char text[512];
    std::snprintf(text, sizeof text,
                  "//延时时间：%d微秒\r\n\r\n"
                  "void Delay(void)\r\n"
                  "{\r\n"
                  "  unsigned char i,j,k;\r\n"
                  " \r\n"
                  "  for(i=%d;i>0;i--)\r\n"
                  "     for(j=%d;j>0;j--)\r\n"
                  "        for(k=%d;k>0;k--);\r\n"
                  "}\r\n",
                  micros, loops->i, loops->j, loops->k);
    return std::string(text);
}

}  // namespace viz
