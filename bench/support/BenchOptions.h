#pragma once

#include <cstdlib>
#include <cstring>

namespace bench {

// The number after the last "--name" among the command line's "--name value"
// pairs, or `fallback` when the option is not given.
inline long long NumberOption(int argc, char** argv, const char* name, long long fallback) {
    long long value = fallback;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], name) == 0) value = std::strtoll(argv[i + 1], nullptr, 10);
    }
    return value;
}

}  // namespace bench
