#pragma once

// The plot window's texts ("波形显示").
namespace viz::plot_texts {

inline constexpr char16_t kButton[] = u"波形显示";
inline constexpr char16_t kTipButton[] =
    u"把接收到的数字画成曲线（每行一个采样，逗号、空格、制表符或分号分隔各列，"
    u"也可写成 名称:数值 或 名称=数值）";
// "%1" is the page's name.
inline constexpr char16_t kTitle[] = u"波形显示 - %1";
inline constexpr char16_t kPageSerial[] = u"串口";
inline constexpr char16_t kPageUsb[] = u"USB";
inline constexpr char16_t kPageNetwork[] = u"网络";
inline constexpr char16_t kPageServer[] = u"服务器";

inline constexpr char16_t kPause[] = u"暂停";
inline constexpr char16_t kContinue[] = u"继续";
inline constexpr char16_t kTipPause[] = u"暂停时曲线不再更新，新收到的数据不画入曲线（接收区照常接收）";
inline constexpr char16_t kClear[] = u"清空";
inline constexpr char16_t kTipClear[] = u"清除所有采样和通道";
inline constexpr char16_t kResetView[] = u"复位视图";
inline constexpr char16_t kTipResetView[] = u"回到自动跟随最近N点的视图";
inline constexpr char16_t kAxisLabel[] = u"X轴：";
inline constexpr char16_t kAxisNumber[] = u"采样序号";
inline constexpr char16_t kAxisTime[] = u"接收时间";
inline constexpr char16_t kWindowLabel[] = u"最近";
inline constexpr char16_t kWindowUnit[] = u"点";
inline constexpr char16_t kWindowName[] = u"最近N点";
inline constexpr char16_t kTipWindow[] = u"未暂停时曲线跟随显示最近的这么多个采样";
inline constexpr char16_t kYAuto[] = u"Y轴自动";
inline constexpr char16_t kTipYAuto[] = u"勾选时Y轴范围随显示的数据自动调整；不勾选时使用输入的范围";
inline constexpr char16_t kYMinLabel[] = u"Y最小：";
inline constexpr char16_t kYMaxLabel[] = u"Y最大：";
inline constexpr char16_t kYApply[] = u"设定Y范围";
inline constexpr char16_t kExportCsv[] = u"导出CSV";
inline constexpr char16_t kTipExportCsv[] = u"把保留的全部采样（序号、时间、各通道数值）写入CSV文件";
inline constexpr char16_t kSavePicture[] = u"保存图片";
inline constexpr char16_t kTipSavePicture[] = u"把当前显示的曲线保存为PNG图片";
inline constexpr char16_t kPlotName[] = u"波形图";
inline constexpr char16_t kTipPlot[] =
    u"滚轮缩放X轴，按住Ctrl滚动缩放Y轴，拖动平移；键盘：方向键平移，+/-缩放X轴，"
    u"Ctrl加+/-缩放Y轴，Home复位视图";
inline constexpr char16_t kLegendName[] = u"通道图例";
inline constexpr char16_t kTipLegend[] = u"勾选显示该通道的曲线，取消勾选则隐藏";
inline constexpr char16_t kStatusName[] = u"波形状态";
// Samples per second, channels, kept samples, skipped lines.
inline constexpr char16_t kStatus[] = u"速度%1个采样/秒，通道%2个，保留%3个采样，跳过%4行";
inline constexpr char16_t kStatusPaused[] = u"（已暂停）";
inline constexpr char16_t kMessageName[] = u"导出状态";

inline constexpr char16_t kBadYTitle[] = u"波形显示";
inline constexpr char16_t kBadY[] = u"Y轴范围无效：请在“Y最小”和“Y最大”中输入数字，并且最小值要小于最大值。";

// "%1" is the file's path; "%2" the number of samples.
inline constexpr char16_t kCsvFile[] = u"%1波形数据.csv";
inline constexpr char16_t kCsvFilter[] = u"CSV文件 (*.csv)";
inline constexpr char16_t kCsvWriting[] = u"正在导出CSV…";
inline constexpr char16_t kCsvDone[] = u"已导出%2个采样到%1";
inline constexpr char16_t kCsvFailed[] = u"导出CSV失败：%1";
inline constexpr char16_t kPictureFile[] = u"%1波形图片.png";
inline constexpr char16_t kPictureFilter[] = u"PNG图片 (*.png)";
inline constexpr char16_t kPictureDone[] = u"图片已保存到%1";
inline constexpr char16_t kPictureFailed[] = u"保存图片失败：%1";

}  // namespace viz::plot_texts
