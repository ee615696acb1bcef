#include "base/SettingsStore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "app/StartupSettings.h"

namespace viz {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Deletes one stored value the way a damaged or older store would lack it,
// keeping the file whole.
void RemoveStoredValue(const std::filesystem::path& path, const std::string& section,
                       const std::string& name) {
    SettingsFile file{path};
    SettingsDocument document;
    ASSERT_EQ(file.Load(document), SettingsFile::LoadState::Loaded);
    document.RemoveValue(section, name);
    ASSERT_EQ(file.Save(document), kSettingsOk);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::filesystem::path path = dir / "Vizuruv" / "Vizuruv.conf";
    SettingsStore store{path};

    // Runs `body` in a child process as an unprivileged user (root ignores
    // folder permissions) with the settings folder read-only, and returns
    // its exit code; 3 when privileges could not be dropped.
    int ExitCodeInReadOnlyFolder(const std::function<int()>& body) {
        std::filesystem::create_directories(path.parent_path());
        ::chmod(dir.path().c_str(), 0711);
        ::chmod(path.parent_path().c_str(), 0555);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
            ::_exit(body());
        }
        int status = 0;
        const bool ended = child > 0 && ::waitpid(child, &status, 0) == child;
        ::chmod(path.parent_path().c_str(), 0700);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int BrokenFiles() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
            count += entry.path().filename().string().find(".broken-") != std::string::npos;
        return count;
    }
};

TEST_F(SettingsStoreTest, EveryGroupRoundTrips) {
    SerialSettings serial{115200, 7, 2, u"/dev/ttyUSB0", u"EVEN"};
    ASSERT_EQ(store.WriteSerial(serial), 0);
    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    ASSERT_EQ(store.WriteHid({0x1234, 0x0483, 0x0100}), 0);
    ASSERT_EQ(store.WriteIpAddress(u"127.0.0.1"), 0);
    ASSERT_EQ(store.WriteTcpPorts({5000, 6000}), 0);
    ASSERT_EQ(store.WriteUdpPorts({7000, 8000}), 0);
    ASSERT_EQ(store.WriteServerPort(9999), 0);

    SettingsStore reopened{path};
    SerialSettings readSerial{0, 0, 0, u"", u""};
    EXPECT_EQ(reopened.ReadSerial(readSerial), 0);
    EXPECT_EQ(readSerial.baud, 115200u);
    EXPECT_EQ(readSerial.dataBits, 7u);
    EXPECT_EQ(readSerial.stopBits, 2u);
    EXPECT_EQ(readSerial.port, u"/dev/ttyUSB0");
    EXPECT_EQ(readSerial.parity, u"EVEN");
    std::uint32_t autoUpdate = 9;
    EXPECT_EQ(reopened.ReadAutoUpdate(autoUpdate), 0);
    EXPECT_EQ(autoUpdate, 0u);
    HidIdentifiers hid{0, 0, 0};
    EXPECT_EQ(reopened.ReadHid(hid), 0);
    EXPECT_EQ(hid.productId, 0x1234u);
    EXPECT_EQ(hid.vendorId, 0x0483u);
    EXPECT_EQ(hid.version, 0x0100u);
    std::u16string address;
    EXPECT_EQ(reopened.ReadIpAddress(address), 0);
    EXPECT_EQ(address, u"127.0.0.1");
    PortPair tcp, udp;
    EXPECT_EQ(reopened.ReadTcpPorts(tcp), 0);
    EXPECT_EQ(reopened.ReadUdpPorts(udp), 0);
    EXPECT_EQ(tcp.source, 5000u);
    EXPECT_EQ(tcp.destination, 6000u);
    EXPECT_EQ(udp.source, 7000u);
    EXPECT_EQ(udp.destination, 8000u);
    std::uint32_t server = 0;
    EXPECT_EQ(reopened.ReadServerPort(server), 0);
    EXPECT_EQ(server, 9999u);
}

TEST_F(SettingsStoreTest, MultiSendListsOfEachKindAreSeparateAndKeepAnyText) {
    MoreSendList serial{u"01 02", u"AT\r\n", u"中文", u"back\\slash", u"", u"x=1", u"[s]", u"\t#"};
    MoreSendList net;
    net.fill(u"net");
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Serial, serial), 0);
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Network, net), 0);

    MoreSendList read;
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Serial, read), 0);
    EXPECT_EQ(read, serial);
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Network, read), 0);
    EXPECT_EQ(read, net);
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Usb, read), kSettingsNotFound);
    EXPECT_EQ(ReadAll(path).find("SERVERMoreSend"), std::string::npos);
}

