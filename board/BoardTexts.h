#pragma once

// The virtual board's texts (UTF-8), window and logic alike, in one place.
namespace viz::texts::board {

// Window.
inline constexpr char kTitle[] = "虚拟开发板";
inline constexpr char kSetupGroup[] = "开发板";
inline constexpr char kChip[] = "芯片：";
inline constexpr char kClock[] = "时钟：";
inline constexpr char kChipName[] = "芯片";
// The ATmega328P that starts in a serial bootloader, for downloads to the board.
inline constexpr char kBootloaderChip[] = "ATmega328P（带串口引导程序）";
inline constexpr char kMegahertz[] = "MHz";
inline constexpr char kFirmware[] = "固件：";
inline constexpr char kWizardCode[] = "当前向导代码";
inline constexpr char kFirmwareFile[] = "文件";
inline constexpr char kBrowse[] = "浏览…";
inline constexpr char kStart[] = "启动";
inline constexpr char kStop[] = "停止";
inline constexpr char kReset[] = "复位";
inline constexpr char kOutputGroup[] = "输出";
inline constexpr char kPinsGroup[] = "引脚";
inline constexpr char kFileDialogTitle[] = "选择固件文件";
inline constexpr char kMcs51Filter[] = "8051固件 (*.ihx *.hex *.c)";
inline constexpr char kAvrFilter[] = "AVR固件 (*.elf *.hex *.c)";
inline constexpr char kAnyFileFilter[] = "所有文件 (*)";
inline constexpr char kClockName[] = "时钟频率（MHz）";
inline constexpr char kFileName[] = "固件文件路径";
inline constexpr char kStatusName[] = "开发板状态";
inline constexpr char kPinHigh[] = "高";
inline constexpr char kPinLow[] = "低";
inline constexpr char kPinUnknown[] = "未知";
// Lamps time a pin by the chip's own clock, which a busy machine slows.
inline constexpr char kPinInterval[] = "，翻转间隔%1毫秒（模拟时间）";

// States, shown in the status line.
inline constexpr char kIdle[] = "未启动";
inline constexpr char kBuilding[] = "正在编译…";
inline constexpr char kStarting[] = "正在启动模拟器…";
inline constexpr char kRunning[] = "运行中，串口：%1";
inline constexpr char kRunningSlow[] = "运行中，串口：%1；模拟速度 %2%，慢于实际时间";
inline constexpr char kHalted[] = "程序停止";
inline constexpr char kStopped[] = "已停止";
inline constexpr char kBuildFailed[] = "编译失败";
inline constexpr char kBadFirmware[] = "固件无效";
inline constexpr char kToolsMissing[] = "缺少所需的程序";
inline constexpr char kSimulatorEnded[] = "模拟器意外退出";
inline constexpr char kStartFailed[] = "模拟器无法启动";
inline constexpr char kBadClock[] = "时钟频率无效：请输入大于0的MHz数，例如11.0592";
inline constexpr char kNoFile[] = "请先选择固件文件";
inline constexpr char kNoWizardCode[] = "没有可用的向导代码";
inline constexpr char kUnknownChip[] = "模拟器不支持芯片%1";

// Output area lines.
inline constexpr char kBuildCommand[] = "编译：";
inline constexpr char kSimulatorCommand[] = "启动模拟器：";
inline constexpr char kEndedWith[] = "模拟器意外退出（%s），最后的输出：";
inline constexpr char kStartFailedWith[] = "无法启动%s：%s";
inline constexpr char kHaltedAt[] = "固件在地址%s处停止运行";
inline constexpr char kMissingTool[] = "缺少%s：请安装软件包%s";
inline constexpr char kMissingRunner[] = "缺少AVR模拟程序duvezer-avrsim：请重新安装duvezer软件包";
inline constexpr char kTimer1On8052[] =
    "注意：s51的8052模型用定时器1产生的波特率是设定值的两倍（不管SMOD）；用定时器1作波特率发生器的程序请选择8"
    "051\n";

}  // namespace viz::texts::board
