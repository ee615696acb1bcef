// The download's logic fed what the tools really print: avrdude 7.1's output
// captured against a serial line with nothing answering, with a wrong chip
// and with a bootloader that took the program; stcgal's as its stand-in
// prints it. Also the command lines the tools get and avrdude's lists.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "flash/AvrdudeLists.h"
#include "flash/FlashCommand.h"
#include "flash/FlashOutcome.h"
#include "flash/FlashProgress.h"
#include "flash/FlashTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;

std::string Captured(const std::string& name) {
    std::ifstream in(std::string(VIZ_FLASH_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name;
    return text.str();
}

// Every state the parser went through, fed in pieces of `piece` bytes.
std::vector<FlashProgress> Replay(FlashTool tool, const std::string& output, std::size_t piece) {
    FlashProgressParser parser(tool);
    std::vector<FlashProgress> states{parser.state()};
    for (std::size_t at = 0; at < output.size(); at += piece) {
        if (parser.Feed(std::string_view(output).substr(at, piece))) states.push_back(parser.state());
    }
    return states;
}

TEST(FlashCommand, EachTargetGetsItsToolWithFileAndPortAsArgumentsOfTheirOwn) {
    FlashRequest stc;
    stc.target = FlashTarget::StcIsp;
    stc.port = "/dev/ttyUSB0";
    stc.baud = 115200;
    stc.protocol = "stc89";
    stc.powerCycleByDtr = true;
    EXPECT_EQ(ToolProgram(ToolFor(stc.target)), std::string("stcgal"));
    EXPECT_EQ(FlashArguments(stc, "/tmp/f w/firmware.hex", FirmwareFormat::IntelHex),
              (std::vector<std::string>{"-P", "stc89", "-p", "/dev/ttyUSB0", "-b", "115200", "-a",
                                        "/tmp/f w/firmware.hex"}));

    FlashRequest boot;
    boot.target = FlashTarget::AvrBootloader;
    boot.port = "/dev/ttyACM0";
    boot.baud = 57600;
    boot.protocol = "arduino";
    boot.part = "m328p";
    EXPECT_EQ(FlashArguments(boot, "/tmp/x/firmware.elf", FirmwareFormat::Elf),
              (std::vector<std::string>{"-c", "arduino", "-p", "m328p", "-P", "/dev/ttyACM0", "-b", "57600",
                                        "-U", "flash:w:/tmp/x/firmware.elf:e"}));

    // A USB programmer has no serial port; fuses only when the request holds them.
    FlashRequest usb;
    usb.target = FlashTarget::AvrProgrammer;
    usb.port = "/dev/ttyUSB0";
    usb.programmer = "usbasp";
    usb.part = "m16";
    EXPECT_EQ(FlashArguments(usb, "/tmp/x/firmware.bin", FirmwareFormat::Binary),
              (std::vector<std::string>{"-c", "usbasp", "-p", "m16", "-U", "flash:w:/tmp/x/firmware.bin:r"}));
    usb.fuses = FuseBytes{0xE2, std::nullopt, std::nullopt, 0x3C};
    const std::vector<std::string> withFuses =
        FlashArguments(usb, "/tmp/x/firmware.hex", FirmwareFormat::IntelHex);
    EXPECT_EQ(std::vector<std::string>(withFuses.end() - 4, withFuses.end()),
              (std::vector<std::string>{"-U", "lfuse:w:0xE2:m", "-U", "lock:w:0x3C:m"}));

    EXPECT_EQ(ParseFuseByte("0xe2"), 0xE2);
    EXPECT_EQ(ParseFuseByte(" D9h "), 0xD9);
    EXPECT_EQ(ParseFuseByte("7"), 0x07);
    EXPECT_FALSE(ParseFuseByte("0x100"));
    EXPECT_FALSE(ParseFuseByte("0x"));
    EXPECT_FALSE(ParseFuseByte("zz"));
}

TEST(FlashProgress, AvrdudeWriteGoesThroughItsStagesWhateverTheReadsCut) {
    const std::string output = Captured("avrdude-write-verified.txt");
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, output.size()}) {
        const std::vector<FlashProgress> states = Replay(FlashTool::Avrdude, output, piece);
        std::vector<FlashStage> stages;
        for (const FlashProgress& state : states) {
            if (stages.empty() || stages.back() != state.stage) stages.push_back(state.stage);
        }
        // Read whole, only where it ended is seen.
        if (piece < output.size()) {
            EXPECT_EQ(stages, (std::vector<FlashStage>{FlashStage::Connecting, FlashStage::Erasing,
                                                       FlashStage::Writing, FlashStage::Verifying}))
                << piece;
        }
        const FlashProgress& last = states.back();
        EXPECT_EQ(last.percent, 100);
        EXPECT_EQ(last.bytesWritten, 3000u);
        EXPECT_TRUE(last.verified);
    }
    // Byte by byte the bar is followed mark by mark: 2 % a mark.
    const std::vector<FlashProgress> states = Replay(FlashTool::Avrdude, output, 1);
    const auto halfway = std::find_if(states.begin(), states.end(), [](const FlashProgress& state) {
        return state.stage == FlashStage::Writing && state.percent == 50;
    });
    EXPECT_NE(halfway, states.end());
}

