// The pages pictured now against the pictures the guide shows (docs/images):
// the same pages at the same size, each one drawn, and drawn about as much
// in every part of the page as in its stored picture, so a page (or a group
// of controls) that stops drawing is noticed before the guide goes stale.
#include <QDir>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "TempDir.h"

namespace {

// The page area starts below the menu bar and the tab strip.
constexpr int kPageTop = 50;
constexpr int kGrid = 4;
using InkGrid = std::array<double, kGrid * kGrid>;

bool Differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 48;
}

// The share of each cell of a 4 x 4 grid over the page area that is drawn
// in another colour than the window's background (the colour at the bottom
// left corner, inside the page's margin).
InkGrid InkOf(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(2, image.height() - 3);
    const int cellWidth = image.width() / kGrid;
    const int cellHeight = (image.height() - kPageTop) / kGrid;
    InkGrid ink{};
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            int drawn = 0;
            for (int y = kPageTop + row * cellHeight; y < kPageTop + (row + 1) * cellHeight; ++y) {
                for (int x = column * cellWidth; x < (column + 1) * cellWidth; ++x)
                    drawn += Differs(image.pixel(x, y), background) ? 1 : 0;
            }
            ink[static_cast<std::size_t>(row * kGrid + column)] = double(drawn) / (cellWidth * cellHeight);
        }
    }
    return ink;
}

double Total(const InkGrid& ink) {
    double sum = 0;
    for (const double cell : ink) sum += cell;
    return sum / ink.size();
}

TEST(Screenshots, EveryPageIsDrawnAsInTheStoredPicture) {
    viz::testing::TempDir dir;
    QProcess run;
    run.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    run.start(QString::fromUtf8(VIZ_SCREENSHOTS), {QStringLiteral("pictures")});
    ASSERT_TRUE(run.waitForFinished(120000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();

    const QDir stored(QString::fromUtf8(VIZ_STORED_PICTURES));
    const QDir made(QString::fromStdString((dir / "pictures").string()));
    const QStringList names = stored.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    ASSERT_EQ(made.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name), names)
        << "a page was added or removed: run scripts/screenshot.sh and describe it in the guide";
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QImage before(stored.filePath(name));
        const QImage now(made.filePath(name));
        ASSERT_FALSE(now.isNull());
        EXPECT_EQ(now.size(), before.size());
        const InkGrid inkBefore = InkOf(before);
        const InkGrid inkNow = InkOf(now);
        EXPECT_GT(Total(inkNow), 0.02) << "the page is blank";
        for (std::size_t cell = 0; cell < inkNow.size(); ++cell) {
            EXPECT_NEAR(inkNow[cell], inkBefore[cell], 0.04 + 0.3 * inkBefore[cell])
                << "cell " << cell << " (row " << cell / kGrid << ", column " << cell % kGrid
                << ") is drawn differently: if the page changed, run scripts/screenshot.sh";
        }
    }
}

}  // namespace
