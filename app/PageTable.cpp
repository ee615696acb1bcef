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

template <typename Page>
CPage* Build(PageContext& context, QWidget* parent) {
    return new Page(context, parent);
}

}  // namespace

const std::array<PageEntry, kPageCount>& PageTable() {
    static const std::array<PageEntry, kPageCount> table{{
        {"串口调试", &Build<CComDlg>},
        {"串口监视器", &Build<CComAdvanceMonitorDlg>},
        {"USB调试", &Build<CUsbDlg>},
        {"网络调试", &Build<CNetDlg>},
        {"网络服务器", &Build<CServerDlg>},
        {"小工具", &Build<CToolsDlg>},
        {"C51代码向导", &Build<CMcu51GuideDlg>},
        {"AVR代码向导", &Build<CMcuAvrDlg>},
        {"数据校验", &Build<CCheck>},
        {"编码转换", &Build<CUnicode>},
        {"位图转16进制", &Build<CBmp2HexDlg>},
        {"升级与配置", &Build<CReadMe>, true},
    }};
    return table;
}

}  // namespace viz
