#pragma once

#include <QWidget>

#include "base/PageContext.h"

namespace viz {

// Base of the twelve pages behind the main window's tabs. A page is created
// once and lives until the program ends, so it keeps its state while hidden.
class CPage : public QWidget {
    Q_OBJECT

public:
    CPage(PageContext& context, QWidget* parent) : QWidget(parent), context_(context) {}

protected:
    PageContext& context() { return context_; }

private:
    PageContext& context_;
};

}  // namespace viz
