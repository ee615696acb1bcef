#pragma once

// Texts of the network server page: labels, tool tips, titles, file names,
// record lines and messages. The shared terminal components keep their own.
namespace viz::serverdlg_texts {

// Groups and labels
inline constexpr char16_t kServerGroup[] = u"服务器操作";
inline constexpr char16_t kPortLabel[] = u"端口：";
inline constexpr char16_t kClientsLabel[] = u"客户端列表：";
inline constexpr char16_t kRecordGroup[] = u"记录（双击文本框清空记录）";

// Buttons and boxes
inline constexpr char16_t kCreate[] = u"创建";
inline constexpr char16_t kClose[] = u"关闭";
inline constexpr char16_t kShowAddress[] = u"显示IP";
inline constexpr char16_t kSend[] = u"发送";
inline constexpr char16_t kMoreSend[] = u"多项发送";
// What assistive tools call the two time edits, which have no label of their own.
inline constexpr char16_t kPeriodName[] = u"连续发送周期（ms）";
inline constexpr char16_t kFrameTimeName[] = u"帧换行时间（ms）";

// Tool tips
inline constexpr char16_t kTipCreate[] = u"创建或关闭服务器";
inline constexpr char16_t kTipShowAddress[] =
    u"若勾选：接收数据则添加当前客户端IP地址\r\n不勾选：接收数据则正常显示";
inline constexpr char16_t kTipSend[] = u"若服务器与客户端已建立连接，则发送数据";
inline constexpr char16_t kTipClients[] = u"显示当前与服务器连接的客户端";

// Receive area
inline constexpr char16_t kReceiveCounts[] = u"接收区：已接收%d字节，速度%d字节/秒";
inline constexpr char16_t kReceiveInitialTitle[] =
    u"接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
inline constexpr char16_t kReceiveResetTitle[] = u"接收区：已接收0字节";
inline constexpr char16_t kCaptureFile[] = u"服务器数据接收记录.txt";
inline constexpr char16_t kCaptureSaved[] = u"保存服务器数据接收记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kOutputFile[] = u"服务器数据输出记录.txt";
inline constexpr char16_t kNotes[] =
    u"\r\n进行网络调试时请注意：\r\n\r\n1：请检查该软件是否被系统防火墙所拦截\r\n\r\n2：请检查本电脑是否已连"
    u"接目标设备或网络"
    u"\r\n\r\n3：当多个客户端进行连接时，会存储在客户端记录列表\r\n\r\n4：当对某个客户端进行数据发送时，需要"
    u"在客户端列表中"
    u"进行选择";

// Send area
inline constexpr char16_t kSendCounts[] = u"发送区：已发送%d字节";
inline constexpr char16_t kSendInitialTitle[] =
    u"发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）";
inline constexpr char16_t kSendResetTitle[] = u"发送区：已发送0字节";
inline constexpr char16_t kProgressTitle[] = u"服务器发送文件进度";
inline constexpr char16_t kMoreSendTitle[] = u"服务器网络多项发送";

// Defaults of the edits
inline constexpr char16_t kDefaultPort[] = u"8888";

// The client chooser's entries: address and port.
inline constexpr char16_t kClientEntry[] = u"%1 : %2";
// Received data with "显示IP": the sender in front.
inline constexpr char16_t kSenderPrefix[] = u"[%1:%2]";

// Record lines
inline constexpr char16_t kRecordNotice[] = u"注意事项：\n\n";
inline constexpr char16_t kRecordChooseClient[] =
    u"当要对某一客户端发送数据，需要通过客户端列表进行选择！\r\n";
inline constexpr char16_t kRecordConnected[] = u"远程IP:%1:%2与服务器建立连接！";
inline constexpr char16_t kRecordClosed[] = u"远程IP:%1:%2与服务器断开连接！";
inline constexpr char16_t kRecordClientError[] = u"客户端套接字发生错误:%1";
inline constexpr char16_t kRecordServerError[] = u"服务器套接字发生错误:%1";
inline constexpr char16_t kRecordReceived[] = u"从%1:%2接收了%3字节";
inline constexpr char16_t kRecordNoClient[] = u"客户端没有与服务器建立连接！";
// The server at its client limit, and below it again with nobody waiting.
inline constexpr char16_t kRecordFull[] = u"客户端数已达上限（%1），新的连接将等待";
inline constexpr char16_t kRecordAccepting[] = u"客户端数已低于上限，继续接受新的连接";
// A send to another client while one is still going to the previous one.
inline constexpr char16_t kRecordBusy[] = u"正在向%1:%2发送数据，请等发送结束后再向其他客户端发送！";
// Why "创建" did not start the server.
inline constexpr char16_t kCreateFailed[] = u"创建服务器失败：%1";
inline constexpr char16_t kBadPort[] = u"端口应为1～65535之间的数字";
inline constexpr char16_t kPortInUse[] = u"端口%1已被占用，请改用其他端口或关闭占用该端口的程序";
inline constexpr char16_t kPrivilegedPort[] = u"端口%1小于1024，需要管理员权限才能使用；请改用1024以上的端口";
inline constexpr char16_t kSystemError[] = u"系统错误（%1）";

inline constexpr char16_t kWrongClient[] = u"错误的客户端！";
inline constexpr char16_t kWarning[] = u"警告";

}  // namespace viz::serverdlg_texts
