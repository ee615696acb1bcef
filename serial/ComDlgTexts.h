#pragma once

// Texts of the serial debug page. The channel's own messages (open failures,
// a lost device) live in SerialTexts.h.
namespace viz::texts::comdlg {

// Groups and labels
inline constexpr char16_t kConfigGroup[] = u"串口配置";
inline constexpr char16_t kPortLabel[] = u"端口：";
inline constexpr char16_t kBaudLabel[] = u"波特率：";
inline constexpr char16_t kDataBitsLabel[] = u"数据位：";
inline constexpr char16_t kStopBitsLabel[] = u"停止位：";
inline constexpr char16_t kParityLabel[] = u"校验：";
inline constexpr char16_t kOpenPort[] = u"打开串口";
inline constexpr char16_t kClosePort[] = u"关闭串口";
inline constexpr char16_t kAutoReconnect[] = u"自动重连";
inline constexpr char16_t kVirtualBoard[] = u"虚拟开发板";
inline constexpr char16_t kVirtualBoardTip[] =
    u"打开虚拟开发板窗口：在模拟的8051或AVR上运行固件，它的串口出现在端口列表中";
inline constexpr char16_t kDownload[] = u"下载程序";
inline constexpr char16_t kDownloadTip[] =
    u"打开下载程序窗口，填好本页的端口和波特率；下载期间本页暂时关闭该串口，下载结束后自动重新打开";
inline constexpr char16_t kLineControlGroup[] = u"线路控制";
inline constexpr char16_t kLineStateGroup[] = u"线路状态（只读）";
inline constexpr char16_t kDtr[] = u"DTR";
inline constexpr char16_t kRts[] = u"RTS";
inline constexpr char16_t kBreak[] = u"BREAK";
inline constexpr char16_t kCts[] = u"CTS";
inline constexpr char16_t kDsr[] = u"DSR";
inline constexpr char16_t kRing[] = u"RING";
inline constexpr char16_t kRlsd[] = u"RLSD";
inline constexpr char16_t kHelperGroup[] = u"辅助";
inline constexpr char16_t kMonitor[] = u"伪串口监视";
inline constexpr char16_t kSend[] = u"发送";
inline constexpr char16_t kMoreSend[] = u"多项发送";

// Names read out by screen readers where the label alone is not enough
inline constexpr char16_t kLampClosed[] = u"串口状态：已关闭";
inline constexpr char16_t kLampOpen[] = u"串口状态：已打开";
inline constexpr char16_t kLampWaiting[] = u"串口状态：等待设备重新连接";
inline constexpr char16_t kPeriodName[] = u"连续发送周期（毫秒）";

// Lists
inline constexpr const char16_t* kBaudRates[] = {u"1200",  u"2400",  u"4800",  u"9600",   u"14400", u"19200",
                                                 u"38400", u"56000", u"57600", u"115200", u"194000"};
inline constexpr const char16_t* kDataBits[] = {u"5", u"6", u"7", u"8"};
inline constexpr const char16_t* kStopBits[] = {u"1", u"2"};
inline constexpr const char16_t* kParities[] = {u"NONE", u"ODD", u"EVEN"};

// Field contents at start

// Receive and send areas
inline constexpr char16_t kReceiveCounts[] = u"接收区：已接收%d字节，速度%d字节/秒，";
inline constexpr char16_t kReceiveInitialTitle[] =
    u"接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kReceiveResetTitle[] = u"接收区：已接收0字节";
inline constexpr char16_t kCaptureFile[] = u"串口数据接收记录.txt";
inline constexpr char16_t kCaptureSaved[] = u"保存串口数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kOutputFile[] = u"串口数据输出记录.txt";
inline constexpr char16_t kSendCounts[] = u"发送区：已发送%d字节";
inline constexpr char16_t kSendInitialTitle[] =
    u"发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）";
inline constexpr char16_t kSendResetTitle[] = u"发送区：已发送0字节";
inline constexpr char16_t kProgressTitle[] = u"串口发送文件进度";
// A port that went away while open and is waited for; %1 is the path reopened.
inline constexpr char16_t kWaitingForDevice[] = u"\r\n串口已断开，等待设备重新连接…";
inline constexpr char16_t kReconnected[] = u"\r\n串口已重新连接：%1\r\n";
// The download window's tool took the open port, and gave it back.
inline constexpr char16_t kHandedToDownload[] = u"\r\n——正在下载程序，串口已暂时关闭——\r\n";
inline constexpr char16_t kBackFromDownload[] = u"\r\n——下载结束，串口已重新打开——\r\n";
// Once per send the port has stopped taking for a long while; the send goes on.
inline constexpr char16_t kSendStalled[] = u"\r\n发送阻塞：对方未读取数据或硬件流控阻止发送\r\n";
inline constexpr char16_t kNotes[] =
    u"\r\n\r\nDuvezer注意事项：\r\n\r\n1：请不要让防火墙拦截该软件，否则其不能正常检测更新或进行网络调试\r\n"
    u"\r\n"
    u"2：该软件具备很多人性化功能，如自动保存当前配置、多项发送、双击保存数据记录、端口监视等\r\n\r\n"
    u"3：谢谢大家使用本软件，你们的支持就是我的动力\r\n\r\n\r\n";

// Windows opened from the page
inline constexpr char16_t kMonitorTitle[] = u"伪串口监视器";
inline constexpr char16_t kMoreSendTitle[] = u"串口多项发送";

// Tool tips
inline constexpr char16_t kTipOpen[] = u"打开或关闭串口";
inline constexpr char16_t kTipAutoReconnect[] =
    u"若勾选：串口设备被拔出后等待其重新连接，并以相同设置自动重新打开\r\n不勾选：设备被拔出时关闭串口";
inline constexpr char16_t kTipPort[] = u"注意：这里显示的是没有被占用的串口";
inline constexpr char16_t kTipBaud[] = u"波特率";
inline constexpr char16_t kTipDataBits[] = u"数据位";
inline constexpr char16_t kTipStopBits[] = u"停止位";
inline constexpr char16_t kTipParity[] = u"串口数据校验方式";
inline constexpr char16_t kTipMonitor[] = u"注意：启用伪监视窗口，仅支持本软件";
inline constexpr char16_t kTipSend[] = u"若串口已打开，则发送数据";
inline constexpr char16_t kTipMoreSend[] =
    u"多项发送能够自定义多项发送数据，根据需要自行发送，并具有保存数据和载入数据，是一个非常实用的功能";
inline constexpr char16_t kTipDtr[] = u"数据终端准备";
inline constexpr char16_t kTipRts[] = u"请求发送";
inline constexpr char16_t kTipBreak[] = u"设置串口为中断状态";
inline constexpr char16_t kTipCts[] = u"清除发送";
inline constexpr char16_t kTipDsr[] = u"数据设备准备好";
inline constexpr char16_t kTipRing[] = u"振铃指示";
inline constexpr char16_t kTipRlsd[] = u"接收线信号检测";

}  // namespace viz::texts::comdlg
