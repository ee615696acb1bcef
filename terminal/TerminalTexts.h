#pragma once

// Texts of the shared terminal components (receive area, send area, progress
// window, hex type chooser, multi-send dialog, traffic monitor). The pages'
// own texts (titles, file names, counter formats) live with the pages.
namespace viz::terminal_texts {

// Receive area
inline constexpr char16_t kPausedState[] = u"接收状态[暂停]，";
inline constexpr char16_t kAllowedState[] = u"接收状态[允许]，";
inline constexpr char16_t kOutputOnState[] = u"输出文本状态[输出中]";
inline constexpr char16_t kOutputOffState[] = u"输出文本状态[已停止]";
inline constexpr char16_t kMenuClear[] = u"清空";
inline constexpr char16_t kMenuPause[] = u"暂停/恢复接收数据";
inline constexpr char16_t kMenuOutput[] = u"启动/停止文本输出（适用于大量数据接收）";
inline constexpr char16_t kMenuBrowse[] = u"浏览输出文件";
// The double-click's keyboard way (Ctrl+S), offered after the four commands.
inline constexpr char16_t kMenuSave[] = u"立即保存数据";
inline constexpr char16_t kFileErrorFormat[] = u"无法写入文件“%1”：%2";
inline constexpr char16_t kOutputFailed[] = u"输出文件写入失败：%1，已停止输出";
inline constexpr char16_t kTimeStamps[] = u"时间戳";
inline constexpr char16_t kTipTimeStamps[] =
    u"若勾选：每行数据前显示收到该行第一个字节的时间（Hex显示时为每帧）\r\n不勾选：不显示时间";

// The text encoding choice of every terminal page
inline constexpr char16_t kEncodingLabel[] = u"编码";
inline constexpr char16_t kEncodingGbk[] = u"GBK";
inline constexpr char16_t kEncodingUtf8[] = u"UTF-8";
inline constexpr char16_t kTipEncoding[] =
    u"接收显示、文本发送、多项发送、输出文件、保存文件和监视器所用的文本编码";

// The frame line break switch of every terminal page
inline constexpr char16_t kFrameTimeEmpty[] = u"帧换行时间不能为空！";

// Send area
inline constexpr char16_t kLoadedPrefix[] = u"\r\n成功读取外部资源文件：\r\n\r\n";
inline constexpr char16_t kLoadedSuffix[] = u"\r\n\r\n";
inline constexpr char16_t kLoadFailed[] = u"读取外部资源文件失败！";
inline constexpr char16_t kFileSent[] = u"\r\n发送文件完成，请重新载入文件！";
// A file send that ended early: bytes sent and file length, then the reason.
inline constexpr char16_t kFileInterrupted[] = u"\r\n发送文件中断：已发送%d/%d字节";
inline constexpr char16_t kEndCancelled[] = u"用户取消发送";
inline constexpr char16_t kEndLinkClosed[] = u"连接已关闭";
inline constexpr char16_t kEndDeviceRemoved[] = u"设备已拔出";
inline constexpr char16_t kEndWriteFailed[] = u"发送失败：";
inline constexpr char16_t kEndReadFailed[] = u"读取文件失败：";
inline constexpr char16_t kEndFileShrank[] = u"文件在发送过程中变短";
inline constexpr char16_t kLoadUnreadable[] = u"读取外部资源文件失败：";
// The send edit's keyboard way to what a double-click does.
inline constexpr char16_t kLoadFileAction[] = u"载入发送文件...";
// The progress window's button.
inline constexpr char16_t kCancelSend[] = u"取消发送";
inline constexpr char16_t kOpenFilters[] = u"BIN Files (*.bin *.nb0);;TXT Files (*.txt);;ALL Files (*)";

// Hex type chooser
inline constexpr char16_t kHexTypeTitle[] = u"Hex类型";
inline constexpr char16_t kHexType1[] = u"类型1";
inline constexpr char16_t kHexType2[] = u"类型2";
inline constexpr char16_t kOk[] = u"确定";
inline constexpr char16_t kCancel[] = u"取消";

// Multi-send dialog
inline constexpr char16_t kHex[] = u"Hex";
inline constexpr char16_t kSend[] = u"发送";
inline constexpr char16_t kCycle[] = u"循环发送";
inline constexpr char16_t kStop[] = u"停止";
inline constexpr char16_t kLink1[] = u"发送1";
inline constexpr char16_t kLink2[] = u"发送2";
inline constexpr char16_t kSaveData[] = u"保存数据";
inline constexpr char16_t kLoadData[] = u"载入数据";
inline constexpr char16_t kSaveOk[] = u"保存数据成功！";
inline constexpr char16_t kSaveFailed[] = u"保存数据失败！";
inline constexpr char16_t kLoadFailedMessage[] = u"载入数据失败！";
inline constexpr char16_t kDefaultPeriod[] = u"1000";
// Names read out by screen readers for the rows' controls and the period.
inline constexpr char16_t kEntryName[] = u"第%1项";
inline constexpr char16_t kEntryHexName[] = u"第%1项 Hex";
inline constexpr char16_t kEntrySendName[] = u"发送第%1项";
inline constexpr char16_t kCyclePeriodName[] = u"循环发送周期（毫秒）";

// Traffic monitor
inline constexpr char16_t kStartMonitor[] = u"启动监视";
inline constexpr char16_t kStopMonitor[] = u"停止监视";
inline constexpr char16_t kClear[] = u"清空";
inline constexpr char16_t kSaveRecords[] = u"保存记录";
inline constexpr char16_t kHexDisplay[] = u"HEX显示";
inline constexpr char16_t kPortLineFormat[] = u"正在被监视的端口：%1";
inline constexpr char16_t kColumnNumber[] = u"序号";
inline constexpr char16_t kColumnKind[] = u"C/O/R/S";
inline constexpr char16_t kColumnLength[] = u"数据长度";
inline constexpr char16_t kColumnData[] = u"数据";
inline constexpr char16_t kRecordListName[] = u"监视数据列表";
inline constexpr char16_t kLogSaved[] = u"保存当前监视器数据记录成功,并保存在该软件的当前目录！";

// Log file header
inline constexpr char16_t kLogTitle[] = u"端口监视记录";
inline constexpr char16_t kLogMail[] = u"mail:";
inline constexpr char16_t kLogBlog[] = u"blog:";
inline constexpr char16_t kLogClosed[] = u"C:端口已关闭";
inline constexpr char16_t kLogOpened[] = u"O:端口已开启";
inline constexpr char16_t kLogReceived[] = u"R:端口已收到数据";
inline constexpr char16_t kLogSent[] = u"S:端口已发送数据";
inline constexpr char16_t kLogChr[] = u"CHR:当前数据为字符";
inline constexpr char16_t kLogAsc[] = u"ASC:当前数据为ASCII码";
inline constexpr char16_t kLogColumns[] = u"\r\n序号        C/O/R/S        数据长度        数据 \r\n\r\n";

// Record viewer
inline constexpr char16_t kViewerHint[] = u"点击监视数据列表的某一项，将在当前文本框显示完整的数据！";
inline constexpr char16_t kViewerFont[] = u"宋体";
inline constexpr char16_t kViewerName[] = u"完整数据";

// A terminal page's options block
inline constexpr char16_t kOptionHexSend[] = u"Hex发送";
inline constexpr char16_t kOptionHexDisplay[] = u"Hex显示";
inline constexpr char16_t kOptionContinuous[] = u"连续发送";
inline constexpr char16_t kOptionFrameBreak[] = u"帧换行";
inline constexpr char16_t kOptionMilliseconds[] = u"ms";
inline constexpr char16_t kOptionClearSend[] = u"清发送区";
inline constexpr char16_t kOptionClearReceive[] = u"清接收区";
inline constexpr char16_t kOptionRecount[] = u"重新计数";
inline constexpr char16_t kOptionFrameTimeName[] = u"帧换行时间（毫秒）";
inline constexpr char16_t kOptionDefaultFrameTime[] = u"40";
inline constexpr char16_t kOptionTipHexSend[] =
    u"若勾选：数据以16进制数进行发送\r\n不勾选：数据以字符形式进行发送";
inline constexpr char16_t kOptionTipHexDisplay[] =
    u"若勾选：数据以16进制数进行接收\r\n不勾选：数据以字符形式进行接收";
inline constexpr char16_t kOptionTipContinuous[] = u"若勾选：数据将连续发送\r\n不勾选：数据将单次发送";
inline constexpr char16_t kOptionTipFrameBreak[] =
    u"若勾选：接收数据会每隔一段时间自动添加换行\r\n不勾选：接收数据则正常显示";
inline constexpr char16_t kOptionTipClearSend[] = u"清空发送区所有数据";
inline constexpr char16_t kOptionTipClearReceive[] = u"清空接收区所有数据";
inline constexpr char16_t kOptionTipRecount[] = u"将发送和接收的统计字节数清零";

}  // namespace viz::terminal_texts
