#include "wizards/avr/AvrUartWizard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace viz {
namespace {

constexpr char kActualBaud[] = "实际波特率：%u（误差%+.1f%%）";
constexpr char kActualBaudTooFar[] = "实际波特率：%u（误差%+.1f%%，超过2%%，通信可能出错！）";

std::string Hex2(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::uint32_t LeadingDecimal(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

Ubrr ComputeUbrr(std::uint32_t frequency, std::uint32_t baud) {
    constexpr std::uint64_t kLargest = 4095;
    std::uint64_t u = kLargest;
    if (baud != 0) {
        const std::uint64_t clocksPerBit = std::uint64_t{16} * baud;
        const std::uint64_t divisor = (frequency + clocksPerBit / 2) / clocksPerBit;
        u = std::min(divisor == 0 ? 0 : divisor - 1, kLargest);
    }
    Ubrr ubrr{static_cast<std::uint32_t>(u >> 8), static_cast<std::uint32_t>(u & 0xFF)};
    ubrr.actualBaud = static_cast<double>(frequency) / (16.0 * static_cast<double>(u + 1));
    ubrr.errorPercent = baud == 0 ? 0 : (ubrr.actualBaud - baud) * 100.0 / baud;
    return ubrr;
}

std::string UbrrLabel(const Ubrr& ubrr) {
    char actual[160];
    std::snprintf(actual, sizeof actual, ubrr.acceptable() ? kActualBaud : kActualBaudTooFar,
                  static_cast<unsigned>(std::lround(ubrr.actualBaud)), ubrr.errorPercent);
    return "UBRRH=0x" + Hex2(ubrr.high) + ";\r\nUBRRL=0x" + Hex2(ubrr.low) + ";\r\n" + actual;
}

std::string AvrUartProgram(const Ubrr& ubrr) {
    std::string code;
    code += "//开发环境：WinAVR\r\n";
    code += "//硬件平台：ATMEGA16\r\n\r\n";
    code += "#include <avr/io.h>\r\n";
    code += "#include <avr/interrupt.h>\r\n";
    // UARTSendByte takes a UCHAR, which neither header defines.
    code += "typedef unsigned char UCHAR;\r\n";
    code += "\r\n\r\n";
    code += "void UARTInit(void)\r\n{\r\n\r\n";
    code += "  UCSRA=0x00;//USART控制和状态寄存器A清零\r\n";
    code += "  UCSRB=0x98;//RXCIE=1,RXEN=1,TXEN=1\r\n";
    code += "  UCSRC=0x86;//URSEL=1,UCSZ1=1,UCSZ0=1\r\n";
    code += "  UBRRH=0x" + Hex2(ubrr.high) + ";\r\n";
    code += "  UBRRL=0x" + Hex2(ubrr.low) + ";\r\n";
    code += "\r\n}\r\n\r\n";
    code += "void UARTSendByte(UCHAR ucByte)\r\n{\r\n";
    code += "  while (!(UCSRA & (1 <<5)));     // 等待发送寄存器空\r\n";
    code += "  UDR    = ucByte;                // 发送数据\r\n";
    code += "}\r\n\r\n\r\n";
    code += "int main(void)\r\n{\r\n  UARTInit();\r\n  sei();\r\n\r\n\r\n";
    code += "  while(1)\r\n  {\r\n\r\n     //添加你的代码\r\n\r\n  }\r\n\r\n}\r\n\r\n\r\n";
    // The receive-complete vector under the name current avr-libc accepts.
    code += "ISR(USART_RXC_vect)\r\n{\r\n  UARTSendByte(UDR);\r\n}\r\n";
    return code;
}

}  // namespace viz
