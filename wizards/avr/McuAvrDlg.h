#pragma once

#include "app/Page.h"

namespace viz {

// The AVR UART code wizard page.
class CMcuAvrDlg : public CPage {
    Q_OBJECT

public:
    CMcuAvrDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
