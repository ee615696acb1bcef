#pragma once

#include <array>

// The checksum page's own texts. Some list entries end in two blanks on purpose.
namespace viz::texts::check {

inline constexpr char kHexCaption[] = "校验数据[16进制]（双击文本框切换数据类型）";
inline constexpr char kTextCaption[] = "校验数据[字符串]（双击文本框切换数据类型）";
inline constexpr char kCompute[] = "计算";
inline constexpr char kComputeComplement[] = "计算后取反";
inline constexpr char kClear[] = "清空";
inline constexpr char kResults[] = "校验结果";
inline constexpr char kCommon[] = "常用校验";
inline constexpr char kCrc[] = "CRC";
inline constexpr char kCrcResult[] = "结果";

inline constexpr char kOddParity[] = "奇校验";
inline constexpr char kEvenParity[] = "偶校验";
inline constexpr char kIntelHex[] = "IntelHex校验和";
inline constexpr char kBcc[] = "BCC校验";
inline constexpr char kSum8[] = "校验和-8";
inline constexpr char kTcpIp[] = "TCP/IP校验和";
inline constexpr char kSum16[] = "校验和-16";
inline constexpr char kSum32[] = "检验和-32";

// Names of the CRC result boxes, which share the one label "结果".
inline constexpr std::array<const char*, 3> kCrcResultNames{"CRC-8结果", "CRC-16结果", "CRC-32结果"};
// The keyboard way to switch the input between hex and text, beside the double-click.
inline constexpr char kToggleMode[] = "切换数据类型（16进制/字符串）";

inline constexpr char kCrc8Entry[] = "0x18-国际标准";
inline constexpr std::array<const char*, 3> kCrc16Entries{"0x8005-美国标准", "0x1021-CCITT标准",
                                                          "0xA001-RTU标准  "};
inline constexpr char kCrc32Entry[] = "0x04C11DB7-文件校验标准  ";

// The buffer holds 4096 bytes; longer input is cut and the user told so.
inline constexpr char kTruncatedTitle[] = "数据校验";
inline constexpr char kTruncated[] = "数据超过4096字节，只计算了前4096字节的校验值。";

}  // namespace viz::texts::check
