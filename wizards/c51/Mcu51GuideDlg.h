#pragma once

#include "app/Page.h"

namespace viz {

// The 8051 code wizard page.
class CMcu51GuideDlg : public CPage {
    Q_OBJECT

public:
    CMcu51GuideDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
