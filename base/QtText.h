#pragma once

// A page's fixed Chinese text (kept as char16_t constants in its *Texts.h)
// as the QString a widget takes.
//
//   label->setText(Text(t::kPortLabel));

#include <QString>

namespace viz {

inline QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

}  // namespace viz