TEST_F(SettingsStoreTest, LongTextsAreCutToTheirFixedSizes) {
    SerialSettings serial;
    serial.port = u"/dev/serial/by-id/usb-0001";
    ASSERT_EQ(store.WriteSerial(serial), 0);
    ASSERT_EQ(store.WriteIpAddress(u"1234567890.1234567"), 0);
    MoreSendList entries;
    entries[0] = std::u16string(300, u'A');
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Usb, entries), 0);

    SerialSettings read;
    ASSERT_EQ(store.ReadSerial(read), 0);
    EXPECT_EQ(read.port, u"/dev/serial/by-");
    std::u16string address;
    ASSERT_EQ(store.ReadIpAddress(address), 0);
    EXPECT_EQ(address, u"1234567890.1234");
    MoreSendList readEntries;
    ASSERT_EQ(store.ReadMoreSend(MoreSendKind::Usb, readEntries), 0);
    EXPECT_EQ(readEntries[0], std::u16string(127, u'A'));
}

TEST_F(SettingsStoreTest, CuttingNeverSplitsASurrogatePair) {
    std::u16string port(14, u'x');
    port += u"\U0001F600";
    SerialSettings serial;
    serial.port = port;
    ASSERT_EQ(store.WriteSerial(serial), 0);
    SerialSettings read;
    ASSERT_EQ(store.ReadSerial(read), 0);
    EXPECT_EQ(read.port, std::u16string(14, u'x'));
}

TEST_F(SettingsStoreTest, MultiSendReadStopsAtTheFirstMissingEntry) {
    MoreSendList entries{u"e0", u"e1", u"e2", u"e3", u"e4", u"e5", u"e6", u"e7"};
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Serial, entries), 0);
    RemoveStoredValue(path, "Vizuruv\\MoreSend", "COMMoreSend3");

    MoreSendList read;
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Serial, read), kSettingsNotFound);
    EXPECT_EQ(read[0], u"e0");
    EXPECT_EQ(read[2], u"e2");
    EXPECT_EQ(read[3], u"");
    EXPECT_EQ(read[4], u"");
}

TEST_F(SettingsStoreTest, SerialReadStopsAtTheFirstFailureKeepingEarlierValues) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "[Vizuruv]\nComBaud=dword:57600\nComStopBits=dword:2\n";
    SerialSettings read;
    EXPECT_EQ(store.ReadSerial(read), kSettingsNotFound);
    EXPECT_EQ(read.baud, 57600u);
    EXPECT_EQ(read.stopBits, 1u) << "values after the missing one are not read";
}

TEST_F(SettingsStoreTest, ReadingAValueOfTheWrongTypeFails) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "[Vizuruv]\nAutoUpdate=sz:yes\n";
    std::uint32_t value = 7;
    EXPECT_EQ(store.ReadAutoUpdate(value), kSettingsInvalidData);
    EXPECT_EQ(value, 7u);
}

TEST_F(SettingsStoreTest, ReadingAMissingStoreFailsWithoutCreatingIt) {
    std::uint32_t value = 0;
    EXPECT_EQ(store.ReadAutoUpdate(value), kSettingsNotFound);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(store.Exists());
}

TEST_F(SettingsStoreTest, RestoreThenExitKeepsTheDefaults) {
    SerialSettings custom{115200, 7, 2, u"/dev/ttyS3", u"ODD"};
    ASSERT_EQ(store.WriteSerial(custom), 0);
    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    ASSERT_EQ(store.WriteServerPort(1234), 0);
    EXPECT_FALSE(store.defaultsRestored());

    EXPECT_EQ(store.RestoreDefaults(), 0);
    EXPECT_TRUE(store.defaultsRestored());

    SerialSettings read{0, 0, 0, u"", u""};
    ASSERT_EQ(store.ReadSerial(read), 0);
    EXPECT_EQ(read.baud, 9600u);
    EXPECT_EQ(read.dataBits, 8u);
    EXPECT_EQ(read.stopBits, 1u);
    EXPECT_EQ(read.port, u"COM1");
    EXPECT_EQ(read.parity, u"NONE");
    std::uint32_t value = 0;
    ASSERT_EQ(store.ReadAutoUpdate(value), 0);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(store.ReadServerPort(value), 0);
    EXPECT_EQ(value, 8888u);
    std::u16string address;
    ASSERT_EQ(store.ReadIpAddress(address), 0);
    EXPECT_EQ(address, u"192.168.1.218");
    HidIdentifiers hid{0, 0, 0};
    ASSERT_EQ(store.ReadHid(hid), 0);
    EXPECT_EQ(hid.vendorId, 1138u);
}

