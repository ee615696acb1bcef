#pragma once

// Why a firmware file was refused (UTF-8), shown by the virtual board and
// the AVR runner alike.
namespace viz::texts::firmware {

inline constexpr char kCannotRead[] = "无法读取固件文件%s：%s";
inline constexpr char kFileTooBig[] = "固件文件%s太大（超过%s字节），不是单片机固件";
inline constexpr char kNotHex[] = "固件格式不对：%s不是Intel HEX文件（第%s行不以“:”开头）";
inline constexpr char kNotHexOrElf[] =
    "固件格式不对：%s既不是Intel HEX文件也不是ELF文件（第%s行不以“:”开头）";
inline constexpr char kElfFor8051[] = "固件格式不对：%s是ELF文件，8051请选择Intel HEX文件（.ihx或.hex）";
inline constexpr char kElfNotAvr[] = "固件格式不对：%s不是AVR程序（ELF机器类型%s）";
inline constexpr char kElfBroken[] = "固件不完整：ELF文件%s在第%s字节处被截断";
inline constexpr char kElfSectionsDamaged[] = "固件已损坏：ELF文件%s的节头表无效";
inline constexpr char kElfSectionDamaged[] = "固件已损坏：ELF文件%s的第%s节的节头无效";
inline constexpr char kHexLine[] = "Intel HEX文件%s第%s行：%s";
inline constexpr char kHexCut[] =
    "Intel HEX文件%s不完整：第%s行之后没有结束记录（:00000001FF），文件可能被截断";
inline constexpr char kHexTooLarge[] =
    "固件太大：Intel HEX文件%s第%s行的数据到达地址0x%s，超出了%s的程序存储器（%s字节）";
inline constexpr char kElfTooLarge[] = "固件太大：%s需要%s字节程序存储器，%s只有%s字节";
inline constexpr char kNoCode[] = "固件文件%s中没有程序数据";

}  // namespace viz::texts::firmware
