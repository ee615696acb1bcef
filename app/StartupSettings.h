#pragma once

#include <string>

#include "base/SettingsStore.h"

namespace viz {

// What the start-up decided about automatic update, which fixes the title.
enum class UpdateMode {
    Unknown,  // AutoUpdate was missing: written now, takes effect next start
    On,
    Off,
};

// The start-up settings steps: stale temporary files removed, first-run
// test, maker information (with the first-run defaults on a first run), a
// check that the store can be saved, then the AutoUpdate switch (written as
// 1 when missing).
UpdateMode PrepareSettingsAtStart(SettingsStore& store);

// The main window's title for each mode.
std::u16string MainWindowTitle(UpdateMode mode);

}  // namespace viz
