#pragma once

// The settings dialog's own texts.
namespace viz::texts {

inline constexpr char kSoftConfigureTitle[] = "软件配置";
inline constexpr char kAutoCheck[] = "自动检测新版本";
inline constexpr char kWaiting[] = "等待配置...";
inline constexpr char kStatusName[] = "配置状态";
inline constexpr char kConfigure[] = "配置";
inline constexpr char kConfigured[] = "配置成功，并在重启软件后生效！";
inline constexpr char kRestore[] = "恢复";
inline constexpr char kRestored[] = "恢复默认配置成功，并在重启软件后生效！";
inline constexpr char kExit[] = "退出";
inline constexpr char kPlotSamples[] = "波形显示每通道保留采样数：";
inline constexpr char kTipPlotSamples[] = "波形显示窗口每个通道最多保留的采样数，超出时丢弃最早的采样";
inline constexpr char kKeptLines[] = "接收区保留行数(&L)：";
inline constexpr char kKeptLinesName[] = "接收区保留行数";
inline constexpr char kTipKeptLines[] =
    "每个接收区最多保留的行数（200～100000），立即生效。200：超过200行时清空接收区；"
    "更大：超出时丢弃最早的行";
inline constexpr char kBadPlotSamples[] = "配置失败：波形显示每通道保留采样数须为1000～1000000之间的整数！";
inline constexpr char kBadKeptLines[] = "配置失败：接收区保留行数须为200～100000之间的整数！";
inline constexpr char kConfiguredNow[] = "配置成功，接收区保留行数已生效，其他配置在重启软件后生效！";
// Shown instead of a success text when the settings file cannot be written.
inline constexpr char kSaveFailed[] = "配置失败：无法写入设置文件，请检查配置目录的权限！";

}  // namespace viz::texts
