#pragma once

#include <string>

namespace viz {

class Mcu51Model;

// The compilers the code is written for; they differ in the register header
// and in how an interrupt routine is declared.
enum class Mcu51Compiler { Keil, Sdcc };

// The whole C source for the wizard's current image: a comment header with
// the machine frequency and numbered configuration mistakes, main() with
// the register set-up, and one empty routine per enabled interrupt. UTF-8,
// every line ending in CR LF. Timer reloads are computed again before their
// routines are written, which may log an overflow sentence.
std::string BuildMcu51Code(Mcu51Model& model, Mcu51Compiler compiler = Mcu51Compiler::Keil);

}  // namespace viz
