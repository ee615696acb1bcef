#pragma once

// The texts of the "下载程序" window and of its logic. The logic's texts are
// UTF-8 (char) and filled with FillText ("%s"); the window's fixed labels are
// char16_t for Text().
namespace viz::texts::flash {

// Window and controls.
inline constexpr char16_t kTitle[] = u"下载程序";
inline constexpr char16_t kTargetGroup[] = u"目标芯片";
inline constexpr char16_t kTargetLabel[] = u"目标：";
inline constexpr char16_t kTargetStc[] = u"STC 单片机（串口 ISP）";
inline constexpr char16_t kTargetAvrBootloader[] = u"AVR（串口引导程序）";
inline constexpr char16_t kTargetAvrProgrammer[] = u"AVR / AT89S5x（USB 编程器）";
inline constexpr char16_t kPortLabel[] = u"串口：";
inline constexpr char16_t kBaudLabel[] = u"下载波特率：";
inline constexpr char16_t kProtocolLabel[] = u"协议：";
inline constexpr char16_t kChipLabel[] = u"芯片：";
inline constexpr char16_t kProgrammerLabel[] = u"编程器：";
inline constexpr char16_t kPowerCycleByDtr[] = u"用DTR控制单片机电源（自动断电后重新上电）";
inline constexpr char16_t kStcAuto[] = u"自动识别";
inline constexpr char16_t kAvrArduino[] = u"STK500 v1（常见引导程序，arduino）";
inline constexpr char16_t kAvrUrclock[] = u"urboot（urclock）";
inline constexpr char16_t kAvrAvr109[] = u"AVR109（butterfly / Caterina）";
inline constexpr char16_t kAvrWiring[] = u"STK500 v2（wiring）";
inline constexpr char16_t kListing[] = u"正在读取下载工具的列表……";

inline constexpr char16_t kFirmwareGroup[] = u"固件";
inline constexpr char16_t kUseWizard[] = u"当前向导代码";
inline constexpr char16_t kUseFile[] = u"文件：";
inline constexpr char16_t kFileName[] = u"固件文件";
inline constexpr char16_t kBrowse[] = u"浏览…";
inline constexpr char16_t kBrowseTitle[] = u"选择固件文件";
inline constexpr char16_t kBrowseFilter[] =
    u"固件文件 (*.hex *.ihx *.bin *.elf);;Intel HEX (*.hex *.ihx);;二进制文件 (*.bin);;ELF (*.elf);;所有文件 "
    u"(*)";
inline constexpr char16_t kNoWizardFirmware[] = u"向导还没有提供代码，请选择固件文件。";
// "下载到芯片" builds the wizard's code first, as the virtual board does.
inline constexpr char16_t kWizardBuilding[] = u"正在编译向导代码…";
inline constexpr char16_t kWizardBuilt[] = u"向导代码已编译，可以开始下载";
inline constexpr char16_t kWizardBuildFailed[] = u"向导代码编译失败：";
inline constexpr char16_t kWizardSeeOutput[] = u"请看下方编译器的输出";

inline constexpr char16_t kFuseGroup[] = u"熔丝位和锁定位";
inline constexpr char16_t kWriteFuses[] = u"同时写入下面的熔丝位和锁定位";
inline constexpr char16_t kFuseWarning[] =
    u"警告：错误的熔丝位会让芯片无法再通过编程器或引导程序下载（例如关闭了ISP、选错了时钟源），"
    u"锁定位会禁止读出和改写。除非确知每一位的含义，否则不要勾选。";
inline constexpr char16_t kLowFuse[] = u"低熔丝位（lfuse）：";
inline constexpr char16_t kHighFuse[] = u"高熔丝位（hfuse）：";
inline constexpr char16_t kExtendedFuse[] = u"扩展熔丝位（efuse）：";
inline constexpr char16_t kLockBits[] = u"锁定位（lock）：";

inline constexpr char16_t kStart[] = u"开始下载";
inline constexpr char16_t kCancel[] = u"取消";
inline constexpr char16_t kProgressName[] = u"下载进度";
inline constexpr char16_t kStageName[] = u"下载阶段";
inline constexpr char16_t kStatusName[] = u"下载状态";
inline constexpr char16_t kOutputName[] = u"下载工具的输出";
inline constexpr char16_t kReady[] = u"就绪";

// Stages, as the progress line shows them ("写入 45%").
inline constexpr char kStageConnect[] = "连接芯片";
inline constexpr char kStageErase[] = "擦除";
inline constexpr char kStageWrite[] = "写入";
inline constexpr char kStageVerify[] = "校验";
inline constexpr char kStagePercent[] = "%s %s%";

// While the tool runs.
inline constexpr char kPowerCycle[] = "请给单片机断电后重新上电";
inline constexpr char kStillWaiting[] = "下载工具已经%s秒没有输出，仍在等待；可以点“取消”结束。";
inline constexpr char kCancelling[] = "正在取消……";

// Tools missing.
inline constexpr char kMissingAvrdude[] = "缺少下载工具avrdude：请执行 sudo apt install avrdude 安装。";
inline constexpr char kMissingStcgal[] =
    "缺少下载工具stcgal：请执行 pip install stcgal 或 pipx install stcgal 安装。";

// Refused before the tool starts.
inline constexpr char kNoPort[] = "请先选择串口。";
inline constexpr char kNoPart[] = "请先选择芯片型号。";
inline constexpr char kNoProgrammer[] = "请先选择编程器。";
inline constexpr char kNoFile[] = "请先选择固件文件。";
inline constexpr char kBadFuse[] = "%s的值“%s”不对：请填写一个十六进制字节，例如0xFF。";
inline constexpr char kNoFuseGiven[] = "已勾选写入熔丝位和锁定位，但没有填写任何值。";
inline constexpr char kPortBusy[] = "无法下载：串口%s已被其他程序占用，请先关闭它。\n%s";
inline constexpr char kStartFailed[] = "无法启动%s：%s";
inline constexpr char kNoTempFolder[] = "无法准备固件的临时副本：%s";

// The firmware check.
inline constexpr char kFileUnreadable[] = "无法读取固件文件%s：%s";
inline constexpr char kFileEmpty[] = "固件文件%s是空的。";
inline constexpr char kFileTooLargeToRead[] = "固件文件%s太大（%s字节），不是单片机的固件。";
inline constexpr char kNotFirmware[] =
    "%s不是固件文件：请选择Intel HEX（.hex、.ihx）、二进制（.bin）或AVR的ELF文件。";
inline constexpr char kHexProblem[] = "Intel HEX文件%s第%s行：%s";
inline constexpr char kHexWhole[] = "Intel HEX文件%s：%s";
inline constexpr char kHexEmpty[] = "Intel HEX文件%s中没有数据。";
inline constexpr char kElfForStc[] = "%s是ELF文件：STC单片机只能下载Intel HEX或二进制文件。";
inline constexpr char kElfNotAvr[] = "%s是为其他处理器生成的ELF文件（机器类型%s），不是AVR程序。";
inline constexpr char kElfBroken[] = "ELF文件%s不完整或已损坏（%s）。";
inline constexpr char kElfNoCode[] = "ELF文件%s中没有要写入闪存的代码。";
inline constexpr char kTooLarge[] = "固件太大：%s要占用%s字节闪存（到地址0x%s），而%s只有%s字节闪存。";

// The end of a run.
inline constexpr char kDoneVerified[] = "下载完成，校验通过（%s字节，用时%s秒）";
inline constexpr char kDone[] = "下载完成（%s字节，用时%s秒）";
inline constexpr char kFailed[] = "下载失败：%s";
inline constexpr char kCancelled[] = "下载已取消：芯片中现在可能只有写了一部分的程序，请重新下载。";
inline constexpr char kCancelledEarly[] = "下载已取消。";
inline constexpr char kToolEnded[] = "下载工具出错结束（%s）。";
inline constexpr char kLastLines[] = "下载工具最后的输出：\n%s";

// Why a run failed, from what the tool printed.
inline constexpr char kNoAnswer[] =
    "芯片没有应答。请检查串口和下载波特率是否正确，并复位单片机或给它断电后重新上电，再试一次。";
inline constexpr char kNoAnswerUsb[] =
    "芯片没有应答。请检查编程器与芯片的连线、芯片的电源，以及所选的芯片型号。";
inline constexpr char kPermissionDenied[] =
    "没有访问该设备的权限。请执行 sudo usermod -aG dialout $USER 把当前用户加入dialout组，"
    "然后注销并重新登录。";
inline constexpr char kWrongSignature[] = "芯片型号不符：芯片的签名与所选的芯片不同，请检查所选的芯片型号。";
inline constexpr char kNoSuchPort[] = "串口不存在。请检查设备是否已连接，以及串口名称是否正确。";
inline constexpr char kNoProgrammerFound[] =
    "找不到USB编程器。请检查编程器是否已插好，以及所选的编程器型号。";
inline constexpr char kPortInUse[] = "串口被占用。请关闭正在使用该串口的程序。";
inline constexpr char kFileRejected[] = "下载工具无法读取固件文件。";

}  // namespace viz::texts::flash
