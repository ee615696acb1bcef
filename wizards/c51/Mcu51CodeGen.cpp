#include "wizards/c51/Mcu51CodeGen.h"

#include <array>
#include <cstdarg>
#include <cstdio>

#include "base/MakerInfo.h"
#include "wizards/c51/Mcu51Model.h"
#include "wizards/c51/Mcu51Pins.h"

namespace viz {

namespace {

constexpr char kRule[] = "*****************************************************";

constexpr char kGlobalOff[] = "        %d.全局中断没有开启，所有中断响应将不被执行！\r\n\r\n";
constexpr char kIdleNoWake[] =
    "        %d.单片机工作在空闲模式，却没有使能任何中断，单片机不会被唤醒 ！\r\n\r\n";
constexpr char kPowerDownNoWake[] =
    "        %d.单片机工作在掉电模式，却没有使能外部中断，单片机不会被唤醒 ！\r\n\r\n";

// Per timer: count time set but not running, running without its interrupt, overflowed.
struct TimerDiagnostics {
    const char* notRunning;
    const char* noInterrupt;
    const char* overflowed;
};
constexpr std::array<TimerDiagnostics, 3> kTimerDiagnostics = {{
    {"        %d.定时器/计数器0设置定时时间%dus，却没有被使能！\r\n\r\n",
     "        %d.定时器/计数器0设置定时时间%dus，并已使能，却没有被允许中断！\r\n\r\n",
     "        %d.定时器/计数器0设置定时时间%dus已溢出！\r\n\r\n"},
    {"        %d.定时器/计数器1设置定时时间%dus，却没有被使能！\r\n\r\n",
     "        %d.定时器/计数器1设置定时时间%dus，并已使能，却没有被允许中断！\r\n\r\n",
     "        %d.定时器/计数器1设置定时时间%dus已溢出！\r\n\r\n"},
    {"        %d.定时器/计数器2设置定时时间%dus，却没有被使能！\r\n\r\n",
     "        %d.定时器/计数器2设置定时时间%dus，并已使能，却没有被允许中断！\r\n\r\n",
     "        %d.定时器/计数器2设置定时时间%dus已溢出！\r\n\r\n"},
}};

constexpr char kBothBaud[] =
    "        %d.定时器/计数器1和定时器/计数器2不能同时被设置为波特率发生器！\r\n\r\n";
constexpr char kTimer1BaudNoReceive[] =
    "        %d.定时器/计数器1已被设置为波特率发生器，却没有允许接收！\r\n\r\n";
constexpr char kTimer2BaudNoReceive[] =
    "        %d.定时器/计数器2已被设置为波特率发生器，却没有允许接收！\r\n\r\n";
constexpr char kTimer1BaudInterrupt[] =
    "        %d.定时器/计数器1已被设置为波特率发生器，不允许中断请求！\r\n\r\n";
constexpr char kTimer1BaudCounter[] =
    "        %d.定时器/计数器1已被设置为波特率发生器，不能够为计数器模式！\r\n\r\n";
constexpr char kTimer2BaudInterrupt[] =
    "        %d.定时器/计数器2已被设置为波特率发生器，不允许中断请求！\r\n\r\n";
constexpr char kTimer2BaudCounter[] =
    "        %d.定时器/计数器2已被设置为波特率发生器，不能够为计数器模式！\r\n\r\n";

// A diagnostic whose sentence is built elsewhere.
constexpr char kSentenceItem[] = "        %d.%s\r\n\r\n";

constexpr char kAddCode[] = "//添加你的代码\r\n\r\n";

class CodeWriter {
public:
    void Add(const char* piece) { text_ += piece; }

