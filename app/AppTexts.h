#pragma once

// The main window's and the about box's own texts.
namespace viz::texts {

inline constexpr char kResourceTitle[] = "Duvezer [作者：Ruderu]";
inline constexpr char kProductLine[] = "Duvezer";
inline constexpr char kAboutTitle[] = "关于 Vizuruv";
inline constexpr char kAboutItem[] = "关于 Vizuruv(&A)...";
inline constexpr char kHelpMenu[] = "帮助(&H)";
inline constexpr char kGuideItem[] = "使用指南(&G)";
inline constexpr char kGuideMissing[] =
    "找不到使用指南：“%1”中没有guide.zh-CN.html，也没有guide.zh-CN.md。请重新安装duvezer软件包。";
inline constexpr char kGuideNotOpened[] =
    "无法打开使用指南“%1”：系统中没有可以打开它的程序，请用浏览器打开这个文件。";
// What a screen reader calls the page stack behind the tab strip.
inline constexpr char kPagesName[] = "功能页面";
inline constexpr char kOk[] = "确定";
inline constexpr char kLicenseLine[] =
    "本程序是自由软件：您可以依照自由软件基金会发布的 GNU 通用公共许可证（第 3 版或您选择的任何更高版本）"
    "重新发布和修改它。本程序不附带任何担保。";

// Told once at start when the settings file needed attention.
inline constexpr char kSettingsSetAside[] = "设置文件已损坏或不完整，已改名为“%1”保留，本次使用默认设置。";
inline constexpr char kSettingsNotAFile[] =
    "设置文件的位置被一个文件夹或其他非普通文件占用，已将其改名为“%1”，设置将保存到新的文件中。";
inline constexpr char kSettingsNotSaved[] = "无法写入设置文件“%1”（%2），本次运行中的设置将不会被保存。";

}  // namespace viz::texts
