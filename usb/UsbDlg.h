#pragma once

#include "base/Page.h"

namespace viz {

// The USB HID debug page.
class CUsbDlg : public CPage {
    Q_OBJECT

public:
    CUsbDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
