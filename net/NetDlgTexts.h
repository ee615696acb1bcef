#pragma once

// Texts of the network debug page: labels, tool tips, titles, file names,
// messages. The shared terminal components keep their own texts.
namespace viz::netdlg_texts {

// Groups and labels
inline constexpr char16_t kAddressGroup[] = u"目的IP地址";
inline constexpr char16_t kTcpGroup[] = u"TCP";
inline constexpr char16_t kUdpGroup[] = u"UDP";
inline constexpr char16_t kSourcePort[] = u"源端口：";
inline constexpr char16_t kDestPort[] = u"目的端口：";

// Names read out by screen readers where a label is shared by both links
inline constexpr char16_t kTcpSourcePortName[] = u"TCP源端口";
inline constexpr char16_t kTcpDestPortName[] = u"TCP目的端口";
inline constexpr char16_t kUdpSourcePortName[] = u"UDP源端口";
inline constexpr char16_t kUdpDestPortName[] = u"UDP目的端口";
inline constexpr char16_t kTcpPeriodName[] = u"TCP连续发送周期（毫秒）";
inline constexpr char16_t kUdpPeriodName[] = u"UDP连续发送周期（毫秒）";
inline constexpr char16_t kTcpTimeStampsName[] = u"TCP接收区时间戳";
inline constexpr char16_t kUdpTimeStampsName[] = u"UDP接收区时间戳";

// Buttons and boxes
inline constexpr char16_t kPing[] = u"PING";
// The lamps beside the open buttons, as read out.
inline constexpr char16_t kTcpLampOpen[] = u"TCP状态：已打开";
inline constexpr char16_t kTcpLampClosed[] = u"TCP状态：已关闭";
inline constexpr char16_t kUdpLampOpen[] = u"UDP状态：已打开";
inline constexpr char16_t kUdpLampClosed[] = u"UDP状态：已关闭";
inline constexpr char16_t kOpenTcp[] = u"打开TCP";
inline constexpr char16_t kCloseTcp[] = u"关闭TCP";
inline constexpr char16_t kOpenUdp[] = u"打开UDP";
inline constexpr char16_t kCloseUdp[] = u"关闭UDP";
// The open button while a TCP connect is under way; pressing it gives up.
inline constexpr char16_t kCancelConnect[] = u"取消连接";
inline constexpr char16_t kTcpContinuous[] = u"TCP连续发送";
inline constexpr char16_t kUdpContinuous[] = u"UDP连续发送";
inline constexpr char16_t kTcpMonitor[] = u"TCP监视";
inline constexpr char16_t kUdpMonitor[] = u"UDP监视";
inline constexpr char16_t kTcpSend[] = u"TCP发送";
inline constexpr char16_t kUdpSend[] = u"UDP发送";
inline constexpr char16_t kMoreSend[] = u"多项发送";

// Tool tips
inline constexpr char16_t kTipPing[] = u"执行Ping操作以获得两者之间的通信延时";
inline constexpr char16_t kTipOpenTcp[] =
    u"打开TCP之前请检查源端口和目的端口是否正确，电脑是否已与目标设备连接好";
inline constexpr char16_t kTipOpenUdp[] =
    u"打开UDP之前请检查源端口和目的端口是否正确，电脑是否已与目标设备连接好";
inline constexpr char16_t kTipTcpContinuous[] = u"若勾选：TCP数据将连续发送\r\n不勾选：TCP数据将单次发送";
inline constexpr char16_t kTipUdpContinuous[] = u"若勾选：UDP数据将连续发送\r\n不勾选：UDP数据将单次发送";
inline constexpr char16_t kTipTcpMonitor[] = u"注意：启用TCP监视窗口，仅支持本软件";
inline constexpr char16_t kTipUdpMonitor[] = u"注意：启用UDP监视窗口，仅支持本软件";
inline constexpr char16_t kTipTcpSend[] = u"若TCP已打开，则发送数据";
inline constexpr char16_t kTipUdpSend[] = u"若UDP已打开，则发送数据";
inline constexpr char16_t kTipMoreSend[] =
    u"多项发送能够自定义多项发送数据，根据需要自行发送，并具有保存数据和载入数据，是一个非常实用的功能";

// Receive areas
inline constexpr char16_t kTcpCounts[] = u"TCP：已接收%d字节，速度%d字节/秒";
inline constexpr char16_t kUdpCounts[] = u"UDP：已接收%d字节，速度%d字节/秒";
inline constexpr char16_t kTcpInitialTitle[] =
    u"TCP：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kUdpInitialTitle[] =
    u"UDP：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kTcpResetTitle[] = u"TCP：已接收0字节";
inline constexpr char16_t kUdpResetTitle[] = u"UDP：已接收0字节";
inline constexpr char16_t kTcpCaptureFile[] = u"TCP数据接收记录.txt";
inline constexpr char16_t kUdpCaptureFile[] = u"UDP数据接收记录.txt";
inline constexpr char16_t kTcpCaptureMessage[] = u"保存TCP数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kUdpCaptureMessage[] = u"保存UDP数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kTcpOutputFile[] = u"TCP数据输出记录.txt";
inline constexpr char16_t kUdpOutputFile[] = u"UDP数据输出记录.txt";
inline constexpr char16_t kNotes[] =
    u"\r\n进行网络调试时请注意：\r\n\r\n1：请检查该软件是否被系统防火墙所拦截\r\n\r\n2：请检查本电脑是否已连"
    u"接目标设备或网络"
    u"\r\n\r\n3：请检查IP地址、源端口、目的端口是否填写正确";

// Send area
inline constexpr char16_t kSendCounts[] = u"发送区：TCP已发送%d字节，UDP已发送%d字节";
inline constexpr char16_t kSendInitialTitle[] =
    u"发送区：TCP已发送0字节，UDP已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）";
inline constexpr char16_t kSendResetTitle[] = u"发送区：TCP已发送0字节，UDP已发送0字节";
inline constexpr char16_t kInitialSendText[] =
    u"01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30";
inline constexpr char16_t kTcpProgressTitle[] = u"TCP发送文件进度";
inline constexpr char16_t kUdpProgressTitle[] = u"UDP发送文件进度";

// Windows opened on demand
inline constexpr char16_t kTcpMonitorTitle[] = u"TCP监视器";
inline constexpr char16_t kUdpMonitorTitle[] = u"UDP监视器";
inline constexpr char16_t kPortCaption[] = u"S:%1 D:%2";
inline constexpr char16_t kMoreSendTitle[] = u"网络多项发送";

// Defaults and limits of the edits

// Why an open did not succeed, shown at the end of the link's receive area.
inline constexpr char16_t kTcpOpenFailed[] = u"\r\n打开TCP失败：%1\r\n";
inline constexpr char16_t kUdpOpenFailed[] = u"\r\n打开UDP失败：%1\r\n";
inline constexpr char16_t kBadAddress[] = u"目的IP地址不完整，请填写四段0～255之间的数字";
inline constexpr char16_t kBadSourcePort[] = u"源端口应为0～65535之间的数字（0表示由系统选择）";
inline constexpr char16_t kBadDestPort[] = u"目的端口应为1～65535之间的数字";
inline constexpr char16_t kPrivilegedPort[] =
    u"源端口%1小于1024，需要管理员权限才能使用；请改用1024以上的源端口，或填0由系统选择";
inline constexpr char16_t kPortInUse[] = u"源端口%1已被占用，请改用其他源端口";
inline constexpr char16_t kRefused[] = u"目标设备拒绝连接，请检查目的端口%1是否正确";
inline constexpr char16_t kTimedOut[] = u"连接超时，目标设备没有应答";
inline constexpr char16_t kUnreachable[] = u"目的地址不可达，请检查本电脑的网络连接";
inline constexpr char16_t kSystemError[] = u"系统错误（%1）";

}  // namespace viz::netdlg_texts
