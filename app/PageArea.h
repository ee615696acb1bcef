#pragma once

#include <QSize>

class QFont;

namespace viz {

// The room behind the tabs that every page fits in, known before any page
// is built: each tab's holder asks for it, so the window opens large enough
// for all pages and a page built when its tab is first opened finds the
// room the first one had.
//
//   holder->setMinimumSize(PageAreaMinimum(holder->font()));
//
// It was measured with the reference font below and grows with a larger
// one; tests/app/WindowFitTest checks every page against it.
QSize PageAreaMinimum(const QFont& font);

}  // namespace viz