TEST_F(SettingsStoreTest, PlotWindowPlacesArePerPageAndTheSampleCountStaysInItsRange) {
    ASSERT_EQ(store.WritePlotPlace(MoreSendKind::Serial, {-1200, 40, 800, 500}), 0);
    ASSERT_EQ(store.WritePlotPlace(MoreSendKind::Server, {10, 20, 640, 480}), 0);
    WindowPlace place;
    ASSERT_EQ(SettingsStore{path}.ReadPlotPlace(MoreSendKind::Serial, place), 0);
    EXPECT_EQ(std::make_tuple(place.x, place.y, place.width, place.height),
              std::make_tuple(-1200, 40, 800, 500))
        << "a window on a screen left of the first comes back there";
    EXPECT_NE(store.ReadPlotPlace(MoreSendKind::Usb, place), 0);

    std::uint32_t samples = 0;
    EXPECT_NE(store.ReadPlotSamples(samples), 0) << "not stored: the reader keeps its default";
    for (const auto& [stored, read] : {std::pair{5u, kMinPlotSamples}, std::pair{250'000u, 250'000u},
                                       std::pair{0xFFFFFFFFu, kMaxPlotSamples}}) {
        ASSERT_EQ(store.WritePlotSamples(stored), 0);
        ASSERT_EQ(store.ReadPlotSamples(samples), 0);
        EXPECT_EQ(samples, read);
    }
    EXPECT_EQ(store.RestoreDefaults(), 0);
    ASSERT_EQ(store.ReadPlotSamples(samples), 0);
    EXPECT_EQ(samples, kDefaultPlotSamples);
}

TEST_F(SettingsStoreTest, RestoreLeavesTheMultiSendListsAlone) {
    MoreSendList entries;
    entries.fill(u"keep");
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Server, entries), 0);
    store.RestoreDefaults();
    MoreSendList read;
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Server, read), 0);
    EXPECT_EQ(read, entries);
}

TEST_F(SettingsStoreTest, CorruptFileIsSetAsideAndTheProgramStartsOnDefaults) {
    std::filesystem::create_directories(path.parent_path());
    const std::string garbage = "\x01\x02 not a settings file\n[unterminated\n";
    std::ofstream(path, std::ios::binary) << garbage;

    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);
    EXPECT_EQ(BrokenFiles(), 1);
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        if (entry.path().filename().string().find(".broken-") != std::string::npos) {
            EXPECT_EQ(ReadAll(entry.path()), garbage);
        }
    }
    SerialSettings read{0, 0, 0, u"", u""};
    EXPECT_EQ(store.ReadSerial(read), 0);
    EXPECT_EQ(read.baud, 9600u);
}

TEST_F(SettingsStoreTest, OutOfRangeNumberCountsAsCorrupt) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "[Vizuruv]\nComBaud=dword:99999999999\n";
    std::uint32_t value = 0;
    EXPECT_EQ(store.ReadServerPort(value), kSettingsNotFound);
    EXPECT_EQ(BrokenFiles(), 1);
}

TEST_F(SettingsStoreTest, UnwritableFolderFailsEveryOperationWithoutCrashing) {
    const int code = ExitCodeInReadOnlyFolder([this] {
        SettingsStore unprivileged{path};
        if (unprivileged.WriteAutoUpdate(1) == 0) return 1;
        if (PrepareSettingsAtStart(unprivileged) != UpdateMode::Unknown) return 2;
        const auto notices = unprivileged.TakeNotices();
        if (notices.size() != 1 || notices[0].kind != SettingsNotice::Kind::NotSaved ||
            notices[0].reason.empty())
            return 4;
        return 0;
    });
    EXPECT_EQ(code, 0) << "1: a write succeeded, 2: start-up did not fall back, 3: could not drop root, "
                          "4: not told once that settings will not be saved";
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A later start changes nothing, so it replaces and syncs nothing on the
// way to the window; a store that cannot be saved is still told at start.
TEST_F(SettingsStoreTest, AStartThatChangesNothingLeavesTheFileYetSaysWhenItCannotBeSaved) {
    ASSERT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::string text = ReadAll(path);
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);
    EXPECT_EQ(store.WriteServerPort(kDefaultServerPort), 0);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(ReadAll(path), text);
    EXPECT_TRUE(store.TakeNotices().empty());
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        ++files;
    EXPECT_EQ(files, 1) << "the check left a file behind";

    ::chmod(path.c_str(), 0644);
    const int code = ExitCodeInReadOnlyFolder([this] {
        SettingsStore unprivileged{path};
        if (PrepareSettingsAtStart(unprivileged) != UpdateMode::On) return 1;
        const auto notices = unprivileged.TakeNotices();
        return notices.size() == 1 && notices[0].kind == SettingsNotice::Kind::NotSaved ? 0 : 2;
    });
    EXPECT_EQ(code, 0) << "1: the stored settings were not used, 2: not told once that settings will not be "
                          "saved, 3: could not drop root";
    EXPECT_EQ(ReadAll(path), text);
}

