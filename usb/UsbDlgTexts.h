#pragma once

// Texts of the USB debug page. The HID channel's own texts (the information
// text, open failures) live in HidTexts.h.
namespace viz::texts::usbdlg {

// Groups, labels, buttons and boxes
inline constexpr char16_t kConfigGroup[] = u"USB配置";
inline constexpr char16_t kTypeLabel[] = u"类型：";
inline constexpr char16_t kTypeHid[] = u"HID";
inline constexpr char16_t kDeviceCountInitial[] = u"当前HID_USB设备数：0";
inline constexpr char16_t kDeviceCount[] = u"当前USB HID设备数：%d";
inline constexpr char16_t kPidLabel[] = u"PID：";
inline constexpr char16_t kVidLabel[] = u"VID：";
inline constexpr char16_t kPvnLabel[] = u"PVN：";
inline constexpr char16_t kSearch[] = u"查找USB";
// The lamp beside the open button, as read out.
inline constexpr char16_t kLampOpenName[] = u"USB状态：已打开";
inline constexpr char16_t kLampClosedName[] = u"USB状态：已关闭";
inline constexpr char16_t kOpen[] = u"打开USB";
inline constexpr char16_t kClose[] = u"关闭USB";
inline constexpr char16_t kEp1Continuous[] = u"EP1连续发送";
inline constexpr char16_t kEp2Continuous[] = u"EP2连续发送";
inline constexpr char16_t kMonitorCh37x[] = u"监视CH37X";
inline constexpr char16_t kMonitorHid[] = u"监视HID";
inline constexpr char16_t kEp1Send[] = u"端点1发送";
inline constexpr char16_t kEp2Send[] = u"端点2/HID发送";
inline constexpr char16_t kMoreSend[] = u"多项发送";
// Names screen readers give the number fields beside the boxes.
inline constexpr char16_t kEp1PeriodName[] = u"EP1连续发送周期（毫秒）";
inline constexpr char16_t kEp2PeriodName[] = u"EP2连续发送周期（毫秒）";
inline constexpr char16_t kDeviceListName[] = u"HID USB设备列表";

// Field contents at start; the numbers shown before any search when no
// numbers were saved.

// Receive areas: EP1 holds notes, listings and device events, EP2 the input reports.
inline constexpr char16_t kEp1Counts[] = u"EP1：已接收%d字节，速度%d字节/秒";
inline constexpr char16_t kEp2Counts[] = u"EP2：已接收%d字节，速度%d字节/秒";
inline constexpr char16_t kEp1InitialTitle[] =
    u"EP1：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kEp2InitialTitle[] =
    u"EP2：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kEp1ResetTitle[] = u"EP1：已接收0字节";
inline constexpr char16_t kEp2ResetTitle[] = u"EP2：已接收0字节";
inline constexpr char16_t kEp1CaptureFile[] = u"端点1数据接收记录.txt";
inline constexpr char16_t kEp2CaptureFile[] = u"端点2数据接收记录.txt";
inline constexpr char16_t kEp1CaptureSaved[] = u"保存端点1数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kEp2CaptureSaved[] = u"保存端点2数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kEp1OutputFile[] = u"端点1数据输出记录.txt";
inline constexpr char16_t kEp2OutputFile[] = u"端点2数据输出记录.txt";
inline constexpr char16_t kNotes[] =
    u"\r\n进行USB调试时请注意：\r\n\r\n1：请检查USB设备是否已与电脑连接，并且其类型为HID\r\n\r\n"
    u"2：若插入或拔出USB设备，请点击查找USB按钮以更新当前USB列表\r\n\r\n"
    u"3：本软件的DLL版本支持CH372 USB和HID USB设备，无DLL版本仅支持HID USB设备";
// "打开USB" with nothing chosen in the device list, in the EP1 area.
inline constexpr char16_t kNoDeviceSelected[] =
    u"\r\n打开USB失败：没有选中的USB设备，请检查设备是否已连接，并点击查找USB按钮更新列表\r\n";
inline constexpr char16_t kFoundDevices[] = u"\r\n检测到%d个HID_USB设备：\r\n";
inline constexpr char16_t kArrived[] = u"\r\nHID：USB已连接";
inline constexpr char16_t kRemoved[] = u"\r\nHID：USB已拔出";

// Send area
inline constexpr char16_t kSendCounts[] = u"发送区：EP1已发送%d字节，EP2已发送%d字节";
inline constexpr char16_t kSendInitialTitle[] =
    u"发送区：EP1已发送0字节，EP2已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送，仅支持HID）";
inline constexpr char16_t kSendResetTitle[] = u"发送区：EP1已发送0字节，EP2已发送0字节";
inline constexpr char16_t kProgressTitle[] = u"HID发送文件进度";

// Windows opened from the page
inline constexpr char16_t kMonitorTitle[] = u"HID_USB_EP2监视器";
inline constexpr char16_t kMonitorPort[] = u"EP2";
inline constexpr char16_t kMoreSendTitle[] = u"USB多项发送";

// Tool tips
inline constexpr char16_t kTipType[] = u"1：无DLL版本仅支持HID\r\n2：含DLL版本同时支持HID和CH372";
inline constexpr char16_t kTipDeviceList[] = u"显示已连接的HID USB设备";
inline constexpr char16_t kTipPid[] = u"产品号";
inline constexpr char16_t kTipVid[] = u"厂商号";
inline constexpr char16_t kTipPvn[] = u"版本号";
inline constexpr char16_t kTipSearch[] = u"查找已连接电脑的HID USB设备";
inline constexpr char16_t kTipOpen[] = u"打开USB是根据当前的USB类型和USB设备列表选中的设备进行打开的";
inline constexpr char16_t kTipEp2Continuous[] = u"若勾选：端点2数据将连续发送\r\n不勾选：端点2数据将单次发送";
inline constexpr char16_t kTipEp1Continuous[] = u"若勾选：端点1数据将连续发送\r\n不勾选：端点1数据将单次发送";
inline constexpr char16_t kTipMonitorCh37x[] = u"注意：启用CH37X USB监视窗口";
inline constexpr char16_t kTipMonitorHid[] = u"注意：启用HID USB监视窗口";
inline constexpr char16_t kTipEp1Send[] = u"若USB已打开，则通过端点1发送数据";
inline constexpr char16_t kTipEp2Send[] = u"若USB已打开，则通过端点2发送数据";
inline constexpr char16_t kTipMoreSend[] =
    u"多项发送能够自定义多项发送数据，根据需要自行发送，并具有保存数据和载入数据，是一个非常实用的功能";

}  // namespace viz::texts::usbdlg
