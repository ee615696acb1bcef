#pragma once

#include "base/Page.h"

namespace viz {

// The small tools page.
class CToolsDlg : public CPage {
    Q_OBJECT

public:
    CToolsDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