TEST_F(SettingsStoreTest, AFolderOrPipeAtThePathIsSetAsideAndReported) {
    std::filesystem::create_directories(path / "inside");  // the settings "file" is a folder
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::On) << "a first run on a file of its own";
    auto notices = store.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, SettingsNotice::Kind::NotAFileSetAside);
    EXPECT_TRUE(std::filesystem::exists(notices[0].movedTo / "inside")) << "the folder is kept, only renamed";
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    ASSERT_EQ(store.WriteServerPort(4321), 0);
    std::uint32_t port = 0;
    EXPECT_EQ(SettingsStore(path).ReadServerPort(port), 0);
    EXPECT_EQ(port, 4321u);

    // A pipe would block a plain read for ever.
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(store.ReadServerPort(port), kSettingsNotFound);
    notices = store.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, SettingsNotice::Kind::NotAFileSetAside);
    EXPECT_EQ(BrokenFiles(), 2);
}

TEST_F(SettingsStoreTest, ACutOrDamagedFileIsSetAsideNeverReadWithAlteredValues) {
    // A real file: every group, and multi-send texts with escapes and Chinese.
    SerialSettings serial{100007, 7, 2, u"/dev/ttyUSB0", u"EVEN"};
    MoreSendList entries{u"01 02", u"AT\r\n", u"中文", u"back\\slash", u"", u"x=1", u"[s]", u"\t#"};
    ASSERT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);
    ASSERT_EQ(store.WriteSerial(serial), 0);
    ASSERT_EQ(store.WriteHid({0x1234, 0x0483, 0x0100}), 0);
    ASSERT_EQ(store.WriteIpAddress(u"10.0.0.1"), 0);
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Serial, entries), 0);
    const std::string whole = ReadAll(path);
    ASSERT_GT(whole.size(), 300u);

    // Every read either fails or yields exactly what was written.
    const auto expectNothingAltered = [&](const std::string& what) {
        SettingsStore reader{path};
        SerialSettings readSerial;
        if (reader.ReadSerial(readSerial) == 0) {
            EXPECT_EQ(readSerial.baud, serial.baud) << what;
            EXPECT_EQ(readSerial.port, serial.port) << what;
        }
        std::u16string address;
        if (reader.ReadIpAddress(address) == 0) {
            EXPECT_EQ(address, u"10.0.0.1") << what;
        }
        MoreSendList readEntries;
        if (reader.ReadMoreSend(MoreSendKind::Serial, readEntries) == 0) {
            EXPECT_EQ(readEntries, entries) << what;
        }
        std::uint32_t autoUpdate = 0;
        if (reader.ReadAutoUpdate(autoUpdate) == 0) {
            EXPECT_EQ(autoUpdate, 1u) << what;
        }
        return reader.TakeNotices();
    };
    const auto expectSetAside = [&](const std::string& content, const std::string& what) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        const auto notices = expectNothingAltered(what);
        ASSERT_EQ(notices.size(), 1u) << what;
        EXPECT_EQ(notices[0].kind, SettingsNotice::Kind::SetAside) << what;
        EXPECT_EQ(ReadAll(notices[0].movedTo), content) << what << ": kept as it was";
        std::filesystem::remove(notices[0].movedTo);
    };
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        expectSetAside(whole.substr(0, cut), "cut at " + std::to_string(cut));
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x04);
        expectSetAside(damaged, "byte " + std::to_string(at) + " changed");
    }

    std::ofstream(path, std::ios::binary | std::ios::trunc) << whole;
    EXPECT_TRUE(expectNothingAltered("whole").empty());
    SerialSettings readSerial;
    EXPECT_EQ(SettingsStore(path).ReadSerial(readSerial), 0) << "the whole file reads";
}

