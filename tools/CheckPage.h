#pragma once

#include "app/Page.h"

namespace viz {

// The checksum page.
class CCheck : public CPage {
    Q_OBJECT

public:
    CCheck(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
