#include "serial/AdvanceMonitorRows.h"

#include <gtest/gtest.h>

#include "serial/SerMonProtocol.h"

namespace viz {
namespace {

using sermon::RecordKind;

std::optional<MonitorRow> Take(AdvanceMonitorRows& rows, RecordKind kind, const sermon::Bytes& data = {}) {
    const sermon::Bytes record = sermon::EncodeRecord(kind, data.data(), data.size());
    return rows.Take(record.data(), record.size());
}

// Records the page can get that the real helper never sends: empty data,
// unknown kinds, broken lengths, and a program that opens the port twice.
TEST(AdvanceMonitorRows, OnlyRecordsWithSomethingToShowMakeRowsAndOpensAreCounted) {
    AdvanceMonitorRows rows;
    EXPECT_FALSE(Take(rows, RecordKind::Sent));
    EXPECT_FALSE(Take(rows, RecordKind::Received));
    EXPECT_FALSE(Take(rows, static_cast<RecordKind>(7), {1}));
    sermon::Bytes truncated = sermon::EncodeRecord(RecordKind::Sent, nullptr, 0);
    truncated[16] = 5;
    EXPECT_FALSE(rows.Take(truncated.data(), truncated.size()));

    EXPECT_EQ(Take(rows, RecordKind::Opened), (MonitorRow{u"0000", u"O", u" - ", u" - "}));
    EXPECT_EQ(Take(rows, RecordKind::Opened), (MonitorRow{u"0001", u"O", u" - ", u" - "}));
    EXPECT_EQ(Take(rows, RecordKind::Received, {0x41, 0x00, 0x42}),
              (MonitorRow{u"0002", u"R", u"0003", u"CHR: A"}));
    EXPECT_EQ(Take(rows, RecordKind::Closed), (MonitorRow{u"0003", u"C", u" - ", u" - "}));
    EXPECT_TRUE(rows.watchedPortOpen()) << "still open once";
    Take(rows, RecordKind::Closed);
    EXPECT_FALSE(rows.watchedPortOpen());
    Take(rows, RecordKind::Closed);
    Take(rows, RecordKind::Opened);
    EXPECT_TRUE(rows.watchedPortOpen()) << "a close never seen opened does not hide a later open";
    rows.ForgetOpens();
    EXPECT_FALSE(rows.watchedPortOpen());
}

}  // namespace
}  // namespace viz
