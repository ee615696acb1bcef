#include "app/PageTable.h"

#include "net/NetDlg.h"
#include "net/ServerDlg.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/ComDlg.h"
#include "tools/Bmp2HexDlg.h"
#include "tools/CheckPage.h"
#include "tools/ToolsDlg.h"
#include "tools/UnicodePage.h"
#include "update/ReadMePage.h"
#include "usb/UsbDlg.h"
#include "wizards/avr/McuAvrDlg.h"
#include "wizards/c51/Mcu51GuideDlg.h"

namespace viz {
namespace {

template <PageId id>
CPage* Build(PageContext& context, QWidget* parent) {
    return new typename PageClass<id>::Type(context, parent);
}

}  // namespace

CPage* BuildPage(PageId id, PageContext& context, QWidget* parent) {
    switch (id) {
        case PageId::Serial:
            return Build<PageId::Serial>(context, parent);
        case PageId::Monitor:
            return Build<PageId::Monitor>(context, parent);
        case PageId::Usb:
            return Build<PageId::Usb>(context, parent);
        case PageId::Net:
            return Build<PageId::Net>(context, parent);
        case PageId::Server:
            return Build<PageId::Server>(context, parent);
        case PageId::Tools:
            return Build<PageId::Tools>(context, parent);
        case PageId::C51:
            return Build<PageId::C51>(context, parent);
        case PageId::Avr:
            return Build<PageId::Avr>(context, parent);
        case PageId::Check:
            return Build<PageId::Check>(context, parent);
        case PageId::Encoding:
            return Build<PageId::Encoding>(context, parent);
        case PageId::Bitmap:
            return Build<PageId::Bitmap>(context, parent);
        case PageId::Update:
            return Build<PageId::Update>(context, parent);
    }
    return nullptr;
}

}  // namespace viz
