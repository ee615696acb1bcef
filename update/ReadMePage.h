#pragma once

#include "base/Page.h"

namespace viz {

// The update and configuration page.
class CReadMe : public CPage {
    Q_OBJECT

public:
    CReadMe(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
