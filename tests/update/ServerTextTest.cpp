#include "update/ServerText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LocalHttpServer.h"
#include "Patience.h"
#include "platform/CodePage.h"

namespace viz {
namespace {

using testing::HttpRoute;
using testing::LocalHttpServer;

TEST(VersionCheck, ReadsTheNumberAtOffsetSevenOfAValidFile) {
    LocalHttpServer server;
    const std::string url = server.base() + kVersionFilePath;
    const std::pair<const char*, int> cases[] = {
        {"dodiror169", 1},      {"dodiror168", 0},         {"dodirorabc", 0},
        {"dodiror 170 new", 1}, {"dodiror+169", 1},        {"dodiror-169", 0},
        {"abcdefg169", -1},     {"dodiror99999999999", 1}, {"xx\r\ndod169 dodiror", 1},
    };
    for (const auto& [text, expected] : cases) {
        server.Serve(kVersionFilePath, HttpRoute(text));
        EXPECT_EQ(CheckVersion(url), expected) << text;
    }
}

TEST(VersionCheck, AsksTheMirrorOnlyWhenThePrimaryFails) {
    LocalHttpServer primary, mirror;
    mirror.Serve(kVersionFilePath, HttpRoute("dodiror169"));
    const UpdateServers servers{primary.base(), mirror.base()};

    primary.Serve(kVersionFilePath, HttpRoute("dodiror168"));
    EXPECT_EQ(CheckVersionOnServers(servers), 0);
    EXPECT_EQ(mirror.requests(), 0);

    // An error page that echoes the path still counts as a failure.
    HttpRoute missing("<html>/dodiror/VERSIONEx.xml was not found</html>");
    missing.status = 404;
    primary.Serve(kVersionFilePath, missing);
    EXPECT_EQ(CheckVersionOnServers(servers), 1);
    EXPECT_EQ(mirror.requests(), 1);

    primary.Serve(kVersionFilePath, HttpRoute("a portal page without the marker 169"));
    EXPECT_EQ(CheckVersionOnServers(servers), 1);

    EXPECT_EQ(CheckVersionOnServers({testing::UnreachableBase(), mirror.base()}), 1);
    EXPECT_EQ(CheckVersionOnServers({testing::UnreachableBase(), testing::UnreachableBase()}), -1);
}

TEST(Notices, EntriesEndAtHashAndTheListAtDollar) {
    using List = std::vector<std::u16string>;
    EXPECT_EQ(ParseNotices(u"A#B#C$"), (List{u"A", u"B", u"C"}));
    EXPECT_EQ(ParseNotices(u"A#B$"), (List{u"A", u"B"}));
    EXPECT_EQ(ParseNotices(u"A$"), List{});
    EXPECT_EQ(ParseNotices(u"#$"), List{u""});
    EXPECT_EQ(ParseNotices(u"A#B#"), List{});
    EXPECT_EQ(ParseNotices(u"dodiror\r\n欢迎#新版\r\n本#$tail#x"), (List{u"dodiror欢迎", u"新版本"}));

    std::u16string forty;
    for (int i = 1; i <= 40; ++i) forty.append(u"N").append(Utf8ToUtf16(std::to_string(i))).append(u"#");
    const List kept = ParseNotices(forty + u"$");
    ASSERT_EQ(kept.size(), kMaxNotices);
    EXPECT_EQ(kept.front(), u"N1");
    EXPECT_EQ(kept.back(), u"N32");
}

TEST(ServerTextBounds, NeverKeepsMoreThanTheBufferWhateverTheHeaderSays) {
    LocalHttpServer server;
    const std::string url = server.base() + kInfoFilePath;

    // A header announcing a gigabyte: the fetch stops at the bound and hangs up.
    HttpRoute huge("dodiror" + std::string(8 << 20, 'x'));
    huge.length = HttpRoute::Length::Announced;
    huge.announced = 1000000000;
    huge.blockBytes = 64 * 1024;
    server.Serve(kInfoFilePath, huge);
    auto fetched = FetchServerText(url);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->text.size(), kServerTextMaxUnits);
    EXPECT_TRUE(IsValidServerText(fetched->text));
    // The server learns of the hang-up when its next block is refused.
    for (int i = 0; i < 200 && server.abandoned() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server.abandoned(), 1);

    // No Content-Length: read to the end, within the bound.
    HttpRoute open("dodiror info");
    open.length = HttpRoute::Length::Absent;
    server.Serve(kInfoFilePath, open);
    fetched = FetchServerText(url);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->text, u"dodiror info");
    open.body = std::string(100000, 'y');
    server.Serve(kInfoFilePath, open);
    fetched = FetchServerText(url);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->text, std::u16string(kServerTextMaxUnits, u'y'));

    // Two-byte characters: the bound counts characters, not bytes.
    const std::u16string chinese(50000, u'新');
    server.Serve(kInfoFilePath, HttpRoute(EncodeText(chinese, CodePage::Ansi)));
    fetched = FetchServerText(url);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->text, chinese.substr(0, kServerTextMaxUnits));

    // A connection closed before the announced length is a failed fetch.
    HttpRoute cut("dodiror169 and then nothing");
    cut.length = HttpRoute::Length::Announced;
    cut.announced = 5000;
    server.Serve(kInfoFilePath, cut);
    EXPECT_FALSE(FetchServerText(url));
}

TEST(ServerTextBounds, AStopRequestEndsASlowFetchAtOnce) {
    LocalHttpServer server;
    HttpRoute slow("dodiror" + std::string(100, 'z'));
    slow.blockBytes = 1;
    slow.blockPause = std::chrono::seconds(1);
    server.Serve(kInfoFilePath, slow);
    std::stop_source stop;
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FetchServerText(server.base() + kInfoFilePath, stop.get_token()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit) << "the whole text takes 100 s";
}

}  // namespace
}  // namespace viz
