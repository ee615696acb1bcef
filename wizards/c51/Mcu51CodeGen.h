#pragma once

#include <string>

namespace viz {

class Mcu51Model;

// The whole C source for the wizard's current image: a comment header with
// the machine frequency and numbered configuration mistakes, main() with
// the register set-up, and one empty routine per enabled interrupt. UTF-8,
// every line ending in CR LF. Timer reloads are computed again before their
// routines are written, which may log an overflow sentence.
std::string BuildMcu51Code(Mcu51Model& model);

}  // namespace viz
