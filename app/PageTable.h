#pragma once

// How each page of app/Pages.h is built, and which class it is, so the
// shell reaches a page's own calls by its id and never by a tab number:
//
//   CPage* page = BuildPage(PageId::Serial, context, parent);
//   auto* serial = PageAs<PageId::Serial>(page);        // CComDlg*

#include "app/Pages.h"

class QWidget;

namespace viz {

class CBmp2HexDlg;
class CCheck;
class CComAdvanceMonitorDlg;
class CComDlg;
class CMcu51GuideDlg;
class CMcuAvrDlg;
class CNetDlg;
class CPage;
class CReadMe;
class CServerDlg;
class CToolsDlg;
class CUnicode;
class CUsbDlg;
class PageContext;

template <PageId id>
struct PageClass;
template <>
struct PageClass<PageId::Serial> {
    using Type = CComDlg;
};
template <>
struct PageClass<PageId::Monitor> {
    using Type = CComAdvanceMonitorDlg;
};
template <>
struct PageClass<PageId::Usb> {
    using Type = CUsbDlg;
};
template <>
struct PageClass<PageId::Net> {
    using Type = CNetDlg;
};
template <>
struct PageClass<PageId::Server> {
    using Type = CServerDlg;
};
template <>
struct PageClass<PageId::Tools> {
    using Type = CToolsDlg;
};
template <>
struct PageClass<PageId::C51> {
    using Type = CMcu51GuideDlg;
};
template <>
struct PageClass<PageId::Avr> {
    using Type = CMcuAvrDlg;
};
template <>
struct PageClass<PageId::Check> {
    using Type = CCheck;
};
template <>
struct PageClass<PageId::Encoding> {
    using Type = CUnicode;
};
template <>
struct PageClass<PageId::Bitmap> {
    using Type = CBmp2HexDlg;
};
template <>
struct PageClass<PageId::Update> {
    using Type = CReadMe;
};

// A page built for `id` (by BuildPage) as its own class; the class's header
// must be included where this is used.
template <PageId id>
typename PageClass<id>::Type* PageAs(CPage* page) {
    return static_cast<typename PageClass<id>::Type*>(page);
}

CPage* BuildPage(PageId id, PageContext& context, QWidget* parent);

// The page has work of its own from the start (the update page removes
// leftover downloads and fetches its information box), so it is built as
// soon as the window has been drawn rather than when first opened.
constexpr bool WorksFromStart(PageId id) {
    return id == PageId::Update;
}

}  // namespace viz
