#pragma once

#include "base/Page.h"

namespace viz {

// The page that watches another program's serial traffic.
class CComAdvanceMonitorDlg : public CPage {
    Q_OBJECT

public:
    CComAdvanceMonitorDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
