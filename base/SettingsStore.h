#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/SettingsFile.h"

namespace viz {

struct SerialSettings {
    std::uint32_t baud = 9600;
    std::uint32_t dataBits = 8;
    std::uint32_t stopBits = 1;
    std::u16string port = u"COM1";
    std::u16string parity = u"NONE";
};

struct HidIdentifiers {
    std::uint32_t productId = 2;
    std::uint32_t vendorId = 1138;
    std::uint32_t version = 512;
};

struct PortPair {
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
};

// The four terminal pages; each has its own multi-send list and text settings.
enum class MoreSendKind { Serial, Usb, Network, Server };

// How a terminal page turns bytes into text and back: its encoding (0 code
// page 936, 1 UTF-8) and, one bit per receive area in page order, whether the
// area's lines begin with time stamps. A file without them (an earlier
// version's) reads as these defaults.
struct TextSettings {
    std::uint32_t encoding = 0;
    std::uint32_t timeStamps = 0;
};
// Where a window stood on the desktop and how large it was.
struct WindowPlace {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};
// The download window's choices ("下载程序"). The fuse section is never
// kept: writing fuses is asked for anew every time.
struct FlashSettings {
    std::uint32_t target = 0;  // 0 STC, 1 AVR bootloader, 2 USB programmer
    std::u16string port;
    std::uint32_t baud = 115200;
    std::u16string stcProtocol = u"auto";
    std::u16string avrProtocol = u"arduino";
    std::u16string part = u"m328p";
    std::u16string programmer = u"usbasp";
    std::uint32_t powerCycleByDtr = 0;
    std::uint32_t useFile = 1;  // 0 the wizard's code, 1 a file
    std::u16string file;
};
// Texts as long as a path may be.
inline constexpr std::size_t kPathTextUnits = 4096;

// Samples a plot window keeps per channel, and the range the settings
// dialog offers.
inline constexpr std::uint32_t kDefaultPlotSamples = 100'000;
inline constexpr std::uint32_t kMinPlotSamples = 1'000;
inline constexpr std::uint32_t kMaxPlotSamples = 1'000'000;

inline constexpr std::size_t kMoreSendEntries = 8;
// Entries hold at most 127 UTF-16 code units (256 bytes with the terminator).
inline constexpr std::size_t kMoreSendEntryUnits = 128;
using MoreSendList = std::array<std::u16string, kMoreSendEntries>;

// Texts are stored in fixed sizes including the terminator: 16 or 32 units.
inline constexpr std::size_t kShortTextUnits = 16;
inline constexpr std::size_t kLongTextUnits = 32;

inline constexpr char16_t kDefaultIpAddress[] = u"192.168.1.218";
// The TCP source port 0 lets the system choose: a port below 1024 needs
// privileges an ordinary user does not have.
inline constexpr PortPair kDefaultTcpPorts{0, 80};
inline constexpr PortPair kDefaultUdpPorts{2222, 2222};
inline constexpr std::uint32_t kDefaultServerPort = 8888;
// Screen lines every receive area keeps: at the default an area is emptied
// when it holds more (what files of earlier versions mean), above it the
// oldest lines go.
inline constexpr std::uint32_t kDefaultReceiveKeptLines = 200;
inline constexpr std::uint32_t kMaxReceiveKeptLines = 100'000;

// The one settings store of the program. Every operation opens the file,
// reads or writes its values in a fixed order and closes it again, returning
// 0, an error code (SettingsCode) or -1 when the store cannot be opened or
// created. Reads that stop early leave the values read so far in place.
class SettingsStore {
public:
    explicit SettingsStore(std::filesystem::path path) : file_(std::move(path)) {}

    const std::filesystem::path& path() const { return file_.path(); }

    bool Exists() const;

    // Start-up housekeeping: temporary files of saves that were killed.
    void RemoveStaleTempFiles() const { file_.RemoveStaleTempFiles(); }
    // What the user should be told about the file (set aside, not saved).
    std::vector<SettingsNotice> TakeNotices() { return file_.TakeNotices(); }

    int WriteMakerInfo();
    int WriteSerial(const SerialSettings& settings);
    int ReadSerial(SerialSettings& settings) const;
    // Whether the serial page reopens a port that went away when it comes back (1) or not (0).
    int WriteSerialAutoReconnect(std::uint32_t on);
    int ReadSerialAutoReconnect(std::uint32_t& on) const;
    int WriteAutoUpdate(std::uint32_t value);
    int ReadAutoUpdate(std::uint32_t& value) const;
    int WriteHid(const HidIdentifiers& ids);
    int ReadHid(HidIdentifiers& ids) const;
    int WriteIpAddress(std::u16string_view address);
    int ReadIpAddress(std::u16string& address) const;
    int WriteTcpPorts(PortPair ports);
    int ReadTcpPorts(PortPair& ports) const;
    int WriteUdpPorts(PortPair ports);
    int ReadUdpPorts(PortPair& ports) const;
    int WriteServerPort(std::uint32_t port);
    int ReadServerPort(std::uint32_t& port) const;
    // The compiler the 8051 wizard writes for (0 Keil C51, 1 SDCC).
    int WriteC51Compiler(std::uint32_t compiler);
    int ReadC51Compiler(std::uint32_t& compiler) const;
    // "接收区保留行数"; a stored value outside the offered range reads as its nearest end.
    int WriteReceiveKeptLines(std::uint32_t lines);
    int ReadReceiveKeptLines(std::uint32_t& lines) const;
    int WriteTextSettings(MoreSendKind page, const TextSettings& settings);
    int ReadTextSettings(MoreSendKind page, TextSettings& settings) const;
    // A page's plot window ("波形显示").
    int WritePlotPlace(MoreSendKind page, const WindowPlace& place);
    int ReadPlotPlace(MoreSendKind page, WindowPlace& place) const;
    // Samples per channel the plot windows keep; a stored value outside the
    // offered range reads as the nearest end of it.
    int WritePlotSamples(std::uint32_t samples);
    int ReadPlotSamples(std::uint32_t& samples) const;
    // A learning board's wiring as its saved form ("lcd.E" = "P2.7"), one
    // section per board ("8051", "avr"). Reading takes the values named in
    // `names`, leaves out those not stored, and says kSettingsNotFound when
    // none is.
    int WriteBoardWiring(std::string_view board, const std::map<std::string, std::string>& values);
    int ReadBoardWiring(std::string_view board, const std::vector<std::string>& names,
                        std::map<std::string, std::string>& values) const;
    // A value missing from the file keeps what `settings` held.
    int WriteFlashSettings(const FlashSettings& settings);
    int ReadFlashSettings(FlashSettings& settings) const;
    int WriteMoreSend(MoreSendKind kind, const MoreSendList& entries);
    int ReadMoreSend(MoreSendKind kind, MoreSendList& entries) const;

    // The maker information and the values a first run stores, in one save.
    void WriteFirstRunDefaults();
    // Writes the same values as a first run, in one save, and sets the
    // defaults-restored flag, so pages stop saving their own values at exit
    // and the defaults survive this run. Returns 0 or the failure's code.
    int RestoreDefaults();
    // Writes that change nothing leave the file alone; this tries a save
    // without replacing the file, so a store that cannot be saved is told at
    // start (as a notice) even when the start changes nothing.
    int CheckSavable();
    bool defaultsRestored() const { return defaultsRestored_; }

private:
    // Reading may set a damaged file aside or rewrite an old one; neither
    // changes a value, so reads stay const.
    mutable SettingsFile file_;
    bool defaultsRestored_ = false;
};

}  // namespace viz
