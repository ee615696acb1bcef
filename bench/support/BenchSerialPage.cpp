#include "BenchSerialPage.h"

#include <QComboBox>

#include <cstdio>

namespace bench {

std::unique_ptr<viz::CComDlg> ShownSerialPage(viz::PageContext& context,
                                              const std::filesystem::path& ttyClassRoot) {
    viz::ComDlgDevices devices;
    devices.ttyClassRoot = ttyClassRoot;
    auto page = std::make_unique<viz::CComDlg>(context, nullptr, devices);
    page->resize(1000, 680);
    page->show();
    return page;
}

bool OpenSerialPage(viz::CComDlg& page, const std::string& path, const char* baud) {
    page.findChild<QComboBox*>(QStringLiteral("port"))->setEditText(QString::fromStdString(path));
    if (*baud != '\0')
        page.findChild<QComboBox*>(QStringLiteral("baud"))->setCurrentText(QString::fromUtf8(baud));
    page.ToggleOpen();
    if (page.isOpen()) return true;
    std::fprintf(stderr, "the serial page could not open %s\n", path.c_str());
    return false;
}

}  // namespace bench