TEST_F(SettingsStoreTest, AFileOfTheEarlierFormatIsReadOnceAndRewritten) {
    std::filesystem::create_directories(path.parent_path());
    const std::string earlier =
        "# Vizuruv settings; written by the program, edit with care.\n"
        "[Vizuruv]\nAutoUpdate=dword:0\nComBaud=dword:57600\nComDataBits=dword:8\nComStopBits=dword:1\n"
        "ComParity=sz:NONE\nComPort=sz:/dev/ttyS1\n[Vizuruv\\MoreSend]\nNETMoreSend0=sz:AT\\r\\n\n";
    std::ofstream(path, std::ios::binary) << earlier;

    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::Off) << "not a first run: the values are kept";
    EXPECT_TRUE(store.TakeNotices().empty());
    const std::string rewritten = ReadAll(path);
    EXPECT_NE(rewritten, earlier);
    EXPECT_EQ(rewritten.find("edit with care"), std::string::npos);
    // The rewritten file now carries its checksum: cut by one byte, it is set aside.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << rewritten.substr(0, rewritten.size() - 1);
    SerialSettings serial;
    EXPECT_EQ(store.ReadSerial(serial), kSettingsNotFound);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << rewritten;
    ASSERT_EQ(store.ReadSerial(serial), 0);
    EXPECT_EQ(serial.baud, 57600u);
    EXPECT_EQ(serial.port, u"/dev/ttyS1");
    MoreSendList net;
    EXPECT_EQ(store.ReadMoreSend(MoreSendKind::Network, net), kSettingsNotFound);
    EXPECT_EQ(net[0], u"AT\r\n");
}

TEST_F(SettingsStoreTest, TemporaryFilesOfKilledSavesAreRemovedAtStart) {
    std::filesystem::create_directories(path.parent_path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a process that has ended
    const auto temp = [&](const std::string& suffix) {
        const auto file = path.parent_path() / ("Vizuruv.conf.tmp-" + suffix);
        std::ofstream(file) << "[Vizuruv]\n";
        return file;
    };
    const auto dead = temp(std::to_string(child));
    const auto ours = temp(std::to_string(::getpid()));
    const auto running = temp(std::to_string(::getppid()));
    const auto foreign = temp("notes");

    PrepareSettingsAtStart(store);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_FALSE(std::filesystem::exists(ours)) << "left by an earlier process that had our number";
    EXPECT_TRUE(std::filesystem::exists(running)) << "a save of a running instance may be under way";
    EXPECT_TRUE(std::filesystem::exists(foreign));
}

TEST_F(SettingsStoreTest, SavingLeavesNoTemporaryFilesBehind) {
    ASSERT_EQ(store.WriteAutoUpdate(1), 0);
    ASSERT_EQ(store.WriteServerPort(1), 0);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path.parent_path())) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(SettingsStoreTest, StartUpDecidesTheTitleFromAutoUpdate) {
    // First run: defaults are stored and automatic update is on.
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);
    SerialSettings read{0, 0, 0, u"", u""};
    ASSERT_EQ(store.ReadSerial(read), 0);
    EXPECT_EQ(read.port, u"COM1");
    PortPair udp;
    ASSERT_EQ(store.ReadUdpPorts(udp), 0);
    EXPECT_EQ(udp.source, 2222u);

    // Key present but AutoUpdate missing: written as 1, this run keeps the resource title.
    RemoveStoredValue(path, "Vizuruv", "AutoUpdate");
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::Unknown);
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::On);

    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    EXPECT_EQ(PrepareSettingsAtStart(store), UpdateMode::Off);
    EXPECT_EQ(MainWindowTitle(UpdateMode::Off), u"Duvezer [自动更新：已关闭，可在|升级与配置|选项卡开启]");
}

TEST_F(SettingsStoreTest, NotFirstRunKeepsTheUsersValues) {
    ASSERT_EQ(store.WriteMakerInfo(), 0);
    ASSERT_EQ(store.WriteServerPort(4321), 0);
    PrepareSettingsAtStart(store);
    std::uint32_t port = 0;
    ASSERT_EQ(store.ReadServerPort(port), 0);
    EXPECT_EQ(port, 4321u);
    EXPECT_NE(ReadAll(path).find("Author=sz:Ruderu"), std::string::npos);
}

}  // namespace
}  // namespace viz
