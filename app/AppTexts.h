#pragma once

// The main window's and the about box's own texts.
namespace viz::texts {

inline constexpr char kResourceTitle[] = "Duvezer [作者：Ruderu]";
inline constexpr char kProductLine[] = "Duvezer";
inline constexpr char kAboutTitle[] = "关于 Vizuruv";
inline constexpr char kAboutItem[] = "关于 Vizuruv(&A)...";
inline constexpr char kHelpMenu[] = "帮助(&H)";
inline constexpr char kOk[] = "确定";

}  // namespace viz::texts
