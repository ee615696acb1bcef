// The data tools' conversions on large inputs, beside objcopy in the same run:
//  - a binary to C array text ("BinToText");
//  - an Intel HEX file holding N MiB of data (16-byte records, an extended
//    linear address record every 64 KiB, as toolchains write them) to
//    binary ("HexToBin"), and `objcopy -I ihex -O binary --gap-fill 0xff` on
//    the same file; the two outputs are compared byte for byte;
//  - a SIDE x SIDE 24-bit BMP to C text (the bitmap page's conversion);
//  - the HEX conversion once more through the small tools page (offscreen),
//    as a user starts it: whether the progress window appeared and the
//    longest lateness of a 5 ms UI timer meanwhile.
//
//   conversion_bench [--mb N] [--side PIXELS]   (defaults 64 and 4096)
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchOptions.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "terminal/HexTypeDlg.h"
#include "tools/BmpCode.h"
#include "tools/ConversionRunner.h"
#include "tools/ConversionTask.h"
#include "tools/FileConversions.h"
#include "tools/HexBinGroup.h"
#include "tools/ToolsDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Options {
    std::size_t megabytes = 64;
    std::uint32_t side = 4096;
};

Options Parse(int argc, char** argv) {
    Options options;
    options.megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", options.megabytes));
    options.side = static_cast<std::uint32_t>(bench::NumberOption(argc, argv, "--side", options.side));
    return options;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Bytes that do not repeat within a line, so nothing is trivially compressible.
std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t state = 12345;
    for (auto& byte : data) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return data;
}

void WriteFile(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Written here, not by the product's code, so the two cannot share a mistake.
void WriteHex(const fs::path& path, const std::vector<std::uint8_t>& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 45 / 16 + 1024);
    auto record = [&](unsigned type, unsigned address, const std::uint8_t* bytes, unsigned count) {
        unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
        auto put = [&](unsigned value) {
            text += kDigits[(value >> 4) & 0xF];
            text += kDigits[value & 0xF];
        };
        text += ':';
        put(count);
        put(address >> 8);
        put(address & 0xFF);
        put(type);
        for (unsigned i = 0; i < count; ++i) {
            put(bytes[i]);
            sum += bytes[i];
        }
        put((0x100 - (sum & 0xFF)) & 0xFF);
        text += "\r\n";
    };
    for (std::size_t offset = 0; offset < data.size(); offset += 16) {
        if (offset % 0x10000 == 0) {
            const std::uint8_t base[2] = {static_cast<std::uint8_t>(offset >> 24),
                                          static_cast<std::uint8_t>(offset >> 16)};
            record(4, 0, base, 2);
        }
        const auto count = static_cast<unsigned>(std::min<std::size_t>(16, data.size() - offset));
        record(0, offset & 0xFFFF, data.data() + offset, count);
    }
    record(1, 0, nullptr, 0);
    WriteFile(path, text.data(), text.size());
}

