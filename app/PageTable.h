#pragma once

#include <array>

class QWidget;

namespace viz {

class CPage;
class PageContext;

inline constexpr int kPageCount = 12;

// One tab of the main window: its caption and how its page is built.
struct PageEntry {
    const char* caption;
    CPage* (*create)(PageContext& context, QWidget* parent);
    // The page has work of its own from the start (the update page removes
    // leftover downloads and fetches its information box), so it is built
    // as soon as the window has been drawn rather than when first opened.
    bool worksFromStart = false;
};

// The twelve pages in tab order.
const std::array<PageEntry, kPageCount>& PageTable();

}  // namespace viz
