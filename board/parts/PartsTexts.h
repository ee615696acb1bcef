#pragma once

// The words the learning board's parts use to say their state, for the
// window's accessible texts.

namespace viz::parts_texts {

inline constexpr const char* kLit = "亮";
inline constexpr const char* kDark = "灭";
inline constexpr const char* kPressed = "按下";
inline constexpr const char* kReleased = "松开";
// A saved wiring that cannot be read, followed by the key at fault.
inline constexpr const char* kLayoutUnreadable = "无法读取学习板接线：";

}  // namespace viz::parts_texts
