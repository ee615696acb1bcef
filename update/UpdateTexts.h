#pragma once

// The texts of the update subsystem: start-up notices, the downloader and the
// update and configuration page. Network error texts are used below the UI.
namespace viz::texts::update {

// Start-up version check; the maker's web site goes between the two halves.
inline constexpr char kNewVersionBefore[] =
    "1：检测到新版本，请到[升级与配置]选项卡执行更新操作！\r\n2：最新使用手册可到";
inline constexpr char kNewVersionAfter[] = "进行下载！";

// Downloader window.
inline constexpr char kCaptionBefore[] = "若不能下载，请发邮件到";
inline constexpr char kCaptionAfter[] = "索取！";
inline constexpr char kSizeLabel[] = "文件大小：";
inline constexpr char kReceivedLabel[] = "已下载：";
inline constexpr char kSpeedLabel[] = "当前速度：";
inline constexpr char kPercentName[] = "已下载百分比";
inline constexpr char kProgressName[] = "下载进度";
inline constexpr char kStatusName[] = "下载状态";
inline constexpr char kLastModifiedName[] = "服务器文件修改时间";
inline constexpr char kOperations[] = "操作区";
inline constexpr char kPrimaryAddress[] = "默认下载地址";
inline constexpr char kMirrorAddress[] = "备用下载地址";
inline constexpr char kStart[] = "启动下载";
inline constexpr char kStop[] = "停止下载";
inline constexpr char kWaiting[] = "等待下载！";
inline constexpr char kChecking[] = "正在校验下载地址...";
inline constexpr char kDownloading[] = "正在下载...";
inline constexpr char kFinished[] = "下载完成！";
inline constexpr char kCancelled[] = "下载时已被用户取消！";
inline constexpr char kKb[] = "KB";
inline constexpr char kKbPerSecond[] = "KB/秒";
inline constexpr char kUnknownSize[] = "未知";
inline constexpr char kUnknownPercent[] = "--";
inline constexpr char kCannotCreateFile[] = "无法在当前目录创建下载文件：";
inline constexpr char kCannotWriteFile[] = "写入下载文件失败：";
inline constexpr char kCannotSaveArchive[] = "无法保存为Duvezer.rar：";

// Network errors, shown as a download's status.
inline constexpr char kErrorResolve[] = "无法解析服务器的名称或地址";
inline constexpr char kErrorConnect[] = "无法与服务器建立连接";
inline constexpr char kErrorTimeout[] = "连接服务器超时";
inline constexpr char kErrorHttp[] = "服务器返回错误：HTTP ";
inline constexpr char kErrorSecure[] = "无法与服务器建立安全连接";
inline constexpr char kErrorBroken[] = "与服务器的连接意外中断";
inline constexpr char kErrorAddress[] = "下载地址无效";
inline constexpr char kErrorRedirects[] = "服务器重定向次数过多";
inline constexpr char kErrorOther[] = "网络错误：";
inline constexpr char kErrorNoLibrary[] = "无法加载网络库：";
// A download that barely moves: the window in seconds and the rate go between the parts.
inline constexpr char kErrorStalledBefore[] = "下载停滞：连续";
inline constexpr char kErrorStalledMiddle[] = "秒每秒收到的数据不足";
inline constexpr char kErrorStalledAfter[] = "字节，已停止下载";

// Update and configuration page.
inline constexpr char kSupportLine[] = "点击以下网址，支持本软件的发展！";
inline constexpr char kShopCaption[] = "开发板网店";
inline constexpr char kBlogCaption[] = "作者博客";
inline constexpr char kForumCaption[] = "技术交流论坛";
inline constexpr char kWebSiteCaption[] = "软件官方网站";
inline constexpr char kPictureName[] = "打开网店、博客和论坛";
inline constexpr char kInfoName[] = "服务器信息";
inline constexpr char kVersionInfo[] = "版本信息";
inline constexpr char kDownloadNew[] = "下载新版本";
inline constexpr char kConfigure[] = "软件配置";
inline constexpr char kInfoFont[] = "宋体";
inline constexpr char kInfoStart[] =
    "\r\n\r\n\r\n                                            "
    "感谢有你！\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
inline constexpr char kNoUpdateNeeded[] = "当前版本无需进行更新！";
inline constexpr char kServerUnreachable[] =
    "无法解释服务器的名称和地址：\r\n\r\n1：请检查该软件是否被系统防火墙所拦截\r\n\r\n2：请检查本电脑是否已连"
    "接网络\r\n\r\n"
    "3：服务器不存在\r\n\r\n";

// "版本信息": version, author and e-mail address follow the first three parts.
inline constexpr char kAboutVersion[] = "版本号：V";
inline constexpr char kAboutAuthor[] = "\r\n作  者：";
inline constexpr char kAboutContact[] = "\r\n联系方式：";
inline constexpr char kAboutFeatures[] =
    "\r\n软件特点：\r\n(1)支持串口、USB、网络数据收发\r\n(2)USB通信支持CH372 USB芯片,并支持HID USB设备\r\n"
    "(3)网络通信支持TCP/UDP协议,并支持服务器功能\r\n(4)提供8051/ATMEGA16生成代码的功能\r\n"
    "(5)提供进制转换、数码管字型码定制、汉字字模制作等功能\r\n(6)增加校验值计算功能，方便数据调试\r\n"
    "(7)收发数据支持中文\r\n(8)添加字符串编码功能\r\n(9)能够在线下载新版本\r\n";

}  // namespace viz::texts::update
