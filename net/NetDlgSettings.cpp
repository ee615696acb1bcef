// The page's settings: read when it is built, written when it goes.
#include <QLineEdit>

#include <algorithm>

#include "base/TextFormat.h"
#include "net/NetDlg.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace {

std::uint32_t PortSetting(const QLineEdit* edit) {
    return static_cast<std::uint32_t>(std::max(0, FieldInteger(edit->text().toStdU16String())));
}

}  // namespace

void CNetDlg::ReadSettings() {
    const SettingsStore& settings = context().settings();
    std::u16string address;
    if (settings.ReadIpAddress(address) != 0) address = kDefaultIpAddress;
    address_->setText(QString::fromStdU16String(address));

    PortPair tcp;
    if (settings.ReadTcpPorts(tcp) != 0) tcp = kDefaultTcpPorts;
    PortPair udp;
    if (settings.ReadUdpPorts(udp) != 0) udp = kDefaultUdpPorts;
    const std::array<PortPair, 2> ports{tcp, udp};
    for (int side : {kTcp, kUdp}) {
        sides_[side].sourcePort->setText(QString::number(ports[side].source));
        sides_[side].destPort->setText(QString::number(ports[side].destination));
    }
    options_->textOptions()->Load();
}

void CNetDlg::WriteSettings() {
    SettingsStore& settings = context().settings();
    settings.WriteIpAddress(address_->text().toStdU16String());
    settings.WriteTcpPorts({PortSetting(sides_[kTcp].sourcePort), PortSetting(sides_[kTcp].destPort)});
    settings.WriteUdpPorts({PortSetting(sides_[kUdp].sourcePort), PortSetting(sides_[kUdp].destPort)});
    options_->textOptions()->Save();
}

}  // namespace viz
