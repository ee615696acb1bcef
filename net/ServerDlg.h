#pragma once

#include "base/Page.h"

namespace viz {

// The TCP server page.
class CServerDlg : public CPage {
    Q_OBJECT

public:
    CServerDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
