#pragma once

#include "base/Page.h"

namespace viz {

// The bitmap to C array page.
class CBmp2HexDlg : public CPage {
    Q_OBJECT

public:
    CBmp2HexDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
