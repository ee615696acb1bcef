#pragma once

#include <array>

// What the 8051 wizard writes into its log box, one sentence per change.
namespace viz::mcu51text {

// A check box's sentence when its bit becomes set, and when it becomes clear.
struct SwitchSentences {
    const char* set;
    const char* cleared;
};

inline constexpr SwitchSentences kGlobalInterrupt{"全局中断已开启！", "全局中断已关闭！"};
inline constexpr std::array<SwitchSentences, 6> kInterruptEnable = {{
    {"允许外部中断0触发中断！", "禁止外部中断0触发中断！"},
    {"允许定时器/计数器0触发中断！", "禁止定时器/计数器0触发中断！"},
    {"允许外部中断1触发中断！", "禁止外部中断1触发中断！"},
    {"允许定时器/计数器1触发中断！", "禁止定时器/计数器1触发中断！"},
    {"允许串行口触发中断！", "禁止串行口触发中断！"},
    {"允许定时器/计数器2触发中断！", "禁止定时器/计数器2触发中断！"},
}};
inline constexpr std::array<SwitchSentences, 6> kInterruptPriority = {{
    {"外部中断0中断响应为高优先级！", "外部中断0中断响应为低优先级！"},
    {"定时器/计数器0中断响应为高优先级！", "定时器/计数器0中断响应为低优先级！"},
    {"外部中断1中断响应为高优先级！", "外部中断1中断响应为低优先级！"},
    {"定时器/计数器1中断响应为高优先级！", "定时器/计数器1中断响应为低优先级！"},
    {"串口中断响应为高优先级！", "串口中断响应为低优先级！"},
    {"定时器/计数器2中断响应为高优先级！", "定时器/计数器2中断响应为低优先级！"},
}};
inline constexpr std::array<SwitchSentences, 3> kTimerRun = {{
    {"定时器/计数器0运行！", "定时器/计数器0停止！"},
    {"定时器/计数器1运行！", "定时器/计数器1停止！"},
    {"定时器/计数器2运行！", "定时器/计数器2停止！"},
}};
inline constexpr std::array<SwitchSentences, 2> kTimerGate = {{
    {"门控开启，定时器/计数器0将受到双重控制，即要求TR0和INT0同时为高！", "门控禁止！"},
    {"门控开启，定时器/计数器1将受到双重控制，即要求TR1和INT1同时为高！", "门控禁止！"},
}};
inline constexpr SwitchSentences kSerialReceive{"串口允许接收", "串口禁止接收"};
inline constexpr SwitchSentences kMultiprocessor{"串口允许多机通信", "串口禁止多机通信"};
inline constexpr SwitchSentences kTransmitBit9{"串口允许发送第9位", "串口禁止发送第9位"};
inline constexpr SwitchSentences kReceiveBit9{"串口允许接收第9位", "串口禁止接收第9位"};
inline constexpr SwitchSentences kDoubleBaud{"串口波特率倍增[注意：只适合用于定时器/计数器1]",
                                             "串口波特率不倍增"};

// External interrupt trigger, by interrupt then list index.
inline constexpr std::array<std::array<const char*, 2>, 2> kTrigger = {{
    {"外部中断0触发方式为低电平触发！", "外部中断0触发方式为下降沿触发！"},
    {"外部中断1触发方式为低电平触发！", "外部中断1触发方式为下降沿触发！"},
}};

inline constexpr std::array<const char*, 3> kTimer0Modes = {
    "定时器/计数器0为13位定时器/计数器",
    "定时器/计数器0为16位定时器/计数器",
    "定时器/计数器0为8位自动重载定时器/计数器",
};
// Mode 3 of timer 0 explains itself in three sentences.
inline constexpr std::array<const char*, 3> kTimer0Split = {
    "定时器/计数器0为2个8位定时器/计数器[注意：只有将定时器/计数器1用作串行口的波特率发生器时，定时器/"
    "计数器0才工作在方式3，以便增加一个定时器/计数器]",
    "定时器/计数器0的TL0将占用定时器/计数器0在TCON和TMOD寄存器中的控制位和标志位",
    "定时器/计数器0的TH0将占用定时器/计数器1在TCON和TMOD寄存器中的控制位和标志位",
};
inline constexpr std::array<const char*, 4> kTimer1Modes = {
    "定时器/计数器1为13位定时器/计数器",
    "定时器/计数器1为16位定时器/计数器",
    "定时器/计数器1为8位自动重载定时器/计数器",
    "定时器/计数器1为波特率发生器",
};
inline constexpr std::array<const char*, 3> kTimer2Modes = {
    "定时器/计数器2为16位重载",
    "定时器/计数器2为16位捕获",
    "定时器/计数器2为波特率发生器",
};
inline constexpr char kTimer1BaudNotCounter[] = "定时器/计数器1已被设置为波特率发生器，不能够为计数器模式！";
// This one has always carried its own line break.
inline constexpr char kTimer2BaudNotCounter[] =
    "定时器/计数器2已被设置为波特率发生器，不能够为计数器模式！\r\n";
// printf formats by BaudMiss: the baud rate asked for, the rate the reload
// really gives, the error in per cent and the fastest rate of the clock.
inline constexpr std::array<const char*, 4> kInaccurateBaudFormats = {
    "当前时钟无法准确产生%u波特率：实际%u，误差%+.1f%%，当前时钟最高只能产生%"
    "u波特率，请降低波特率或提高倍速！",
    "未开启波特率倍增，无法准确产生%u波特率：实际%u，误差%+.1f%%，请勾选“波特率倍增”！",
    "当前晶振无法准确产生%u波特率：实际%u，误差%+.1f%%，建议使用11.0592MHz或22.1184MHz晶振，或降低波特率！",
    "当前时钟无法准确产生%u波特率：实际%u，误差%+.1f%%"
    "，该波特率不能由常用晶振整数分频得到，请选用其它波特率！",
};
// printf format: the reload timer 1 takes when "波特率倍增" is clicked.
inline constexpr char kDoubledReloadFormat[] = "定时器/计数器1的波特率重载值随之改为TH1=TL1=0x%02X";
inline constexpr char kTimer1CounterNotBaud[] = "定时器/计数器1已被设置为计数器模式，不能够为波特率发生器！";
inline constexpr char kTimer2CounterNotBaud[] = "定时器/计数器2已被设置为计数器模式，不能够为波特率发生器！";

// Counter/timer choice, by timer then {timer, counter}.
inline constexpr std::array<std::array<const char*, 2>, 3> kCounterChoice = {{
    {"定时器/计数器0工作模式为：定时器", "定时器/计数器0工作模式为：计数器"},
    {"定时器/计数器1工作模式为：定时器", "定时器/计数器1工作模式为：计数器"},
    {"定时器/计数器2工作模式为：定时器", "定时器/计数器2工作模式为：计数器"},
}};

inline constexpr std::array<const char*, 3> kOverflow = {
    "定时器/计数器0计数值已溢出！",
    "定时器/计数器1计数值已溢出！",
    "定时器/计数器2计数值已溢出！",
};

inline constexpr std::array<const char*, 4> kSerialModes = {
    "串口工作方式为8位移位寄存器",
    "串口工作方式为8位可变波特率",
    "串口工作方式为9位固定波特率",
    "串口工作方式为9位可变波特率",
};
// Followed directly by the chosen rate, such as 9600.
inline constexpr char kBaudPrefix[] = "串口波特率设置为";
// printf format with the machine frequency in Hz.
inline constexpr char kCrystalFormat[] = "MCU外接晶振频率：%uHz，相关的定时器/计数器将被刷新！";
inline constexpr std::array<const char*, 5> kSpeed = {
    "MCU运行速度提高12倍，相关的定时器/计数器将被刷新！", "MCU运行速度提高6倍，相关的定时器/计数器将被刷新！",
    "MCU运行速度提高3倍，相关的定时器/计数器将被刷新！",  "MCU运行速度提高2倍，相关的定时器/计数器将被刷新！",
    "MCU运行速度保持不变，相关的定时器/计数器将被刷新！",
};
inline constexpr std::array<const char*, 3> kPowerModes = {
    "单片机正常运行！",
    "单片机工作在空闲模式！[注意：任何中断都可以唤醒]",
    "单片机工作在掉电模式！[注意：只有外部中断0中断才能唤醒]",
};

}  // namespace viz::mcu51text