    [[gnu::format(printf, 2, 3)]] void Format(const char* format, ...) {
        char line[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        text_ += line;
    }

    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// Numbers the diagnostics consecutively over every check that fires.
class Diagnostics {
public:
    explicit Diagnostics(CodeWriter& out) : out_(out) {}
    void Add(const char* format) { out_.Format(format, ++count_); }
    void Add(const char* format, std::int32_t countTime) { out_.Format(format, ++count_, countTime); }
    void AddSentence(const std::string& sentence) { out_.Format(kSentenceItem, ++count_, sentence.c_str()); }

private:
    CodeWriter& out_;
    int count_ = 0;
};

void WriteDiagnostics(const Mcu51Model& model, CodeWriter& out) {
    const Mcu51Image& image = model.image();
    Diagnostics items(out);
    const bool anyInterrupt = (image.IE & 0x3F) != 0;
    if ((image.IE & 0x80) == 0 && anyInterrupt) items.Add(kGlobalOff);
    if ((image.PCON & 0x01) != 0 && !anyInterrupt) items.Add(kIdleNoWake);
    if ((image.PCON & 0x02) != 0 && (image.IE & 0x05) == 0) items.Add(kPowerDownNoWake);

    // Run bit, interrupt enable bit and the mode in which overflow means nothing.
    const std::array<bool, 3> running = {(image.TCON & 0x10) != 0, (image.TCON & 0x40) != 0,
                                         (image.T2CON & 0x04) != 0};
    const std::array<bool, 3> interruptOn = {(image.IE & 0x02) != 0, (image.IE & 0x08) != 0,
                                             (image.IE & 0x20) != 0};
    const std::array<int, 3> baudMode = {-1, 3, 2};
    for (int timer = 0; timer < 3; ++timer) {
        const std::int32_t count = image.countTime[timer];
        if (count == 0) continue;
        const TimerDiagnostics& texts = kTimerDiagnostics[timer];
        if (!running[timer]) {
            items.Add(texts.notRunning, count);
        } else if (!interruptOn[timer]) {
            items.Add(texts.noInterrupt, count);
        }
        if (image.overflow[timer] != 0 && image.mode[timer] != baudMode[timer])
            items.Add(texts.overflowed, count);
    }

    const bool timer1Baud = image.mode[1] == 3;
    const bool timer2Baud = image.mode[2] == 2;
    const bool receiving = (image.SCON & 0x10) != 0;
    if (timer1Baud && timer2Baud) items.Add(kBothBaud);
    if (timer1Baud && !receiving) items.Add(kTimer1BaudNoReceive);
    if (timer2Baud && !receiving) items.Add(kTimer2BaudNoReceive);
    if (timer1Baud && (image.IE & 0x08) != 0) items.Add(kTimer1BaudInterrupt);
    if (timer1Baud && (image.TMOD & 0x40) != 0) items.Add(kTimer1BaudCounter);
    if (timer2Baud && (image.IE & 0x20) != 0) items.Add(kTimer2BaudInterrupt);
    if (timer2Baud && (image.T2CON & 0x40) != 0) items.Add(kTimer2BaudCounter);

    for (int timer : {1, 2}) {
        if (const std::optional<std::string> warning = model.BaudWarning(timer)) items.AddSentence(*warning);
    }
    for (const PinNeed& need : PinsSetForFunctions(image)) items.AddSentence(need.sentence);
}

void WriteHeader(const Mcu51Model& model, Mcu51Compiler compiler, CodeWriter& out) {
    const Mcu51Image& image = model.image();
    out.Format("/%s\r\n", kRule);
    out.Format(" *Blog  :%s\r\n", maker::kBlog);
    out.Format(" *Mail  :%s\r\n", maker::kEmail);
    out.Format(" *Info  :Mcu run frequency(not crystal) %d HZ\r\n", static_cast<int>(image.frequency));
    out.Add(" *Error :\r\n");
    WriteDiagnostics(model, out);
    out.Format(" %s/\r\n\r\n", kRule);
    out.Add(compiler == Mcu51Compiler::Sdcc ? "#include <8052.h>\r\n" : "#include<at89x52.h>\r\n");
    out.Add("\r\n\r\n");
}

void WriteMain(const Mcu51Image& image, CodeWriter& out) {
    out.Add("void main(void)\r\n");
    out.Add("{\r\n\r\n");
    const std::array<std::uint8_t, 4> ports = PortOutputs(image);
    out.Format("  P0=0x%02X;\r\n", ports[0]);
    out.Format("  P1=0x%02X;\r\n", ports[1]);
    out.Format("  P2=0x%02X;\r\n", ports[2]);
    out.Format("  P3=0x%02X;\r\n\r\n", ports[3]);
    out.Format("  TCON=0x%02X;\r\n", image.TCON);
    out.Format("  TMOD=0x%02X;\r\n", image.TMOD);
    out.Format("  TH0=0x%02X;\r\n", image.TH0);
    out.Format("  TL0=0x%02X;\r\n", image.TL0);
    out.Format("  TH1=0x%02X;\r\n", image.TH1);
    out.Format("  TL1=0x%02X;\r\n\r\n", image.TL1);
    out.Format("  T2CON=0x%02X;\r\n", image.T2CON);
    out.Format("  RCAP2H=0x%02X;\r\n", image.RCAP2H);
    out.Format("  RCAP2L=0x%02X;\r\n", image.RCAP2L);
    // Timer 2 loads RCAP2 only at its first overflow; started from zero its
    // first period would be the full 65536 counts.
    if ((image.RCAP2H | image.RCAP2L) != 0) {
        out.Format("  TH2=0x%02X;\r\n", image.RCAP2H);
        out.Format("  TL2=0x%02X;\r\n", image.RCAP2L);
    }
    out.Add("\r\n");
    out.Format("  IP=0x%02X;\r\n", image.IP);
    out.Format("  IE=0x%02X;\r\n", image.IE);
    // Idle and power-down are entered in the loop, not before the set-up is done.
    out.Format("  PCON=0x%02X;\r\n", image.PCON & 0xFC);
    out.Format("  SCON=0x%02X;\r\n\r\n", image.SCON);
    out.Add("  while(1)\r\n");
    out.Add("  {\r\n");
    out.Add("    ");
    out.Add(kAddCode);
    if ((image.PCON & 0x01) != 0) out.Add("      PCON|=0x01;//单片机进入空闲模式\r\n");
    if ((image.PCON & 0x02) != 0) out.Add("      PCON|=0x02;//单片机进入掉电模式\r\n");
    out.Add("  }\r\n\r\n");
    out.Add("}\r\n\r\n\r\n");
}

void WriteRoutineEnd(CodeWriter& out) {
    out.Add("  ");
    out.Add(kAddCode);
    out.Add("}\r\n\r\n\r\n");
}

void WriteReloads(const Mcu51Image& image, int bit, CodeWriter& out) {
    if (bit == 1 && (image.mode[0] == 0 || image.mode[0] == 1)) {
        out.Format("  TH0=0x%02X;\r\n", image.TH0);
        out.Format("  TL0=0x%02X;\r\n", image.TL0);
    }
    // Split into two 8-bit timers, TL0 does not reload by itself.
    if (bit == 1 && image.mode[0] == 3) out.Format("  TL0=0x%02X;\r\n", image.TL0);
    if (bit == 3 && (image.mode[1] == 0 || image.mode[1] == 1)) {
        out.Format("  TH1=0x%02X;\r\n", image.TH1);
        out.Format("  TL1=0x%02X;\r\n", image.TL1);
    }
    if (bit == 5 && image.mode[2] == 0) {
        out.Format("  RCAP2H=0x%02X;\r\n", image.RCAP2H);
        out.Format("  RCAP2L=0x%02X;\r\n", image.RCAP2L);
    }
    // Capturing, timer 2 does not reload and RCAP2 holds the captured count:
    // the count registers are reloaded instead, the capture is left to read.
    if (bit == 5 && image.mode[2] == 1) {
        out.Format("  TH2=0x%02X;\r\n", image.RCAP2H);
        out.Format("  TL2=0x%02X;\r\n", image.RCAP2L);
    }
    // Timer 2 never clears its flags itself; left set they call the routine again at once.
    if (bit == 5) {
        out.Add("  TF2=0;//清除定时器2溢出标志\r\n");
        out.Add("  EXF2=0;//清除定时器2外部标志\r\n");
    }
}

void WriteInterruptRoutines(Mcu51Model& model, Mcu51Compiler compiler, CodeWriter& out) {
    const Mcu51Image& image = model.image();
    constexpr std::array<const char*, 6> kNames = {"Eint0Isr", "T0Isr",     "Eint1Isr",
                                                   "T1Isr",    "SerialIsr", "T2Isr"};
    // SDCC spells the keyword with underscores and the number in brackets.
    const char* const head = compiler == Mcu51Compiler::Sdcc ? "void %s(void) __interrupt(%d)\r\n"
                                                             : "void %s(void) interrupt %d\r\n";
    for (int bit = 0; bit < 6; ++bit) {
        if ((image.IE & (1u << bit)) == 0) continue;
        if (bit == 1) model.RecomputeTimer(0);
        if (bit == 3) model.RecomputeTimer(1);
        if (bit == 5) model.RecomputeTimer(2);
        out.Format(head, kNames[bit], bit);
        out.Add("{\r\n\r\n");
        WriteReloads(image, bit, out);
        if (bit == 4) {
            out.Add("  if(RI)\r\n");
            out.Add("  {\r\n");
            out.Add("     RI=0;\r\n");
            out.Add("    ");
            out.Add(kAddCode);
            out.Add("  }\r\n\r\n");
            out.Add("}\r\n\r\n\r\n");
            continue;
        }
        WriteRoutineEnd(out);
    }
}

}  // namespace

std::string BuildMcu51Code(Mcu51Model& model, Mcu51Compiler compiler) {
    CodeWriter out;
    WriteHeader(model, compiler, out);
    WriteMain(model.image(), out);
    WriteInterruptRoutines(model, compiler, out);
    return out.Take();
}

}  // namespace viz
