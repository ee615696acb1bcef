// The serial page's port list: each port with what the system knows of it,
// USB adapters first, then the ports parts of the program offer, then the
// rest; kept up to date as ports arrive and leave. An entry shows a label
// and holds its path; what the user typed stays a path of its own.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

#include "serial/ComDlg.h"
#include "serial/SerialPorts.h"

namespace viz {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kUsbRole = Qt::UserRole + 1;

// A typed box text as a device path: an absolute path, or a name under /dev
// such as "ttyUSB0" or "pts/3". Empty when nothing is typed.
QString TypedPath(const QString& shown) {
    const QString text = shown.trimmed();
    if (text.isEmpty() || text.startsWith(u'/')) return text;
    return QStringLiteral("/dev/") + text;
}

void AddEntry(QComboBox* list, const std::string& label, const std::string& path, bool usb) {
    list->addItem(QString::fromStdString(label), QString::fromStdString(path));
    list->setItemData(list->count() - 1, usb, kUsbRole);
}

}  // namespace

void CComDlg::AddPortEntries() {
    const std::vector<SerialPortInfo> ports = ListSerialPortInfo(system());
    for (const SerialPortInfo& port : ports) {
        if (port.usb) AddEntry(port_, SerialPortLabel(port), port.path, true);
    }
    for (const ExtraSerialPort& extra : context().extraSerialPorts().ports())
        AddEntry(port_, extra.label, extra.path, false);
    for (const SerialPortInfo& port : ports) {
        if (!port.usb) AddEntry(port_, SerialPortLabel(port), port.path, false);
    }
    QAbstractItemView* view = port_->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() +
                          view->verticalScrollBar()->sizeHint().width());
}

QString CComDlg::portPath() const {
    const int listed = port_->findText(port_->currentText());
    if (listed >= 0) return port_->itemData(listed, kPathRole).toString();
    return TypedPath(port_->currentText());
}

void CComDlg::ChoosePort(const QString& path) {
    const int listed = port_->findData(path, kPathRole);
    if (listed >= 0) {
        port_->setCurrentIndex(listed);
    } else {
        port_->setEditText(path);
    }
    portChosen_ = true;
}

// The box keeps what it showed: a listed port by its path (as its path alone
// once it has left the list), a typed text as it was. A USB adapter that
// arrived is selected for a user who has not chosen a port, while closed.
void CComDlg::RefreshPorts(bool arrival) {
    const QString shown = port_->currentText();
    const bool listed = port_->findText(shown) >= 0;
    const QString path = portPath();
    QStringList before;
    for (int i = 0; i < port_->count(); ++i) before.append(port_->itemData(i, kPathRole).toString());

    port_->clear();
    AddPortEntries();
    const int again = listed ? port_->findData(path, kPathRole) : -1;
    if (again >= 0) {
        port_->setCurrentIndex(again);
    } else {
        port_->setEditText(listed ? path : shown);
    }

    if (!arrival || portChosen_ || reconnect_.state() != PortState::Closed) return;
    for (int i = 0; i < port_->count(); ++i) {
        if (port_->itemData(i, kUsbRole).toBool() &&
            !before.contains(port_->itemData(i, kPathRole).toString())) {
            port_->setCurrentIndex(i);
            return;
        }
    }
}

}  // namespace viz
