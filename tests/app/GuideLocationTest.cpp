#include "app/GuideLocation.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"

namespace viz {
namespace {

void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "# guide\n";
}

// An installed tree as the install rules lay it out: prefix/bin beside
// prefix/share/doc/duvezer.
TEST(GuideLocationTest, InstalledBuildTreeAndMissingGuides) {
    testing::TempDir prefix;
    const auto bin = prefix / "bin";
    std::filesystem::create_directories(bin);
    EXPECT_TRUE(FindGuide(bin).empty()) << "nothing installed yet";
    EXPECT_EQ(InstalledGuideFolder(bin), prefix / "share/doc/duvezer");

    // Markdown alone is still a guide to open.
    Touch(prefix / "share/doc/duvezer" / kGuideMarkdown);
    EXPECT_EQ(FindGuide(bin), prefix / "share/doc/duvezer" / kGuideMarkdown);
    // A build tree's copy beside the program is found too, HTML before any Markdown.
    Touch(bin / "docs" / kGuideHtml);
    EXPECT_EQ(FindGuide(bin), bin / "docs" / kGuideHtml);
    // The installed page comes before a stray build copy.
    Touch(prefix / "share/doc/duvezer" / kGuideHtml);
    EXPECT_EQ(FindGuide(bin), prefix / "share/doc/duvezer" / kGuideHtml);

    // A folder with the guide's name is not a guide.
    testing::TempDir other;
    std::filesystem::create_directories(other / "docs" / kGuideHtml);
    EXPECT_TRUE(FindGuide(other.path()).empty());
}

}  // namespace
}  // namespace viz