TEST(FlashProgress, RedrawnBarsAndStcgalsPowerCycleWait) {
    // avrdude on a terminal redraws its bar with its percent.
    FlashProgressParser avrdude(FlashTool::Avrdude);
    avrdude.Feed(
        "avrdude: writing 3000 bytes flash ...\n\rWriting | ##########                     | 20% 0.10s");
    EXPECT_EQ(avrdude.state().stage, FlashStage::Writing);
    EXPECT_EQ(avrdude.state().percent, 20);
    avrdude.Feed("\rWriting | ##############################                     | 61% 0.30s");
    EXPECT_EQ(avrdude.state().percent, 61);
    EXPECT_FALSE(avrdude.state().verified);

    FlashProgressParser stcgal(FlashTool::Stcgal);
    stcgal.Feed("Waiting for MCU, please cycle power: ");
    EXPECT_TRUE(stcgal.state().waitingForPowerCycle);
    stcgal.Feed(
        "done\nProtocol detected: stc89\nLoading flash: 1280 bytes (Intel HEX)\nErasing 16 blocks: done\n");
    EXPECT_FALSE(stcgal.state().waitingForPowerCycle);
    EXPECT_EQ(stcgal.state().stage, FlashStage::Erasing);
    stcgal.Feed("\rWriting flash:  40%|\u2588\u2588\u2588\u2588      | 512/1280 [00:00<00:00, 900Bytes/s]");
    EXPECT_EQ(stcgal.state().stage, FlashStage::Writing);
    EXPECT_EQ(stcgal.state().percent, 40);
    EXPECT_FALSE(stcgal.state().bytesWritten);
    stcgal.Feed(
        "\rWriting flash: 100%|\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588| 1280/1280 "
        "[00:01<");
    stcgal.Feed("00:00, 900Bytes/s]\nSetting options: done\nDisconnected!\n");
    EXPECT_EQ(stcgal.state().percent, 100);
    EXPECT_EQ(stcgal.state().bytesWritten, 1280u);
    EXPECT_EQ(ProgressText(stcgal.state()), "写入 100%");
}

TEST(FlashOutcome, CommonFailuresGetAChineseReasonAndTheToolsLastLines) {
    const ExitStatus failed{false, 1};
    EXPECT_EQ(FailureReason(FlashTarget::AvrBootloader, Captured("avrdude-no-answer.txt"), failed),
              t::kNoAnswer);
    EXPECT_EQ(FailureReason(FlashTarget::AvrBootloader, Captured("avrdude-wrong-signature.txt"), failed),
              t::kWrongSignature);
    EXPECT_EQ(FailureReason(FlashTarget::AvrBootloader,
                            "avrdude OS error: cannot open port /dev/ttyUSB0: Permission denied\n"
                            "avrdude error: unable to open programmer arduino on port /dev/ttyUSB0\n",
                            failed),
              t::kPermissionDenied);
    EXPECT_EQ(
        FailureReason(FlashTarget::AvrBootloader,
                      "avrdude OS error: cannot open port /dev/ttyNOPE: No such file or directory\n", failed),
        t::kNoSuchPort);
    EXPECT_EQ(FailureReason(
                  FlashTarget::AvrProgrammer,
                  "avrdude error: cannot find USB device with vid=0x16c0 pid=0x5dc vendor='www.fischl.de'\n",
                  failed),
              t::kNoProgrammerFound);
    EXPECT_EQ(FailureReason(FlashTarget::StcIsp,
                            "Serial port error: could not open port /dev/ttyUSB0: "
                            "[Errno 13] Permission denied: '/dev/ttyUSB0'\n",
                            failed),
              t::kPermissionDenied);
    EXPECT_EQ(FailureReason(FlashTarget::StcIsp, "something else\n", ExitStatus{true, 11}),
              "下载工具出错结束（被信号11（Segmentation fault）终止）。");

    EXPECT_EQ(LastLines(Captured("avrdude-wrong-signature.txt"), 3),
              "        double check chip or use -F to override this check\n"
              "avrdude OS error: ioctl(\"TIOCMGET\"): Inappropriate ioctl for device\n"
              "avrdude done.  Thank you.");
    EXPECT_EQ(LastLines("a\r\nWriting 10%\rWriting 100%\n\n", 5), "a\nWriting 100%");

    FlashOutcome done;
    done.kind = FlashOutcome::Kind::Succeeded;
    done.bytes = 3000;
    done.seconds = 2.46;
    done.progress.verified = true;
    EXPECT_EQ(OutcomeText(done), "下载完成，校验通过（3000字节，用时2.5秒）");
    done.progress.verified = false;
    EXPECT_EQ(OutcomeText(done), "下载完成（3000字节，用时2.5秒）");
}

TEST(AvrdudeLists, PartsAndProgrammersWithoutDeprecatedAliasesAndAPartsFlashSize) {
    const std::vector<ToolListEntry> parts = ParseAvrdudeList(Captured("avrdude-parts.txt"));
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[3].id, "m328p");
    EXPECT_EQ(parts[3].description, "ATmega328P");
    const std::vector<ToolListEntry> programmers = ParseAvrdudeList(Captured("avrdude-programmers.txt"));
    ASSERT_EQ(programmers.size(), 8u);
    EXPECT_EQ(programmers[3].id, "arduino");
    EXPECT_EQ(programmers[4].description, "Arduino: FT232R connected to ISP");

    // As "avrdude -p m328p/At" prints it.
    EXPECT_EQ(ParseAvrdudeFlashSize(".pt\tATmega328P\tflash_instr\t 0xb6, 0x01, 0x11\n"
                                    ".ptmm\tATmega328P\teeprom\tsize\t1024\n"
                                    ".ptmm\tATmega328P\tflash\tpaged\tyes\n"
                                    ".ptmm\tATmega328P\tflash\tsize\t0x8000\n"),
              0x8000u);
    EXPECT_EQ(ParseAvrdudeFlashSize(".ptmm\tATtiny13\tflash\tsize\t1024\n"), 1024u);
    EXPECT_FALSE(
        ParseAvrdudeFlashSize("avrdude: flags for developer option -p <wildcard>/<flags> not recognised\n"));
}

}  // namespace
}  // namespace viz
