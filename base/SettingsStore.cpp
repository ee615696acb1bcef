#include "base/SettingsStore.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/MakerInfo.h"
#include "base/SettingsSection.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

constexpr char kMainSection[] = "Vizuruv";
constexpr char kMoreSendSection[] = "Vizuruv\\MoreSend";
constexpr char kFlashSection[] = "Vizuruv\\Flash";

// Value and section names allow letters, digits and '_' only: a wiring key
// such as "lcd.E" is stored as "lcd_E", and anything else outside that set
// as '_' too, so no caller can write a name that makes the file unreadable.
std::string StoredName(std::string_view name) {
    std::string stored(name);
    for (char& c : stored) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!ok) c = '_';
    }
    return stored;
}

std::string BoardWiringSection(std::string_view board) {
    return "Vizuruv\\LearningBoard_" + StoredName(board);
}

// The pages' value names begin with these, as the multi-send lists do.
std::string PagePrefix(MoreSendKind kind) {
    static constexpr std::array<const char*, 4> kPrefixes{"COM", "USB", "NET", "SERVER"};
    return kPrefixes[static_cast<std::size_t>(kind)];
}

std::string MoreSendName(MoreSendKind kind, std::size_t index) {
    return PagePrefix(kind) + "MoreSend" + std::to_string(index);
}

void SetTextSettings(OpenKey& key, MoreSendKind page, const TextSettings& settings) {
    key.SetNumber((PagePrefix(page) + "Encoding").c_str(), settings.encoding);
    key.SetNumber((PagePrefix(page) + "TimeStamps").c_str(), settings.timeStamps);
}

// Reads numbers in order, stopping at the first one that fails.
int ReadNumbers(const OpenKey& key, std::initializer_list<std::pair<const char*, std::uint32_t*>> values) {
    for (const auto& [name, target] : values) {
        if (const int rc = key.GetNumber(name, *target); rc != kSettingsOk) return rc;
    }
    return kSettingsOk;
}

// The values of each group, set on an open section; one write may set
// several groups and still save once.
void SetMakerInfo(OpenKey& key) {
    key.SetText("Author", Utf8ToUtf16(maker::kAuthor), kLongTextUnits);
    key.SetText("Email", Utf8ToUtf16(maker::kEmail), kLongTextUnits);
    key.SetText("Blog", Utf8ToUtf16(maker::kBlog), kLongTextUnits);
}

void SetSerial(OpenKey& key, const SerialSettings& s) {
    key.SetNumber("ComBaud", s.baud);
    key.SetNumber("ComDataBits", s.dataBits);
    key.SetNumber("ComStopBits", s.stopBits);
    key.SetText("ComPort", s.port, kShortTextUnits);
    key.SetText("ComParity", s.parity, kShortTextUnits);
}

void SetHid(OpenKey& key, const HidIdentifiers& ids) {
    key.SetNumber("USB_HID_PID", ids.productId);
    key.SetNumber("USB_HID_VID", ids.vendorId);
    key.SetNumber("USB_HID_PVN", ids.version);
}

void SetTcpPorts(OpenKey& key, PortPair ports) {
    key.SetNumber("TCPSrcPort", ports.source);
    key.SetNumber("TCPDestPort", ports.destination);
}

void SetUdpPorts(OpenKey& key, PortPair ports) {
    key.SetNumber("UDPSrcPort", ports.source);
    key.SetNumber("UDPDestPort", ports.destination);
}

// The first-run and restored values, maker information aside.
void SetDefaults(OpenKey& key) {
    SetSerial(key, SerialSettings{});
    key.SetNumber("AutoUpdate", 1);
    SetHid(key, HidIdentifiers{});
    key.SetText("IPAddress", kDefaultIpAddress, kShortTextUnits);
    SetTcpPorts(key, kDefaultTcpPorts);
    SetUdpPorts(key, kDefaultUdpPorts);
    key.SetNumber("ServerLocalPort", kDefaultServerPort);
}

}  // namespace

bool SettingsStore::Exists() const {
    SettingsDocument document;
    return file_.Load(document) == SettingsFile::LoadState::Loaded && document.HasSection(kMainSection);
}

int SettingsStore::WriteMakerInfo() {
    return WriteGroup(file_, kMainSection, SetMakerInfo);
}

int SettingsStore::WriteSerial(const SerialSettings& s) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { SetSerial(key, s); });
}

int SettingsStore::ReadSerial(SerialSettings& s) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        if (const int rc = ReadNumbers(
                key, {{"ComBaud", &s.baud}, {"ComDataBits", &s.dataBits}, {"ComStopBits", &s.stopBits}});
            rc != kSettingsOk)
            return rc;
        if (const int rc = key.GetText("ComPort", s.port, kShortTextUnits); rc != kSettingsOk) return rc;
        return key.GetText("ComParity", s.parity, kShortTextUnits);
    });
}

int SettingsStore::WriteSerialAutoReconnect(std::uint32_t on) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("ComAutoReconnect", on); });
}

int SettingsStore::ReadSerialAutoReconnect(std::uint32_t& on) const {
    return ReadGroup(file_, kMainSection,
                     [&](const OpenKey& key) { return key.GetNumber("ComAutoReconnect", on); });
}

