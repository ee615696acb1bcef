#pragma once

// The small tools page's own texts, also used by its logic (base converter,
// seven-segment codes, font matrix and the "Hex/Bin" file conversions).
namespace viz::texts::tools {

// Base converter
inline constexpr char16_t kConverterGroup[] = u"进制转换";
inline constexpr char16_t kBitLabels[] = u"7  6  5  4  3  2  1  0";
inline constexpr char16_t kBinary[] = u"二进制：";
inline constexpr char16_t kDecimal[] = u"十进制：";
inline constexpr char16_t kHex[] = u"十六进制：";
inline constexpr char16_t kConvertButton[] = u"-";
inline constexpr char16_t kConvertTip[] = u"转换数值并显示";
inline constexpr char16_t kBitName[] = u"第%d位";
inline constexpr char16_t kConvertBinaryName[] = u"转换二进制数";
inline constexpr char16_t kConvertDecimalName[] = u"转换十进制数";
inline constexpr char16_t kConvertHexName[] = u"转换十六进制数";
inline constexpr char16_t kDecimalTooLarge[] = u"最大值不能够超过255！";
inline constexpr char16_t kBinaryTooShort[] = u"二进制数至少需要7位！";

// Seven-segment codes
inline constexpr char16_t kSegmentGroup[] = u"数码管";
inline constexpr char16_t kCommonAnode[] = u"共阳极：";
inline constexpr char16_t kCommonCathode[] = u"共阴极：";
inline constexpr char16_t kSegmentName[] = u"数码管%1段";
inline constexpr char16_t kDotName[] = u"数码管小数点";
inline constexpr char16_t kReferenceName[] = u"数码管0~F编码表";
inline constexpr char16_t kAnodeHeading[] = u"共阳极:0~F\r\n";
inline constexpr char16_t kCathodeHeading[] = u"共阴极:0~F\r\n";

// Font matrix
inline constexpr char16_t kFontGroup[] = u"字模制作";
inline constexpr char16_t kPreview[] = u"预览区域16x16：";
inline constexpr char16_t kFontInput[] = u"输入（支持英文、汉字）：";
inline constexpr char16_t kFontPreset[] = u"中";
inline constexpr char16_t kGenerate[] = u"生成";
inline constexpr char16_t kGenerateTip[] = u"生成字模";
inline constexpr char16_t kFontOutputName[] = u"字模输出";
inline constexpr char16_t kForwardHeading[] = u"字节正序输出：\r\n";
inline constexpr char16_t kInvertedHeading[] = u"\r\n\r\n字节反序输出：\r\n";
inline constexpr char16_t kNotInFont[] = u"该字符不在GB2312字库中！";

// "Hex/Bin" group
inline constexpr char16_t kHexBinGroup[] = u"Hex/Bin";
inline constexpr char16_t kHexBinNote[] =
    u"Hex/Bin功能主要应用于EEPROM数据存储（即用于存放第二功能的代码）"
    u"和方便某些特殊的软件（即只支持Bin文件）烧写程序。";
inline constexpr char16_t kBinToTextRow[] = u"BinToText：";
inline constexpr char16_t kHexToTextRow[] = u"HexToText：";
inline constexpr char16_t kHexToBinRow[] = u"HexToBin ：";
inline constexpr char16_t kChooseBin[] = u"选择Bin文件";
inline constexpr char16_t kChooseHex[] = u"选择Hex文件";
inline constexpr char16_t kToText[] = u"输出为文本";
inline constexpr char16_t kToBin[] = u"输出为Bin文件";
inline constexpr char16_t kChooseBinTip[] = u"选择二进制文件";
inline constexpr char16_t kChooseHexTip[] = u"选择十六进制文件";
inline constexpr char16_t kBinToTextTip[] = u"将二进制文件转换为文本";
inline constexpr char16_t kHexToTextTip[] = u"将十六进制文件转换为文本";
inline constexpr char16_t kHexToBinTip[] = u"将十六进制文件转换为二进制文件";
inline constexpr char16_t kBinFilter[] = u"BIN Files (*.bin)";
inline constexpr char16_t kHexFilter[] = u"HEX Files (*.hex)";
inline constexpr char16_t kProgressTitle[] = u"文件转换进度";

inline constexpr char kBinArrayLine[] = "const unsigned char ucBinToTextBuf[]={\r\n\r\n";
inline constexpr char kHexArrayLine[] = "const unsigned char ucHexToTextBuf[]={\r\n\r\n";

inline constexpr char16_t kBinToTextDone[] = u"二进制文件转换为文本成功，并输出到二进制文件当前目录！";
inline constexpr char16_t kBinToTextFailed[] = u"二进制文件转换为文本失败！";
inline constexpr char16_t kHexToTextDone[] = u"十六进制文件转换为文本成功，并输出到十六进制文件当前目录！";
inline constexpr char16_t kHexToTextFailed[] = u"十六进制文件转换为文本失败！";
inline constexpr char16_t kHexToBinDone[] =
    u"十六进制文件转换为二进制文件成功，并输出到十六进制文件当前目录！";
inline constexpr char16_t kHexFileInvalid[] = u"当前十六进制文件无效！";
inline constexpr char16_t kCreateOrReadFailed[] = u"创建或读取文件失败！";
inline constexpr char16_t kCreateTextFailed[] = u"创建*.h文件失败！";
inline constexpr char16_t kNoFileChosen[] = u"没有选择文件";
inline constexpr char16_t kCannotRead[] = u"无法读取文件“%s”：%s";
inline constexpr char16_t kCannotWrite[] = u"无法写入文件“%s”：%s";
inline constexpr char16_t kInputShrank[] = u"文件“%s”在转换过程中变短了";

}  // namespace viz::texts::tools
