#pragma once

// The learning board's window texts (UTF-8): the board picture, its wiring
// table and the logic analyser.
namespace viz::texts::learn {

inline constexpr char kBoardTitle[] = "学习板";
inline constexpr char kBoardPictureName[] = "学习板画面";
inline constexpr char kLedName[] = "LED D%1";
inline constexpr char kKeyName[] = "按键 K%1";
inline constexpr char kKeypadName[] = "矩阵键盘 第%1行第%2列";
inline constexpr char kDigitsName[] = "数码管";
inline constexpr char kLcdName[] = "LCD1602";
inline constexpr char kBuzzerName[] = "蜂鸣器";
inline constexpr char kBuzzerLabel[] = "蜂鸣器：";
inline constexpr char kPotName[] = "电位器";
inline constexpr char kPotLabel[] = "电位器（ADC0）：";
inline constexpr char kLedsGroup[] = "LED";
inline constexpr char kKeysGroup[] = "独立按键";
inline constexpr char kKeypadGroup[] = "矩阵键盘";

// Wiring table.
inline constexpr char kWiringTitle[] = "接线";
inline constexpr char kWiringBoard[] = "学习板：";
inline constexpr char kWiringBoardName[] = "学习板型号";
inline constexpr char kMcs51Board[] = "8051学习板";
inline constexpr char kAvrBoard[] = "ATmega16学习板";
inline constexpr char kPartColumn[] = "部件";
inline constexpr char kSignalColumn[] = "信号";
inline constexpr char kPinColumn[] = "引脚";
inline constexpr char kWiringTableName[] = "接线表";
inline constexpr char kRestoreWiring[] = "恢复默认接线";
inline constexpr char kNotConnected[] = "未连接";
inline constexpr char kBadPin[] = "无效的引脚：%1（例如 P1.5 或 PB3，留空表示未连接）";
inline constexpr char kWiringNotSaved[] = "接线未能保存";
inline constexpr char kDigitsCommon[] = "数码管公共端：";
inline constexpr char kDigitsCommonName[] = "数码管公共端";
inline constexpr char kCommonCathode[] = "共阴极";
inline constexpr char kCommonAnode[] = "共阳极";
inline constexpr char kDigitsSelect[] = "位选：";
inline constexpr char kDigitsSelectName[] = "数码管位选方式";
inline constexpr char kSelectDecoder[] = "经3-8译码器（A、B、C）";
inline constexpr char kSelectDirect[] = "直接（DIG1～DIG8）";
inline constexpr char kPartLeds[] = "LED";
inline constexpr char kPartKeys[] = "独立按键";
inline constexpr char kPartKeypad[] = "矩阵键盘";
inline constexpr char kPartDigits[] = "数码管";
inline constexpr char kPartLcd[] = "LCD1602";
inline constexpr char kPartBuzzer[] = "蜂鸣器";
inline constexpr char kPartPot[] = "电位器";

// The panel beside the pin lamps.
inline constexpr char kPanelName[] = "学习板面板";
inline constexpr char kStartTrace[] = "开始记录";
inline constexpr char kStopTrace[] = "停止记录";
inline constexpr char kTracing[] = "正在记录 %1 个引脚";
// The chosen chip lacks ports the wiring uses.
inline constexpr char kMissingPorts[] = "%1没有%2：接在这些引脚上的部件不工作，可在“接线”页改接";
inline constexpr char kPortSeparator[] = "、";
// The pins' channel from s51 could not be made: the chip runs without the board.
inline constexpr char kUnfed[] = "学习板未连接：无法建立引脚通道（%1），本次运行学习板不工作";

// Logic analyser.
inline constexpr char kLogicTitle[] = "逻辑分析";
inline constexpr char kExportVcd[] = "导出VCD";
inline constexpr char kZoomIn[] = "放大";
inline constexpr char kZoomOut[] = "缩小";
inline constexpr char kZoomAll[] = "全部";
inline constexpr char kWavesName[] = "波形";
inline constexpr char kPanName[] = "波形位置";
inline constexpr char kMeasureName[] = "测量结果";
inline constexpr char kMeasureHint[] = "左键和右键各放一个光标，光标吸附到最近的跳变沿";
inline constexpr char kMeasure[] = "两光标间隔 %1，频率 %2";
inline constexpr char kNoTrace[] = "没有记录";
inline constexpr char kTraceFull[] = "记录已满，之后的变化未记录";
inline constexpr char kVcdDialogTitle[] = "导出VCD";
inline constexpr char kVcdFilter[] = "VCD文件 (*.vcd)";
inline constexpr char kVcdSaved[] = "已导出：%1";
inline constexpr char kVcdFailed[] = "导出失败：%1";

}  // namespace viz::texts::learn
