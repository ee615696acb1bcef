#pragma once

// The serial channel's own texts for the serial page. %1 is the device path,
// %2 the group that owns the device or the error name; in the holder line %1
// is the holding program's name and %2 its process number.
namespace viz::texts::serial {

inline constexpr char kOpenNotFound[] =
    "无法打开串口%1：设备不存在。\n请检查设备是否已连接，以及端口名称是否正确。";
inline constexpr char kOpenDeniedJoinGroup[] =
    "无法打开串口%1：没有访问权限。\n该设备属于用户组“%2”，当前用户必须是该组的成员才能使用它。\n"
    "请执行 sudo usermod -aG %2 $USER 把当前用户加入该组，然后注销并重新登录。";
inline constexpr char kOpenDeniedRelogin[] =
    "无法打开串口%1：没有访问权限。\n当前用户已加入设备所属的用户组“%"
    "2”，但本次登录时尚未加入，所以还未生效。\n"
    "请注销并重新登录，然后再打开串口。";
inline constexpr char kOpenDeniedAskAdmin[] =
    "无法打开串口%1：没有访问权限。\n该设备不允许当前用户读写，请让管理员修改设备权限（例如添加udev规则）。";
inline constexpr char kOpenBusy[] =
    "无法打开串口%1：该串口已被其他程序占用。\n请先关闭正在使用该串口的程序，然后再打开串口。";
inline constexpr char kOpenBusyHolder[] = "占用该串口的程序：%1（进程号%2）";
inline constexpr char kOpenNotSerial[] = "无法打开%1：该设备不是串口。";
inline constexpr char kOpenUnsupported[] =
    "无法打开串口%1：设备不支持所选的波特率、数据位、停止位或校验方式。";
inline constexpr char kOpenFailed[] = "无法打开串口%1：系统错误 %2。";

// Appended to the receive area when the device disappears while open.
inline constexpr char kDeviceLost[] = "\r\n串口%1已断开（设备被拔出或不再响应），串口已关闭。\r\n";

}  // namespace viz::texts::serial
