// duvezer-avrsim: the virtual board's AVR runner. The board window starts it
// as
//   duvezer-avrsim --report-fd 3 -m atmega16 -f 8000000 firmware.elf
// and reads its report lines (board/AvrSimProtocol.h) from descriptor 3; a
// chip with a serial bootloader, with or without an application, as
//   duvezer-avrsim --report-fd 3 --control-fd 4 --bootloader boot.hex -m atmega328p -f 16000000 [app.hex]
// takes commands such as "reset" on descriptor 4;
//   duvezer-avrsim --list
// writes the parts it knows to standard output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "avrsim/AvrRunner.h"

namespace {

int Usage() {
    std::fprintf(
        stderr,
        "usage: duvezer-avrsim --list\n"
        "       duvezer-avrsim [--report-fd N] [--control-fd N] -m PART -f HZ FIRMWARE\n"
        "       duvezer-avrsim [--report-fd N] [--control-fd N] --bootloader HEX -m PART -f HZ [FIRMWARE]\n");
    return 2;
}

}  // namespace

// The simulator library keeps its cores for the whole run, as it should.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_options() {
    return "detect_leaks=0";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer: libsimavr keeps the chip and what its ELF
// reader read for the life of the process, which ends with it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsimavr.so\n";
}
#endif

int main(int argc, char** argv) {
    viz::avrsim::RunnerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--list") {
            viz::avrsim::ListParts(1);
            return 0;
        } else if (option == "--report-fd" && hasValue) {
            options.reportFd = std::atoi(argv[++i]);
        } else if (option == "--control-fd" && hasValue) {
            options.controlFd = std::atoi(argv[++i]);
        } else if (option == "--bootloader" && hasValue) {
            options.bootloader = argv[++i];
        } else if (option == "-m" && hasValue) {
            options.core = argv[++i];
        } else if (option == "-f" && hasValue) {
            options.frequency = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (option.empty() || option[0] == '-' || !options.firmware.empty()) {
            return Usage();
        } else {
            options.firmware = option;
        }
    }
    if (options.core.empty() || options.frequency == 0 ||
        (options.firmware.empty() && options.bootloader.empty()))
        return Usage();
    return viz::avrsim::RunFirmware(options);
}
