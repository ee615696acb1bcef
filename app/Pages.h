#pragma once

// The program's twelve pages, each with its id, the name the command line
// and the screenshots know it by and its tab caption, in tab order. What
// needs a page's place (the tab strip, the start page, the board's wiring)
// asks here, so the order is written once.
//
//   const int tab = TabOf(PageId::Serial);
//   for (const PageInfo& info : kPages) tabs->addTab(holder, QString::fromUtf8(info.caption));
//   std::optional<PageId> asked = PageIdNamed("net");

#include <array>
#include <optional>
#include <string_view>

namespace viz {

enum class PageId { Serial, Monitor, Usb, Net, Server, Tools, C51, Avr, Check, Encoding, Bitmap, Update };

struct PageInfo {
    PageId id;
    std::string_view name;
    const char* caption;
};

inline constexpr int kPageCount = 12;

inline constexpr std::array<PageInfo, kPageCount> kPages{{
    {PageId::Serial, "serial", "串口调试"},
    {PageId::Monitor, "monitor", "串口监视器"},
    {PageId::Usb, "usb", "USB调试"},
    {PageId::Net, "net", "网络调试"},
    {PageId::Server, "server", "网络服务器"},
    {PageId::Tools, "tools", "小工具"},
    {PageId::C51, "c51", "C51代码向导"},
    {PageId::Avr, "avr", "AVR代码向导"},
    {PageId::Check, "check", "数据校验"},
    {PageId::Encoding, "encoding", "编码转换"},
    {PageId::Bitmap, "bitmap", "位图转16进制"},
    {PageId::Update, "update", "升级与配置"},
}};

// The tab that shows the page.
constexpr int TabOf(PageId id) {
    for (int tab = 0; tab < kPageCount; ++tab) {
        if (kPages[static_cast<std::size_t>(tab)].id == id) return tab;
    }
    return -1;
}

constexpr std::optional<PageId> PageIdNamed(std::string_view name) {
    for (const PageInfo& info : kPages) {
        if (info.name == name) return info.id;
    }
    return std::nullopt;
}

// Every id has exactly one tab.
static_assert([] {
    for (int id = 0; id < kPageCount; ++id) {
        const int tab = TabOf(static_cast<PageId>(id));
        if (tab < 0 || static_cast<int>(kPages[static_cast<std::size_t>(tab)].id) != id) return false;
    }
    return true;
}());

}  // namespace viz
