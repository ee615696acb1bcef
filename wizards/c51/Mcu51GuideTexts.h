#pragma once

#include <array>

// The 8051 code wizard page's own texts (the log sentences live with the model).
namespace viz::mcu51text {

inline constexpr std::array<const char*, 8> kBitHeaders = {"7", "6", "5", "4", "3", "2", "1", "0"};
inline constexpr std::array<const char*, 4> kPortFormats = {"P0=0x%1", "P1=0x%1", "P2=0x%1", "P3=0x%1"};

inline constexpr char kGlobalInterruptBox[] = "全局中断";
inline constexpr std::array<const char*, 6> kInterruptBoxes = {"外部中断0",   "定时器0中断", "外部中断1",
                                                               "定时器1中断", "串行口中断",  "定时器2中断"};
inline constexpr char kHighPriority[] = "高优先级";
inline constexpr std::array<const char*, 2> kTriggerItems = {"0:电平触发", "1:边沿触发"};

inline constexpr std::array<const char*, 3> kTimerRows = {"T0", "T1", "T2"};
inline constexpr std::array<const char*, 4> kTimer0ModeItems = {
    "0:13位定时器/计数器", "1:16位定时器/计数器", "2:8位自动重载定时器/计数器", "3:2个8位定时器/计数器"};
inline constexpr std::array<const char*, 4> kTimer1ModeItems = {
    "0:13位定时器/计数器", "1:16位定时器/计数器", "2:8位自动重载定时器/计数器", "3:波特率发生器"};
inline constexpr std::array<const char*, 3> kTimer2ModeItems = {"0:16位重载", "1:16位捕捉", "2:波特率发生器"};
inline constexpr std::array<const char*, 2> kCounterItems = {"0:定时器", "1:计数器"};
inline constexpr char kCountHeader[] = "计数值";
inline constexpr char kMicroUnit[] = "us";
inline constexpr char kGate[] = "门控开";
inline constexpr char kRun[] = "运行";

inline constexpr char kSerialModeLabel[] = "工作方式：";
inline constexpr std::array<const char*, 4> kSerialModeItems = {"0:8位移位寄存器", "1:8位可变波特率",
                                                                "2:9位固定波特率", "3:9位可变波特率"};
inline constexpr char kBaudLabel[] = "波特率：";
inline constexpr std::array<const char*, 5> kSerialBoxes = {"允许接收", "多机通信", "发送数据第9位",
                                                            "接收数据第9位", "波特率倍增"};

inline constexpr char kCrystalLabel[] = "晶振：";
inline constexpr char kMegahertz[] = "MHz";
inline constexpr char kSpeedLabel[] = "倍速：";
inline constexpr char kPowerLabel[] = "功耗模式：";
inline constexpr std::array<const char*, 3> kPowerItems = {"正常运行", "空闲模式", "掉电模式"};
inline constexpr char kDelayLabel[] = "软件延时：";
inline constexpr char kDelayUnit[] = "微秒";
inline constexpr char kDelayStart[] = "1000";

inline constexpr char kViewCode[] = "浏览向导代码";
inline constexpr char kViewDelay[] = "浏览延时代码";
inline constexpr char kSaveCode[] = "输出为C文件";
inline constexpr char kExportKeil[] = "输出为Keil工程";
inline constexpr char kViewCodeTip[] = "通过新窗口方式来预览向导生成的代码";
inline constexpr char kViewDelayTip[] = "通过新窗口方式来预览软件延时代码";
inline constexpr char kSaveCodeTip[] = "将向导代码输出为*.c文件，并保存到当前目录";
inline constexpr char kExportKeilTip[] = "将向导代码输出为Keil工程";
inline constexpr char kRunOnBoard[] = "在虚拟开发板中运行";
inline constexpr char kRunOnBoardTip[] =
    "用SDCC编译向导代码，在虚拟开发板（s51）上以所选晶振运行，并用串口调试页连接它";

inline constexpr char kDownloadToChip[] = "下载到芯片";
inline constexpr char kDownloadToChipTip[] =
    "用SDCC编译向导代码（与虚拟开发板相同），在下载程序窗口中把它写入芯片";

inline constexpr char kCompilerLabel[] = "编译器：";
inline constexpr char kCompilerName[] = "编译器";
// In the order of Mcu51Compiler, which is also the stored value.
inline constexpr std::array<const char*, 2> kCompilerItems = {"Keil C51", "SDCC"};
inline constexpr char kExportSdcc[] = "输出为SDCC工程";
inline constexpr char kExportSdccTip[] = "将向导代码输出为SDCC工程（main.c和Makefile，用make编译）";

inline constexpr char kLogGroup[] = "警告与建议（双击文本框清空记录）";
inline constexpr char kRegisterGroup[] = "特殊功能寄存器";
// Register labels in their order on the page; RCAP2H and RCAP2L have always
// been labelled RCAPTH2 and RCAPTL2.
inline constexpr std::array<const char*, 13> kRegisterNames = {
    "TCON", "TMOD", "T2CON", "PCON", "TH0", "TL0", "TH1", "TL1", "RCAPTH2", "RCAPTL2", "IE", "IP", "SCON"};

inline constexpr char kCodeViewTitle[] = "C51单片机代码预览";

inline constexpr char kCodeSaved[] = "输出C文件成功，名称：C51GuideView.c";
inline constexpr char kCodeSaveFailed[] = "输出C文件失败：无法写入当前目录下的C51GuideView.c！";
inline constexpr char kProjectFailed[] = "创建M51Project.Uv2文件失败！";
inline constexpr char kOptionsFailed[] = "创建M51Project.Opt文件失败！";
inline constexpr char kStartupFailed[] = "创建STARTUP.A51文件失败！";
inline constexpr char kMainFailed[] = "创建main.c文件失败！";
inline constexpr char kKeilDone[] = "Keil工程M51Project创建成功！";
inline constexpr char kMakefileFailed[] = "创建Makefile文件失败！";
inline constexpr char kSdccDone[] = "SDCC工程M51SdccProject创建成功！";
inline constexpr char kDelayFailed[] =
    "计算软件延时精度不足，解决方法如下：\r\n\r\n1：请选择常用的晶振如12MHz、24MHz等，尽量不要选择特殊晶振！"
    "\r\n\r\n2："
    "请检查软件延时是否过小或过大！\r\n\r\n";

}  // namespace viz::mcu51text
