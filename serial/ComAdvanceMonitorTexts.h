#pragma once

// Texts of the advanced serial monitor page.
namespace viz::texts::comadvance {

// Controls
inline constexpr char16_t kPortLabel[] = u"串口：";
inline constexpr char16_t kStart[] = u"启动监视";
inline constexpr char16_t kStop[] = u"停止监视";
inline constexpr char16_t kClear[] = u"清空";
inline constexpr char16_t kSave[] = u"保存记录";
inline constexpr char16_t kHexDisplay[] = u"Hex显示";
inline constexpr char16_t kInstall[] = u"安装驱动";
inline constexpr char16_t kUninstall[] = u"卸载驱动";
inline constexpr char16_t kWarning[] = u"注意：停止监视前务必关闭当前被监视的串口，否则容易引起蓝屏！";
// Where the watched program finds the port while it is watched.
inline constexpr char16_t kAliasLabel[] = u"被监视的程序请打开：";
inline constexpr char16_t kListName[] = u"串口监视记录";

// The record viewer
inline constexpr char16_t kViewerTitle[] = u"串口监视数据预览";
// The viewer shows at most this many characters of a row's data.
inline constexpr int kViewerLimit = 2048;

// The log
inline constexpr char16_t kLogFile[] = u"串口高级监视器.txt";
inline constexpr char16_t kLogSaved[] = u"保存串口高级监视器数据记录成功,并保存在该软件的当前目录！";
inline constexpr char16_t kLogFailed[] = u"保存记录失败：无法写入当前目录下的串口高级监视器.txt！";

// Installing and removing the helper
inline constexpr char16_t kInstalled[] = u"安装驱动成功！";
inline constexpr char16_t kInstallStartFailed[] = u"启动服务失败，可能找不到正确的驱动文件！";
inline constexpr char16_t kInstallNoAnswer[] = u"创建服务失败！";
// %1 the helper's folder, %2 the user who owns it.
inline constexpr char16_t kFolderOfAnotherUser[] =
    u"创建服务失败：文件夹%1属于用户%2，不能用来存放驱动的套接字。请删除该文件夹，或设置XDG_RUNTIME_DIR！";
inline constexpr char16_t kUninstalled[] = u"卸载驱动成功！";
inline constexpr char16_t kUninstallFailed[] = u"错误：卸载驱动失败！";

// Starting and stopping a watch
inline constexpr char16_t kNotInstalled[] = u"检测到当前系统没有安装驱动，请点击[安装驱动]按钮！";
inline constexpr char16_t kHelperUnreachable[] = u"发生未知错误，访问驱动程序失败！";
inline constexpr char16_t kStartFailed[] = u"启动监视失败，当前串口可能被占用！";
inline constexpr char16_t kWatchedPortOpen[] = u"检测到被监视的串口没有关闭！";
inline constexpr char16_t kStopFailed[] = u"发生未知错误！";
inline constexpr char16_t kReaderFailed[] = u"串口监视线程出现错误！";
inline constexpr char16_t kCloseWatchedPort[] = u"请关闭被监视的串口，然后点击确定退出！";

// Tool tips
inline constexpr char16_t kTipPort[] = u"注意：这里显示的是没有被占用的串口";
inline constexpr char16_t kTipStart[] = u"注意：第一次启动监视，要首先点击[安装驱动]按钮";
inline constexpr char16_t kTipStop[] = u"注意：停止监视前必须首先关闭被监视的串口";
inline constexpr char16_t kTipClear[] = u"清空串口监视所有的数据";
inline constexpr char16_t kTipSave[] = u"输出所有数据记录到本地文件";
inline constexpr char16_t kTipInstall[] = u"第一运行或驱动被卸载，必须安装驱动";
inline constexpr char16_t kTipUninstall[] = u"卸载驱动";
inline constexpr char16_t kTipHexDisplay[] = u"监视到的数据以16进制数形式显示";

}  // namespace viz::texts::comadvance
