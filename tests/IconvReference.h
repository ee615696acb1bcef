#pragma once

#include <iconv.h>

#include <string>

namespace viz::testing {

// A direct iconv conversion for reference values, independent of the
// product's own code page layer. Returns an empty string on any failure.
inline std::string IconvConvert(const std::string& input, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

inline std::string Gbk(const std::string& utf8) { return IconvConvert(utf8, "UTF-8", "CP936"); }

}  // namespace viz::testing
