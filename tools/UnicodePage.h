#pragma once

#include "app/Page.h"

namespace viz {

// The encoding conversion page.
class CUnicode : public CPage {
    Q_OBJECT

public:
    CUnicode(PageContext& context, QWidget* parent) : CPage(context, parent) {}
};

}  // namespace viz
