#include "wizards/c51/Mcu51Model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace viz {
namespace {

constexpr int kCrystal4_608 = 7;
constexpr int kCrystal11_0592 = 14;
constexpr int kCrystal12 = 15;
constexpr int kSpeed1T = 0;
// How a baud rate more than 2 % off ends in the log.
const std::string kBaudAdvice = "，建议使用11.0592MHz或22.1184MHz晶振，或降低波特率！";

// The log's sentences in order, without the "> " prefix and line ends.
std::vector<std::string> Sentences(const Mcu51Log& log) {
    std::vector<std::string> out;
    const std::string& text = log.text();
    std::size_t pos = 0;
    while (pos < text.size()) {
        EXPECT_EQ(text.compare(pos, 2, "> "), 0) << "every log line starts with \"> \"";
        const std::size_t end = text.find("\r\n", pos);
        out.push_back(text.substr(pos + 2, end - pos - 2));
        pos = end + 2;
    }
    return out;
}

TEST(Mcu51Model, StartsAllZeroAt12MHzAnd9600Baud) {
    Mcu51Model model;
    const Mcu51Image& image = model.image();
    EXPECT_EQ(image.frequency, 12000000u);
    EXPECT_EQ(image.baud, 9600u);
    EXPECT_EQ(image.TMOD | image.TCON | image.T2CON | image.IE | image.IP | image.SCON | image.PCON, 0);
    EXPECT_EQ(model.crystalIndex(), kCrystal12);
    EXPECT_TRUE(model.log().text().empty());
}

TEST(Mcu51Model, TimerReloadsFromCountTimeInEachMode) {
    Mcu51Model model;
    model.SelectTimer0Mode(1);
    model.SetCountText(0, "1000");
    EXPECT_EQ(model.image().TMOD, 0x01);
    EXPECT_EQ(model.image().TH0, 0xFC);
    EXPECT_EQ(model.image().TL0, 0x18);
    EXPECT_EQ(model.image().overflow[0], 0u);

    // 13-bit mode: TH0 holds bits 12..5 of 8192 - 1000 = 0x1C18, TL0 bits 4..0.
    model.SelectTimer0Mode(0);
    EXPECT_EQ(model.image().TH0, 0xE0);
    EXPECT_EQ(model.image().TL0, 0x18);

    // 8-bit reload: 1000 ticks do not fit; the registers keep their values.
    model.SelectTimer0Mode(2);
    EXPECT_EQ(model.image().overflow[0], 1u);
    EXPECT_EQ(model.image().TH0, 0xE0);
    EXPECT_EQ(model.image().TL0, 0x18);
    EXPECT_EQ(Sentences(model.log()).back(), "定时器/计数器0计数值已溢出！");

    model.SetCountText(0, "200");
    EXPECT_EQ(model.image().overflow[0], 0u);
    EXPECT_EQ(model.image().TH0, 0x38);
    EXPECT_EQ(model.image().TL0, 0x38);

    // Timer 0's split mode reloads like mode 2 and explains itself in three sentences.
    const std::size_t before = Sentences(model.log()).size();
    model.SelectTimer0Mode(3);
    const auto sentences = Sentences(model.log());
    ASSERT_EQ(sentences.size(), before + 3);
    EXPECT_EQ(sentences[before + 2],
              "定时器/计数器0的TH0将占用定时器/计数器1在TCON和TMOD寄存器中的控制位和标志位");
    EXPECT_EQ(model.image().TMOD, 0x03);
    EXPECT_EQ(model.image().TH0, 0x38);
}

TEST(Mcu51Model, CountEditsStoreTheLeadingNumber) {
    Mcu51Model model;
    model.SelectTimer1Mode(1);
    model.SetCountText(1, "50ms");
    EXPECT_EQ(model.image().countTime[1], 50);
    EXPECT_EQ(model.image().TH1, 0xFF);
    EXPECT_EQ(model.image().TL1, 0xCE);

    // An empty edit changes nothing; 0 is kept but leaves the registers alone.
    model.SetCountText(1, "");
    EXPECT_EQ(model.image().countTime[1], 50);
    model.SetCountText(1, "abc");
    EXPECT_EQ(model.image().countTime[1], 0);
    EXPECT_EQ(model.image().TL1, 0xCE);

    // From the exact crystal, rounded: 1200 us at 11.0592 MHz are 1105.92
    // cycles, 1106 (65536 - 1106 = 0xFBAE); 1 us at 4.608 MHz is 0.384, none.
    model.SelectCrystal(kCrystal11_0592);
    model.SetCountText(1, "1200");
    EXPECT_EQ(model.image().TH1, 0xFB);
    EXPECT_EQ(model.image().TL1, 0xAE);
    model.SetCountText(1, "1201");
    EXPECT_EQ(model.image().TL1, 0xAD);  // 1106.84 cycles, 1107
    model.SelectCrystal(kCrystal4_608);
    model.SetCountText(1, "1");
    EXPECT_EQ(model.image().TH1, 0x00);
    EXPECT_EQ(model.image().TL1, 0x00);
}

TEST(Mcu51Model, AnEnormousCountTimeOverflowsInsteadOfWrapping) {
    Mcu51Model model;
    model.SelectTimer0Mode(1);
    model.SetCountText(0, "1000");
    // 357913942 us x 12 wraps to 8 in 32 bits, which would load a full period.
    model.SetCountText(0, "357913942");
    EXPECT_EQ(model.image().overflow[0], 1u);
    EXPECT_EQ(model.image().TH0, 0xFC);
    model.SetCountText(0, "-5");
    EXPECT_EQ(model.image().overflow[0], 1u);
}

TEST(Mcu51Model, Timer1BaudReloadFollowsCrystalAndBaud) {
    Mcu51Model model;
    model.SelectCrystal(kCrystal11_0592);
    model.SelectTimer1Mode(3);
    EXPECT_EQ(model.image().TH1, 0xFD);
    EXPECT_EQ(model.image().TL1, 0xFD);
    // The baud generator is timer 1 in 8-bit reload mode.
    EXPECT_EQ(model.image().TMOD & 0x30, 0x20);
    EXPECT_EQ(Sentences(model.log()).back(), "定时器/计数器1为波特率发生器");

    // 11059200 / (384 x 115200) = 0.25 counts: the fastest reload, far off,
    // and beyond the fastest rate of this clock even doubled.
    model.SelectBaud(9);
    EXPECT_EQ(model.image().baud, 115200u);
    EXPECT_EQ(model.image().TH1, 0xFF);
    const auto sentences = Sentences(model.log());
    EXPECT_EQ(sentences[sentences.size() - 2], "串口波特率设置为115200");
    EXPECT_EQ(sentences.back(),
              "当前时钟无法准确产生115200波特率：实际28800，误差-75.0%，当前时钟最高只能产生57600波特率，"
              "请降低波特率或提高倍速！");
}

// Baud first, then "波特率倍增", or the other way round: the reload follows
// the doubling at once and the log says so.
TEST(Mcu51Model, DoublingRecomputesTheReloadInAnyOrderOfClicks) {
    Mcu51Model model;
    model.SelectCrystal(kCrystal11_0592);
    model.SelectTimer1Mode(3);
    model.SelectBaud(3);
    model.log().Clear();
    model.Toggle(Mcu51Switch::DoubleBaud);
    EXPECT_EQ(model.image().PCON, 0x80);
    EXPECT_EQ(model.image().TH1, 0xFA);
    EXPECT_EQ(model.image().TL1, 0xFA);
    EXPECT_EQ(Sentences(model.log()),
              (std::vector<std::string>{"串口波特率倍增[注意：只适合用于定时器/计数器1]",
                                        "定时器/计数器1的波特率重载值随之改为TH1=TL1=0xFA"}));
    EXPECT_TRUE(model.BaudAccuracyOf(1)->acceptable());

    Mcu51Model first;
    first.SelectCrystal(kCrystal11_0592);
    first.Toggle(Mcu51Switch::DoubleBaud);
    first.SelectTimer1Mode(3);
    first.SelectBaud(3);
    EXPECT_EQ(first.image().TH1, model.image().TH1);

    // Clearing it goes back; without timer 1 as baud generator nothing else changes.
    model.log().Clear();
    model.Toggle(Mcu51Switch::DoubleBaud);
    EXPECT_EQ(model.image().TH1, 0xFD);
    EXPECT_EQ(Sentences(model.log()).back(), "定时器/计数器1的波特率重载值随之改为TH1=TL1=0xFD");
    model.SelectTimer1Mode(2);
    model.log().Clear();
    model.Toggle(Mcu51Switch::DoubleBaud);
    EXPECT_EQ(Sentences(model.log()).size(), 1u);
    EXPECT_EQ(model.image().TH1, 0xFD);
}

// A missed rate names what to change, not always the crystal.
TEST(Mcu51Model, BaudWarningsNameTheRealCause) {
    Mcu51Model model;
    model.SelectCrystal(kCrystal11_0592);
    model.SelectTimer1Mode(3);
    model.SelectBaud(5);  // 19200: 1.5 counts, 2 without doubling, 3 with it
    EXPECT_EQ(*model.BaudWarning(1),
              "未开启波特率倍增，无法准确产生19200波特率：实际14400，误差-25.0%，请勾选“波特率倍增”！");
    model.Toggle(Mcu51Switch::DoubleBaud);
    EXPECT_FALSE(model.BaudWarning(1));

    model.SelectBaud(7);  // 56000 divides neither 11.0592 nor 22.1184 MHz
    EXPECT_EQ(*model.BaudWarning(1),
              "当前时钟无法准确产生56000波特率：实际57600，误差+2.9%，该波特率不能由常用晶振整数分频得到，"
              "请选用其它波特率！");

    model.SelectCrystal(kCrystal12);
    model.SelectBaud(3);
    EXPECT_EQ(*model.BaudWarning(1), "当前晶振无法准确产生9600波特率：实际8929，误差-7.0%" + kBaudAdvice);
    EXPECT_FALSE(model.BaudWarning(2)) << "timer 2 is no baud generator";
}

TEST(Mcu51Model, BaudReloadsAreTheNearestAndMissesAreLoggedOnce) {
    Mcu51Model model;
    // 12 MHz: 12000000 / 3686400 = 3.26 counts, 3, which gives 10417 baud.
    model.SelectTimer1Mode(3);
    EXPECT_EQ(model.image().TH1, 0xFD);
    EXPECT_EQ(Sentences(model.log()).back(),
              "当前晶振无法准确产生9600波特率：实际10417，误差+8.5%" + kBaudAdvice);
    ASSERT_TRUE(model.BaudAccuracyOf(1));
    EXPECT_FALSE(model.BaudAccuracyOf(1)->acceptable());
    EXPECT_FALSE(model.BaudAccuracyOf(2));

    // A crystal change warns once, after the baud sentence.
    model.log().Clear();
    model.SelectCrystal(kCrystal12);
    const auto sentences = Sentences(model.log());
    ASSERT_EQ(sentences.size(), 6u);
    EXPECT_EQ(sentences[4], "串口波特率设置为9600");
    EXPECT_EQ(sentences[5].rfind("当前晶振无法准确产生9600波特率：实际10417，", 0), 0u);

    // Timer 2 at 19200: 12000000 / 614400 = 19.53 counts, 20 (not 19).
    model.SelectTimer1Mode(0);
    model.SelectBaud(5);
    model.log().Clear();
    model.SelectTimer2Mode(2);
    EXPECT_EQ(model.image().RCAP2H, 0xFF);
    EXPECT_EQ(model.image().RCAP2L, 0xEC);
    EXPECT_EQ(Sentences(model.log()).back(),
              "当前晶振无法准确产生19200波特率：实际18750，误差-2.3%" + kBaudAdvice);

    // Within 2 %: 9615 baud for 9600 gives no sentence.
    model.log().Clear();
    model.SelectBaud(3);
    EXPECT_EQ(Sentences(model.log()), std::vector<std::string>{"串口波特率设置为9600"});
    EXPECT_TRUE(model.BaudAccuracyOf(2)->acceptable());
}

TEST(Mcu51Model, Timer2BaudGeneratorAt12MHz) {
    Mcu51Model model;
    model.Toggle(Mcu51Switch::Timer2Run);
    model.SelectTimer2Mode(2);
    EXPECT_EQ(model.image().RCAP2H, 0xFF);
    EXPECT_EQ(model.image().RCAP2L, 0xD9);
    EXPECT_EQ(model.image().T2CON, 0x34);

    // Timer 1 taking over the serial port clears timer 2's clock bits.
    model.SelectTimer1Mode(3);
    EXPECT_EQ(model.image().T2CON, 0x04);
    model.SelectTimer2Mode(1);
    EXPECT_EQ(model.image().T2CON, 0x05);

    model.SelectCounter(2, 1);
    EXPECT_EQ(model.image().T2CON, 0x45);
    EXPECT_TRUE(model.IsCounter(2));
    model.SelectTimer2Mode(2);
    // This warning has always carried its own line break.
    EXPECT_NE(model.log().text().find("> 定时器/计数器2已被设置为波特率发生器，不能够为计数器模式！\r\n\r\n"),
              std::string::npos);
}

TEST(Mcu51Model, Timer2OverflowsBeyondSixteenBits) {
    Mcu51Model model;
    model.SetCountText(2, "65535");
    EXPECT_EQ(model.image().overflow[2], 0u);
    EXPECT_EQ(model.image().RCAP2H, 0x00);
    EXPECT_EQ(model.image().RCAP2L, 0x01);
    model.SetCountText(2, "65536");
    EXPECT_EQ(model.image().overflow[2], 1u);
    EXPECT_EQ(Sentences(model.log()).back(), "定时器/计数器2计数值已溢出！");
    // As baud generator the count time means nothing and the flag clears.
    model.SelectTimer2Mode(2);
    EXPECT_EQ(model.image().overflow[2], 0u);
}

TEST(Mcu51Model, CrystalChangeLogsItsSentenceThenEveryTimerAndTheBaud) {
    Mcu51Model model;
    model.SelectTimer1Mode(3);
    model.SelectCounter(1, 1);
    model.log().Clear();
    model.SelectSpeed(kSpeed1T);
    model.SelectCrystal(kCrystal12);
    const std::vector<std::string> expected = {
        "MCU运行速度提高12倍，相关的定时器/计数器将被刷新！",
        "定时器/计数器0为13位定时器/计数器",
        "定时器/计数器1为波特率发生器",
        "定时器/计数器1已被设置为波特率发生器，不能够为计数器模式！",
        "定时器/计数器2为16位重载",
        "串口波特率设置为9600",
        "MCU外接晶振频率：144000000Hz，相关的定时器/计数器将被刷新！",
        "定时器/计数器0为13位定时器/计数器",
        "定时器/计数器1为波特率发生器",
        "定时器/计数器1已被设置为波特率发生器，不能够为计数器模式！",
        "定时器/计数器2为16位重载",
        "串口波特率设置为9600",
    };
    EXPECT_EQ(Sentences(model.log()), expected);
    EXPECT_EQ(model.image().frequency, 144000000u);
    // 144000000 / 3686400 = 39
    EXPECT_EQ(model.image().TH1, 256 - 39);

    // The table's odd entry: "2.4576" computes with 2476000 Hz.
    model.SelectSpeed(4);
    model.SelectCrystal(3);
    EXPECT_EQ(model.image().frequency, 2476000u);
}

TEST(Mcu51Model, SwitchesFlipOneBitAndLogBothWays) {
    struct Case {
        Mcu51Switch box;
        const std::uint8_t Mcu51Image::*reg;
        std::uint8_t mask;
        const char* set;
        const char* cleared;
    };
    const Case cases[] = {
        {Mcu51Switch::GlobalInterrupt, &Mcu51Image::IE, 0x80, "全局中断已开启！", "全局中断已关闭！"},
        {Mcu51Switch::SerialInterrupt, &Mcu51Image::IE, 0x10, "允许串行口触发中断！", "禁止串行口触发中断！"},
        {Mcu51Switch::SerialPriority, &Mcu51Image::IP, 0x10, "串口中断响应为高优先级！",
         "串口中断响应为低优先级！"},
        {Mcu51Switch::Timer1Run, &Mcu51Image::TCON, 0x40, "定时器/计数器1运行！", "定时器/计数器1停止！"},
        {Mcu51Switch::Timer2Run, &Mcu51Image::T2CON, 0x04, "定时器/计数器2运行！", "定时器/计数器2停止！"},
        {Mcu51Switch::Timer1Gate, &Mcu51Image::TMOD, 0x80,
         "门控开启，定时器/计数器1将受到双重控制，即要求TR1和INT1同时为高！", "门控禁止！"},
        {Mcu51Switch::Multiprocessor, &Mcu51Image::SCON, 0x20, "串口允许多机通信", "串口禁止多机通信"},
        {Mcu51Switch::TransmitBit9, &Mcu51Image::SCON, 0x08, "串口允许发送第9位", "串口禁止发送第9位"},
        {Mcu51Switch::ReceiveBit9, &Mcu51Image::SCON, 0x04, "串口允许接收第9位", "串口禁止接收第9位"},
    };
    for (const Case& c : cases) {
        Mcu51Model model;
        model.Toggle(c.box);
        EXPECT_EQ(model.image().*c.reg, c.mask) << c.set;
        EXPECT_TRUE(model.IsSet(c.box));
        model.Toggle(c.box);
        EXPECT_EQ(model.image().*c.reg, 0) << c.set;
        EXPECT_EQ(Sentences(model.log()), (std::vector<std::string>{c.set, c.cleared}));
    }

    Mcu51Model ports;
    ports.TogglePortBit(2, 7);
    ports.TogglePortBit(2, 0);
    ports.TogglePortBit(2, 0);
    EXPECT_EQ(ports.image().port[2], 0x80);
    EXPECT_TRUE(ports.log().text().empty());
}

TEST(Mcu51Model, ListsSetTheirBits) {
    Mcu51Model model;
    model.SelectTrigger(1, 1);
    model.SelectSerialMode(3);
    model.SelectPowerMode(1);
    model.SelectCounter(0, 1);
    EXPECT_EQ(model.image().TCON, 0x04);
    EXPECT_EQ(model.image().SCON, 0xC0);
    EXPECT_EQ(model.image().PCON, 0x01);
    EXPECT_EQ(model.image().TMOD, 0x04);
    EXPECT_TRUE(model.IsCounter(0));
    model.SelectSerialMode(1);
    model.SelectPowerMode(2);
    model.SelectTrigger(1, 0);
    EXPECT_EQ(model.image().SCON, 0x40);
    EXPECT_EQ(model.image().PCON, 0x02);
    EXPECT_EQ(model.image().TCON, 0x00);
    const std::vector<std::string> expected = {
        "外部中断1触发方式为下降沿触发！",
        "串口工作方式为9位可变波特率",
        "单片机工作在空闲模式！[注意：任何中断都可以唤醒]",
        "定时器/计数器0工作模式为：计数器",
        "串口工作方式为8位可变波特率",
        "单片机工作在掉电模式！[注意：只有外部中断0中断才能唤醒]",
        "外部中断1触发方式为低电平触发！",
    };
    EXPECT_EQ(Sentences(model.log()), expected);

    // Timer 1 as counter and baud generator at once is contradicted in the log.
    model.SelectTimer1Mode(3);
    model.SelectCounter(1, 1);
    EXPECT_EQ(Sentences(model.log()).back(), "定时器/计数器1已被设置为计数器模式，不能够为波特率发生器！");
}

TEST(Mcu51Log, The201stLineEmptiesTheBoxFirst) {
    Mcu51Log log;
    for (int i = 1; i <= 200; ++i) log.Append("line " + std::to_string(i));
    EXPECT_EQ(log.lineCount(), 201);
    EXPECT_EQ(log.text().rfind("> line 200\r\n"), log.text().size() - 12);
    log.Append("line 201");
    EXPECT_EQ(log.text(), "> line 201\r\n");
    EXPECT_EQ(log.lineCount(), 2);

    // A sentence with its own break counts for two lines.
    Mcu51Log breaks;
    for (int i = 0; i < 100; ++i) breaks.Append("a\r\n");
    breaks.Append("next");
    EXPECT_EQ(breaks.text(), "> next\r\n");
}

}  // namespace
}  // namespace viz
