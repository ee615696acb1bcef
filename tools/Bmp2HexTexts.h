#pragma once

// The bitmap page's own texts, also used by its conversion logic. Several
// lines carry their exact blanks and line breaks: they become the .h file.
namespace viz::texts::bmp {

inline constexpr char16_t kOperationGroup[] = u"操作区：";
inline constexpr char16_t kInfoGroup[] = u"位图信息(支持单色图、16位色、24位色的*.bmp图片)";
inline constexpr char16_t kChoose[] = u"选择BMP";
inline constexpr char16_t kGenerate[] = u"生成代码";
inline constexpr char16_t kPathName[] = u"BMP文件路径";
inline constexpr char16_t kFilter[] = u"BMP Files (*.bmp)";
inline constexpr char16_t kProgressTitle[] = u"位图转换进度";

// Header lines: the number follows each.
inline constexpr char16_t kSizeLine[] = u"//大小：      ";
inline constexpr char16_t kWidthLine[] = u"//宽度：      ";
inline constexpr char16_t kHeightLine[] = u"//高度：      ";
inline constexpr char16_t kDepthLine[] = u"//色深：      ";
inline constexpr const char16_t* kCompressionLines[] = {
    u"//压缩方式：  BI_RGB\r\n", u"//压缩方式：  BI_RLE8\r\n", u"//压缩方式：  BI_RLE4\r\n",
    u"//压缩方式：  BI_BITFIELDS\r\n"};

inline constexpr char16_t kMonoIntro[] =
    u"//当前代码为单色位图输出：\r\n\r\n  const unsigned char ucBit1MapBuf[] = {  \r\n\r\n";
inline constexpr char16_t kRgb16Intro[] =
    u"//当前代码为16位图输出：\r\n\r\n  const unsigned short int ucBit16MapBuf[] = {  \r\n\r\n";
inline constexpr char16_t kRgb24Intro[] =
    u"//当前代码为24位图输出：\r\n\r\n  const unsigned int ucBit24MapBuf[] = {  \r\n\r\n";
inline constexpr char kClosingLine[] = "    };\r\n\r\n";

inline constexpr char16_t kExtractFailed[] = u"提取图片出错！";
inline constexpr char16_t kWidthNotMultipleOf8[] = u"图片宽度不符合，必须为8的倍数！";
inline constexpr char16_t kNo4Bit[] = u"暂不支持4位图输出！\r\n\r\n";
inline constexpr char16_t kNo8Bit[] = u"暂不支持8位图输出！\r\n\r\n";
inline constexpr char16_t kNo32Bit[] = u"暂不支持32位图输出！\r\n\r\n";
inline constexpr char16_t kNoOtherDepth[] = u"暂不支持未知位图输出！\r\n\r\n";

// The status box after a conversion: the text's beginning, then these.
inline constexpr char16_t kStatusEllipsis[] = u"...\r\n";
inline constexpr char16_t kStatusDots[] = u".....................................................\r\n\r\n";
inline constexpr char16_t kStatusSaved[] = u"保存的*.h文件在当前位图文件目录下创建！\r\n";
inline constexpr char16_t kCreateFailed[] = u"创建*.h文件失败！";

// A file that cannot be read or is no usable BMP: the prefix, then the reason.
inline constexpr char16_t kReadFailed[] = u"读取BMP文件失败：";
inline constexpr char16_t kNoFileChosen[] = u"没有选择文件";
inline constexpr char16_t kTooShort[] = u"文件太短，不是完整的BMP文件";
inline constexpr char16_t kNotBmp[] = u"文件不是以“BM”开头，不是BMP文件";
inline constexpr char16_t kHeaderSize[] = u"不支持的信息头长度%d字节";
inline constexpr char16_t kBadDepth[] = u"不支持的色深%d位";
inline constexpr char16_t kPaletteOutside[] = u"调色板超出了文件末尾";
inline constexpr char16_t kPixelsOutside[] = u"像素数据超出了文件末尾（需要%d字节，文件只有%d字节）";

}  // namespace viz::texts::bmp