int SettingsStore::WriteAutoUpdate(std::uint32_t value) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("AutoUpdate", value); });
}

int SettingsStore::ReadAutoUpdate(std::uint32_t& value) const {
    return ReadGroup(file_, kMainSection,
                     [&](const OpenKey& key) { return key.GetNumber("AutoUpdate", value); });
}

int SettingsStore::WriteHid(const HidIdentifiers& ids) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { SetHid(key, ids); });
}

int SettingsStore::ReadHid(HidIdentifiers& ids) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        return ReadNumbers(
            key,
            {{"USB_HID_PID", &ids.productId}, {"USB_HID_VID", &ids.vendorId}, {"USB_HID_PVN", &ids.version}});
    });
}

int SettingsStore::WriteIpAddress(std::u16string_view address) {
    return WriteGroup(file_, kMainSection,
                      [&](OpenKey& key) { key.SetText("IPAddress", address, kShortTextUnits); });
}

int SettingsStore::ReadIpAddress(std::u16string& address) const {
    return ReadGroup(file_, kMainSection,
                     [&](const OpenKey& key) { return key.GetText("IPAddress", address, kShortTextUnits); });
}

int SettingsStore::WriteTcpPorts(PortPair ports) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { SetTcpPorts(key, ports); });
}

int SettingsStore::ReadTcpPorts(PortPair& ports) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        return ReadNumbers(key, {{"TCPSrcPort", &ports.source}, {"TCPDestPort", &ports.destination}});
    });
}

int SettingsStore::WriteUdpPorts(PortPair ports) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { SetUdpPorts(key, ports); });
}

int SettingsStore::ReadUdpPorts(PortPair& ports) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        return ReadNumbers(key, {{"UDPSrcPort", &ports.source}, {"UDPDestPort", &ports.destination}});
    });
}

int SettingsStore::WriteServerPort(std::uint32_t port) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("ServerLocalPort", port); });
}

int SettingsStore::ReadServerPort(std::uint32_t& port) const {
    return ReadGroup(file_, kMainSection,
                     [&](const OpenKey& key) { return key.GetNumber("ServerLocalPort", port); });
}

int SettingsStore::WriteC51Compiler(std::uint32_t compiler) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("C51Compiler", compiler); });
}

int SettingsStore::ReadC51Compiler(std::uint32_t& compiler) const {
    return ReadGroup(file_, kMainSection,
                     [&](const OpenKey& key) { return key.GetNumber("C51Compiler", compiler); });
}

int SettingsStore::WriteReceiveKeptLines(std::uint32_t lines) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("RecvKeptLines", lines); });
}

int SettingsStore::ReadReceiveKeptLines(std::uint32_t& lines) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        const int rc = key.GetNumber("RecvKeptLines", lines);
        if (rc == kSettingsOk) lines = std::clamp(lines, kDefaultReceiveKeptLines, kMaxReceiveKeptLines);
        return rc;
    });
}

int SettingsStore::WriteTextSettings(MoreSendKind page, const TextSettings& settings) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { SetTextSettings(key, page, settings); });
}

int SettingsStore::ReadTextSettings(MoreSendKind page, TextSettings& settings) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        const std::string encoding = PagePrefix(page) + "Encoding";
        const std::string timeStamps = PagePrefix(page) + "TimeStamps";
        return ReadNumbers(
            key, {{encoding.c_str(), &settings.encoding}, {timeStamps.c_str(), &settings.timeStamps}});
    });
}

// Positions left of or above the first screen are negative; they are
// stored as their 32-bit two's complement.
int SettingsStore::WritePlotPlace(MoreSendKind page, const WindowPlace& place) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) {
        const std::string prefix = PagePrefix(page) + "Plot";
        key.SetNumber((prefix + "X").c_str(), static_cast<std::uint32_t>(place.x));
        key.SetNumber((prefix + "Y").c_str(), static_cast<std::uint32_t>(place.y));
        key.SetNumber((prefix + "Width").c_str(), static_cast<std::uint32_t>(place.width));
        key.SetNumber((prefix + "Height").c_str(), static_cast<std::uint32_t>(place.height));
    });
}

int SettingsStore::ReadPlotPlace(MoreSendKind page, WindowPlace& place) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        const std::string prefix = PagePrefix(page) + "Plot";
        std::uint32_t values[4] = {};
        const std::string names[4] = {prefix + "X", prefix + "Y", prefix + "Width", prefix + "Height"};
        const int rc = ReadNumbers(key, {{names[0].c_str(), &values[0]},
                                         {names[1].c_str(), &values[1]},
                                         {names[2].c_str(), &values[2]},
                                         {names[3].c_str(), &values[3]}});
        if (rc == kSettingsOk) {
            place = {static_cast<std::int32_t>(values[0]), static_cast<std::int32_t>(values[1]),
                     static_cast<std::int32_t>(values[2]), static_cast<std::int32_t>(values[3])};
        }
        return rc;
    });
}

int SettingsStore::WritePlotSamples(std::uint32_t samples) {
    return WriteGroup(file_, kMainSection, [&](OpenKey& key) { key.SetNumber("PlotSamples", samples); });
}

