#pragma once

// The HID channel's texts: the information text gathered while opening and
// what the page says when an open fails. %1, %2 are filled in order.
namespace viz::texts::hid {

inline constexpr char16_t kInformationStart[] = u"\r\n\r\n";
inline constexpr char16_t kGuidPrefix[] = u"GUID : ";
inline constexpr char16_t kVendorLabel[] = u"厂商号：";
inline constexpr char16_t kProductLabel[] = u"产品号：";
inline constexpr char16_t kVersionLabel[] = u"版本号：";
inline constexpr char16_t kPathLabel[] = u"设备路径：";
inline constexpr char16_t kLineEnd[] = u"\r\n";
inline constexpr char16_t kReadOpened[] = u"读访问打开HidUsb设备成功！\r\n";
inline constexpr char16_t kReadFailed[] = u"读访问打开HidUsb设备失败！\r\n";
inline constexpr char16_t kWriteOpened[] = u"写访问打开HidUsb设备成功！\r\n";
inline constexpr char16_t kWriteFailed[] = u"写访问打开HidUsb设备失败！\r\n";
inline constexpr char16_t kRegistered[] = u"注册HidUsb设备成功！\r\n";
// udev could not be reached: arrival and removal will not be noticed.
inline constexpr char16_t kRegisterFailed[] = u"注册HidUsb设备失败！（无法接收设备插拔通知）\r\n";

// After an open, in the EP1 area. %1 is the device path or the numbers.
inline constexpr char16_t kOpenNotFound[] =
    u"\r\n打开USB失败：未找到厂商号为%1、产品号为%"
    u"2的HID设备，请检查设备是否已连接，并点击查找USB按钮更新列表\r\n";
inline constexpr char16_t kOpenDenied[] = u"\r\n打开USB失败：当前用户没有读写%1的权限。\r\n";
inline constexpr char16_t kReadDenied[] = u"\r\n注意：当前用户没有读取%1的权限，收不到该设备的数据。\r\n";
inline constexpr char16_t kWriteDenied[] =
    u"\r\n注意：当前用户没有写入%1的权限，向该设备发送数据将失败。\r\n";
inline constexpr char16_t kAccessRemedy[] =
    u"请以root身份新建文件/etc/udev/rules.d/70-duvezer-hid.rules，写入下面这一行，"
    u"然后执行 udevadm control --reload-rules && udevadm trigger，再重新插入设备：\r\n%1\r\n";
inline constexpr char16_t kOpenFailed[] = u"\r\n打开USB失败：%1，系统错误 %2\r\n";

}  // namespace viz::texts::hid