void WriteBmp24(const fs::path& path, std::uint32_t side) {
    const std::uint32_t stride = (side * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = stride * side;
    std::vector<std::uint8_t> file(54);
    auto put32 = [&file](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + imageSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    file[26] = 1;
    file[28] = 24;
    put32(34, imageSize);
    const std::vector<std::uint8_t> pixels = Pattern(imageSize);
    file.insert(file.end(), pixels.begin(), pixels.end());
    WriteFile(path, file.data(), file.size());
}

bool SameFiles(const fs::path& a, const fs::path& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> x(1 << 20), y(1 << 20);
    for (;;) {
        first.read(x.data(), static_cast<std::streamsize>(x.size()));
        second.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (first.gcount() != second.gcount()) return false;
        if (first.gcount() == 0) return true;
        if (std::memcmp(x.data(), y.data(), static_cast<std::size_t>(first.gcount())) != 0) return false;
    }
}

double MiB(const fs::path& path) {
    return static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const Options options = Parse(argc, argv);
    const bench::WorkDir workDir;
    const fs::path& work = workDir.path();
    viz::ConversionProgress progress;
    bool ok = true;

    const std::vector<std::uint8_t> data = Pattern(options.megabytes * 1024 * 1024);
    WriteFile(work / "data.bin", data.data(), data.size());
    auto start = Clock::now();
    ok &= viz::ConvertBinToText(work / "data.bin", progress).succeeded;
    std::printf("bin_to_text_s %.2f  (%zu MiB to %.0f MiB of text)\n", SecondsSince(start), options.megabytes,
                MiB(work / "data.h"));
    fs::remove(work / "data.h");

    WriteHex(work / "code.hex", data);
    start = Clock::now();
    ok &= viz::ConvertHexToBin(work / "code.hex", viz::HexMode::AllRecords, progress).succeeded;
    const double ours = SecondsSince(start);
    const std::string objcopy = "objcopy -I ihex -O binary --gap-fill 0xff '" + (work / "code.hex").string() +
                                "' '" + (work / "objcopy.bin").string() + "'";
    start = Clock::now();
    const bool objcopyRan = std::system(objcopy.c_str()) == 0;
    const double theirs = SecondsSince(start);
    const bool same = objcopyRan && SameFiles(work / "code.bin", work / "objcopy.bin");
    std::printf("hex_to_bin_s %.2f  (%.0f MiB of HEX text, %zu MiB of data)\n", ours, MiB(work / "code.hex"),
                options.megabytes);
    std::printf("objcopy_hex_to_bin_s %.2f  (same file)\n", theirs);
    std::printf("outputs_identical %s\n", same ? "yes" : "no");
    ok &= same;
    fs::remove(work / "objcopy.bin");
    fs::remove(work / "code.bin");

    WriteBmp24(work / "picture.bmp", options.side);
    start = Clock::now();
    ok &= viz::ConvertBmpFile(work / "picture.bmp", progress).message.empty();
    std::printf("bmp24_to_text_s %.2f  (%ux%u, %.0f MiB of text)\n", SecondsSince(start), options.side,
                options.side, MiB(work / "picture.h"));
    fs::remove(work / "picture.h");
    fs::remove(work / "picture.bmp");

    // The HEX conversion as a user runs it: chooser, "输出为Bin文件", "类型1".
    viz::SettingsStore settings(work / "Vizuruv.conf");
    viz::PageContext context(settings);
    viz::CToolsDlg page(context, nullptr);
    page.show();
    const QString hexPath = QString::fromStdString((work / "code.hex").string());
    page.hexBin()->setFileChooser([hexPath](const QString&) { return hexPath; });
    QAbstractButton* choose = nullptr;
    QAbstractButton* toBin = nullptr;
    for (auto* button : page.findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == QStringLiteral("HexToBin ：选择Hex文件")) choose = button;
        if (button->accessibleName() == QStringLiteral("将十六进制文件转换为二进制文件")) toBin = button;
    }
    choose->click();
    bool progressShown = false;
    QString message;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        viz::CProcessDlg* window = page.hexBin()->runner()->progressWindow();
        progressShown |= window && window->isVisible();
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* chooser = qobject_cast<viz::CHexTypeDlg*>(modal)) chooser->accept();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            message = box->text();
            box->accept();
        }
    });
    answer.start(5);
    bench::UiStallMeter meter(5);
    meter.Start();
    start = Clock::now();
    QTimer::singleShot(0, toBin, &QAbstractButton::click);
    bench::WaitFor([&] { return !message.isEmpty(); }, 600000);
    const double pageSeconds = SecondsSince(start);
    meter.Stop();
    std::printf("page_hex_to_bin_s %.2f  progress_window_shown %s  longest_ui_stall_ms %.1f\n", pageSeconds,
                progressShown ? "yes" : "no", meter.longestMs());
    std::printf("page_message %s\n", qPrintable(message));
    return ok && message.contains(QStringLiteral("成功")) ? 0 : 1;
}