int SettingsStore::ReadPlotSamples(std::uint32_t& samples) const {
    return ReadGroup(file_, kMainSection, [&](const OpenKey& key) {
        const int rc = key.GetNumber("PlotSamples", samples);
        if (rc == kSettingsOk) samples = std::clamp(samples, kMinPlotSamples, kMaxPlotSamples);
        return rc;
    });
}

int SettingsStore::WriteFlashSettings(const FlashSettings& settings) {
    return WriteGroup(file_, kFlashSection, [&](OpenKey& key) {
        key.SetNumber("Target", settings.target);
        key.SetText("Port", settings.port, kPathTextUnits);
        key.SetNumber("Baud", settings.baud);
        key.SetText("StcProtocol", settings.stcProtocol, kLongTextUnits);
        key.SetText("AvrProtocol", settings.avrProtocol, kLongTextUnits);
        key.SetText("Part", settings.part, kLongTextUnits);
        key.SetText("Programmer", settings.programmer, kLongTextUnits);
        key.SetNumber("PowerCycleByDtr", settings.powerCycleByDtr);
        key.SetNumber("UseFile", settings.useFile);
        key.SetText("File", settings.file, kPathTextUnits);
    });
}

int SettingsStore::ReadFlashSettings(FlashSettings& settings) const {
    return ReadGroup(file_, kFlashSection, [&](const OpenKey& key) {
        int first = kSettingsOk;
        const auto note = [&](int rc) {
            if (first == kSettingsOk) first = rc;
        };
        note(key.GetNumber("Target", settings.target));
        note(key.GetText("Port", settings.port, kPathTextUnits));
        note(key.GetNumber("Baud", settings.baud));
        note(key.GetText("StcProtocol", settings.stcProtocol, kLongTextUnits));
        note(key.GetText("AvrProtocol", settings.avrProtocol, kLongTextUnits));
        note(key.GetText("Part", settings.part, kLongTextUnits));
        note(key.GetText("Programmer", settings.programmer, kLongTextUnits));
        note(key.GetNumber("PowerCycleByDtr", settings.powerCycleByDtr));
        note(key.GetNumber("UseFile", settings.useFile));
        note(key.GetText("File", settings.file, kPathTextUnits));
        return first;
    });
}

int SettingsStore::WriteMoreSend(MoreSendKind kind, const MoreSendList& entries) {
    return WriteGroup(file_, kMoreSendSection, [&](OpenKey& key) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            key.SetText(MoreSendName(kind, i), entries[i], kMoreSendEntryUnits);
    });
}

int SettingsStore::ReadMoreSend(MoreSendKind kind, MoreSendList& entries) const {
    return ReadGroup(file_, kMoreSendSection, [&](const OpenKey& key) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (const int rc = key.GetText(MoreSendName(kind, i), entries[i], kMoreSendEntryUnits);
                rc != kSettingsOk)
                return rc;
        }
        return static_cast<int>(kSettingsOk);
    });
}

void SettingsStore::WriteFirstRunDefaults() {
    WriteGroup(file_, kMainSection, [](OpenKey& key) {
        SetMakerInfo(key);
        SetDefaults(key);
    });
}

int SettingsStore::RestoreDefaults() {
    const int code = WriteGroup(file_, kMainSection, [](OpenKey& key) {
        SetMakerInfo(key);
        SetDefaults(key);
        key.SetNumber("PlotSamples", kDefaultPlotSamples);
        for (const MoreSendKind page :
             {MoreSendKind::Serial, MoreSendKind::Usb, MoreSendKind::Network, MoreSendKind::Server})
            SetTextSettings(key, page, TextSettings{});
        key.SetNumber("RecvKeptLines", kDefaultReceiveKeptLines);
    });
    defaultsRestored_ = true;
    return code;
}

int SettingsStore::CheckSavable() {
    OpenKey key(file_, kMainSection);
    return key.usable() ? key.CheckSavable() : kSettingsNoStore;
}

int SettingsStore::WriteBoardWiring(std::string_view board,
                                    const std::map<std::string, std::string>& values) {
    const std::string section = BoardWiringSection(board);
    return WriteGroup(file_, section.c_str(), [&](OpenKey& key) {
        for (const auto& [name, value] : values)
            key.SetText(StoredName(name), Utf8ToUtf16(value), kShortTextUnits);
    });
}

int SettingsStore::ReadBoardWiring(std::string_view board, const std::vector<std::string>& names,
                                   std::map<std::string, std::string>& values) const {
    const std::string section = BoardWiringSection(board);
    return ReadGroup(file_, section.c_str(), [&](const OpenKey& key) -> int {
        bool any = false;
        for (const std::string& name : names) {
            std::u16string text;
            const int rc = key.GetText(StoredName(name), text, kShortTextUnits);
            if (rc == kSettingsNotFound) continue;
            if (rc != kSettingsOk) return rc;
            values[name] = Utf16ToUtf8(text);
            any = true;
        }
        return any ? kSettingsOk : kSettingsNotFound;
    });
}

}  // namespace viz
