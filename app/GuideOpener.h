#pragma once

// Opens the user guide for "帮助" -> "使用指南":
//
//     CGuideOpener guide;                  // beside this program, desktop's handler
//     guide.Open(window);                  // or a warning when it cannot
//
// Tests give it the folder to look from and an opener that only records the
// address, so no browser starts.
#include <QString>
#include <QUrl>

#include <filesystem>
#include <functional>

class QWidget;

namespace viz {

class CGuideOpener {
public:
    // Hands the guide's address to the desktop; false when nothing took it.
    using Opener = std::function<bool(const QUrl&)>;

    CGuideOpener();
    CGuideOpener(std::filesystem::path programDir, Opener opener);

    // Finds the guide and opens it; says in a box on `parent` why not.
    void Open(QWidget* parent) const;

private:
    std::filesystem::path programDir_;
    Opener opener_;
};

}  // namespace viz
