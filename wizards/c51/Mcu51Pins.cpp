#include "wizards/c51/Mcu51Pins.h"

namespace viz {

namespace {

struct PinFunction {
    bool (*enabled)(const Mcu51Image&);
    int port;
    std::uint8_t bits;
    const char* sentence;
};

constexpr PinFunction kFunctions[] = {
    // Receiving or the serial interrupt means the serial port is in use.
    {[](const Mcu51Image& i) { return (i.SCON & 0x10) != 0 || (i.IE & 0x10) != 0; }, 3, 0x03,
     "串行口已启用：P3.0(RXD)、P3.1(TXD)已置1，否则串口无法收发！"},
    {[](const Mcu51Image& i) { return (i.IE & 0x01) != 0; }, 3, 0x04,
     "外部中断0已启用：P3.2(INT0)已置1，否则无法检测INT0引脚！"},
    {[](const Mcu51Image& i) { return (i.TMOD & 0x08) != 0; }, 3, 0x04,
     "定时器/计数器0门控已开启：P3.2(INT0)已置1，否则定时器/计数器0无法运行！"},
    {[](const Mcu51Image& i) { return (i.IE & 0x04) != 0; }, 3, 0x08,
     "外部中断1已启用：P3.3(INT1)已置1，否则无法检测INT1引脚！"},
    {[](const Mcu51Image& i) { return (i.TMOD & 0x80) != 0; }, 3, 0x08,
     "定时器/计数器1门控已开启：P3.3(INT1)已置1，否则定时器/计数器1无法运行！"},
    {[](const Mcu51Image& i) { return (i.TMOD & 0x04) != 0; }, 3, 0x10,
     "定时器/计数器0为计数器：P3.4(T0)已置1，否则无法对外部脉冲计数！"},
    {[](const Mcu51Image& i) { return (i.TMOD & 0x40) != 0; }, 3, 0x20,
     "定时器/计数器1为计数器：P3.5(T1)已置1，否则无法对外部脉冲计数！"},
    // T2CON bit 6 counts on T2, bit 0 captures on T2EX.
    {[](const Mcu51Image& i) { return (i.T2CON & 0x41) != 0; }, 1, 0x03,
     "定时器/计数器2为计数器或捕获模式：P1.0(T2)、P1.1(T2EX)已置1，否则无法输入外部信号！"},
};

}  // namespace

std::vector<PinNeed> PinsSetForFunctions(const Mcu51Image& image) {
    std::vector<PinNeed> needs;
    std::array<std::uint8_t, 4> ports = image.port;
    for (const PinFunction& function : kFunctions) {
        if (!function.enabled(image)) continue;
        const auto missing = static_cast<std::uint8_t>(function.bits & ~ports[function.port]);
        if (missing == 0) continue;
        ports[function.port] |= missing;
        needs.push_back(PinNeed{function.port, missing, function.sentence});
    }
    return needs;
}

std::array<std::uint8_t, 4> PortOutputs(const Mcu51Image& image) {
    std::array<std::uint8_t, 4> ports = image.port;
    for (const PinNeed& need : PinsSetForFunctions(image)) ports[need.port] |= need.bits;
    return ports;
}

}  // namespace viz
