#pragma once

#include "app/Page.h"

namespace viz {

// The TCP/UDP debug page.
class CNetDlg : public CPage {
    Q_OBJECT

public:
    CNetDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
