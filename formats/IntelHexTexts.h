#pragma once

// What is wrong with an Intel HEX file, shared by the file conversions and the
// virtual board's firmware check.
namespace viz::texts::intelhex {

// What is wrong with a HEX file; a line's problem follows "第%d行：".
inline constexpr char16_t kHexLine[] = u"第%d行：";
inline constexpr char16_t kHexNoColon[] = u"记录不是以“:”开头";
inline constexpr char16_t kHexNotHexDigit[] = u"第%d个字符不是十六进制数字";
inline constexpr char16_t kHexOddDigits[] = u"记录的十六进制数字个数不是偶数";
inline constexpr char16_t kHexTooShort[] = u"记录太短";
inline constexpr char16_t kHexLengthMismatch[] = u"长度字段为%d，记录实际有%d个数据字节";
inline constexpr char16_t kHexBadChecksum[] = u"校验和错误（应为%s，记录中为%s）";
inline constexpr char16_t kHexBadType[] = u"不支持的记录类型%s";
inline constexpr char16_t kHexBadAddressRecord[] = u"地址记录的长度必须为%d字节";
inline constexpr char16_t kHexAddressTooHigh[] = u"数据地址超出了4GB";
inline constexpr char16_t kHexNoEnd[] = u"文件中没有结束记录（:00000001FF）";

}  // namespace viz::texts::intelhex
