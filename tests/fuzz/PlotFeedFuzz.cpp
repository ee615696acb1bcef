// libFuzzer target: any bytes a link can bring, through the plot's line
// parser and sample ring. Built and run by scripts/fuzz.sh (clang).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "plot/PlotFuzzDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A small ring, so wrapping is reached quickly.
    viz::PlotFeed feed(64);
    viz::testing::DrivePlotFeed(data, size, feed);
    if (const std::string broken = viz::testing::PlotFeedBroken(feed); !broken.empty()) {
        std::fprintf(stderr, "plot broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
