#pragma once

#include "app/Page.h"

namespace viz {

// The serial debug page.
class CComDlg : public CPage {
    Q_OBJECT

public:
    CComDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
