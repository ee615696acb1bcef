#pragma once

#include <thread>

#include "base/Page.h"
#include "update/UpdateServers.h"

class QPlainTextEdit;
class QPushButton;

namespace viz {

// The update and configuration page: the maker's links, an information box
// the update servers fill, version information, the new-version check with
// its downloader, and the settings dialog.
class CReadMe : public CPage {
    Q_OBJECT

public:
    // The information box is fetched the context's delay after start when
    // this run updates automatically.
    CReadMe(PageContext& context, QWidget* parent);
    ~CReadMe() override;

private:
    QWidget* CreateLinks();
    QPushButton* CreateLink(const char* caption, const char* address);
    void CreateInfoBox();

    void ShowVersionInfo();
    void CheckForNewVersion();
    void ShowCheckResult(int result);
    void OpenConfiguration();

    const UpdateServers servers_;
    QPlainTextEdit* info_;
    QPushButton* downloadNew_;
    std::jthread infoThread_;
    std::jthread checkThread_;
};

}  // namespace viz
