#include "terminal/MonitorRecords.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TempDir.h"
#include "terminal/TextFile.h"

namespace viz {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Expected(const char* name) {
    const std::string data = ReadFile(std::filesystem::path(VIZ_TERMINAL_TEST_DATA) / name);
    EXPECT_FALSE(data.empty()) << name;
    return data;
}

// The log as the window saves it: through the program's own text file writer.
std::string SavedLog(const std::vector<MonitorRow>& rows) {
    testing::TempDir dir;
    EXPECT_EQ(WriteTextFile(dir / "log.txt", MonitorLogText(rows)), "");
    return ReadFile(dir / "log.txt");
}

TEST(MonitorRecordsTest, RecordsBeforeStartAndAfterStopAreLost) {
    MonitorRecords records;
    const std::uint8_t data[] = {0x41};
    EXPECT_FALSE(records.Link(true));
    EXPECT_FALSE(records.Data(RecordKind::Received, data, 1));
    records.setMonitoring(true);
    EXPECT_TRUE(records.Data(RecordKind::Sent, data, 1));
    records.setMonitoring(false);
    EXPECT_FALSE(records.Link(false));
    EXPECT_FALSE(records.Data(RecordKind::Received, data, 1));
    EXPECT_EQ(records.rowCount(), 1u);
}

TEST(MonitorRecordsTest, RowsAreNumberedAndFormattedByKindAndHexSwitch) {
    MonitorRecords records;
    records.setMonitoring(true);
    const std::uint8_t text[] = {0x41, 0x00, 0x42};
    const std::uint8_t line[] = {0x41, 0x42, 0x0d, 0x0a};
    EXPECT_EQ(*records.Link(true), (MonitorRow{u"0000", u"O", u" - ", u" - "}));
    EXPECT_EQ(*records.Data(RecordKind::Received, text, 3), (MonitorRow{u"0001", u"R", u"0003", u"CHR: A"}));
    records.setHex(true);
    EXPECT_EQ(*records.Data(RecordKind::Sent, line, 4),
              (MonitorRow{u"0002", u"S", u"0004", u"ASC: 41 42 0d 0a "}));
    EXPECT_EQ(*records.Link(false), (MonitorRow{u"0003", u"C", u" - ", u" - "}));
    EXPECT_FALSE(records.Data(RecordKind::Sent, line, 0));
    EXPECT_FALSE(records.Data(RecordKind::Sent, nullptr, 4));
    records.Clear();
    EXPECT_EQ((*records.Link(true))[0], u"0000");
    const std::uint8_t chinese[] = {0xD6, 0xD0};
    records.setHex(false);
    EXPECT_EQ((*records.Data(RecordKind::Received, chinese, 2))[3], u"CHR: 中");
}

TEST(MonitorRecordsTest, EmptyListLogIsTheHeaderOnly) {
    EXPECT_EQ(SavedLog({}), Expected("log_empty.txt"));
}

TEST(MonitorRecordsTest, OpenRowLogSplitsItsDashAfterThreeCharacters) {
    MonitorRecords records;
    records.setMonitoring(true);
    EXPECT_EQ(SavedLog({*records.Link(true)}), Expected("log_open_row.txt"));
}

TEST(MonitorRecordsTest, ThirtyByteHexRecordLogWrapsItsDataIntoIndentedLines) {
    MonitorRecords records;
    records.setMonitoring(true);
    records.setHex(true);
    std::uint8_t data[30];
    for (int i = 0; i < 30; ++i) data[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(SavedLog({*records.Data(RecordKind::Sent, data, 30)}), Expected("log_hex_record.txt"));
}

}  // namespace
}  // namespace viz
