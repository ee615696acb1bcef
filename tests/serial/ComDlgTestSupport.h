#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "FakeHotplug.h"
#include "PageTestSupport.h"
#include "SerialSysfs.h"
#include "SerialTestSupport.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "serial/ComDlg.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace viz::testing {

// A serial page over a settings file, a sysfs tree, hot-plug news and a
// working directory of its own, with fake modem lines (pseudo-terminals
// have none).
class ComDlgTest : public ::testing::Test {
protected:
    ComDlgTest() : previousDirectory_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        // The list reads ttyUSB0, then ttyS10 and ttyS2 (sorted as text).
        sysfs.AddUsb("ttyUSB0", {});
        sysfs.AddUart("ttyS2");
        sysfs.AddUart("ttyS10");
        devices.ttyClassRoot = sysfs.classRoot();
        devices.modemLines = modemLines;
        devices.hotplug = hotplug.Factory();
    }
    ~ComDlgTest() override {
        page_.reset();
        QDir::setCurrent(previousDirectory_);
    }

    // The page, created at first use so a test can prepare settings and devices first.
    CComDlg& page() {
        if (!page_) {
            page_ = std::make_unique<CComDlg>(context, nullptr, devices);
            page_->resize(900, 600);
            page_->show();
        }
        return *page_;
    }
    // Destroys the page as the program's end does.
    void EndPage() { page_.reset(); }

    template <typename Widget>
    Widget* Find(const char* name) {
        auto* widget = page().findChild<Widget*>(QLatin1StringView(name));
        if (!widget) ADD_FAILURE() << "no control " << name;
        return widget;
    }
    QComboBox* List(const char* name) { return Find<QComboBox>(name); }
    QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }
    QLineEdit* Field(const char* name) { return Find<QLineEdit>(name); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }

    QStringList Click(QAbstractButton* button) { return ClickAnsweringMessages(button); }

    // Types into a field as the user does, replacing what it held.
    static void Type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    QStringList TypePortAndOpen(const std::string& device) {
        QComboBox* port = List("port");
        Type(port->lineEdit(), QString::fromStdString(device));
        EXPECT_EQ(port->currentText().toStdString(), device);
        return Click(Button("open"));
    }

    void OpenPty() {
        const QStringList messages = TypePortAndOpen(pty.slave());
        ASSERT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
        ASSERT_TRUE(page().isOpen());
    }

    CPortMonitorDialog* StartMonitor() {
        Click(Button("monitor"));
        CPortMonitorDialog* monitor = page().monitor();
        if (monitor) monitor->StartMonitoring();
        return monitor;
    }

    std::vector<std::u16string> MonitorKinds() {
        std::vector<std::u16string> kinds;
        for (const MonitorRow& row : page().monitor()->list()->rows()) kinds.push_back(row[1]);
        return kinds;
    }

    ReceivePipeline& received() { return page().receiveArea()->pipeline(); }

    // Reads what the page wrote to the far end, keeping the page's timers
    // running meanwhile: until `count` bytes came or `within` has passed.
    Bytes FarEndRead(std::size_t count, std::chrono::milliseconds within) {
        Bytes bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < count && clock.elapsed() < within.count()) {
            QTest::qWait(5);
            const Bytes got = pty.Read(count - bytes.size(), std::chrono::milliseconds(0));
            bytes.insert(bytes.end(), got.begin(), got.end());
        }
        return bytes;
    }

    TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    PtyPair pty;
    std::shared_ptr<FakeLineState> lines = std::make_shared<FakeLineState>();
    ModemLinesFactory modemLines = [state = lines](int) { return std::make_unique<FakeModemLines>(state); };
    FakeSerialSysfs sysfs{dir / "sysfs"};
    FakeHotplug hotplug;
    ComDlgDevices devices;

private:
    QString previousDirectory_;
    std::unique_ptr<CComDlg> page_;
};

}  // namespace viz::testing
