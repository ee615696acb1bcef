// The options block as a page with two sending links, two receiving areas
// and one area of notes uses it: each control reaches the areas it names,
// continuous sending follows the links and its period rule, and the
// keyboard reaches every control of the block.
#include "terminal/TerminalOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "FakeLink.h"
#include "PageTestSupport.h"
#include "terminal/Chunk.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/SendEdit.h"

namespace viz {
namespace {

using testing::FakeLink;

ReceiveAreaConfig AreaConfig() {
    ReceiveAreaConfig config;
    config.countsFormat = QStringLiteral("接收区：已接收%d字节");
    config.initialTitle = QStringLiteral("接收区");
    config.resetTitle = QStringLiteral("接收区：已接收0字节");
    return config;
}

class TerminalOptionsTest : public ::testing::Test {
protected:
    // The continuous sends the block asked for, as "start link ms" or "stop link".
    std::vector<std::string> asked;
    std::array<bool, 2> linkOpen{false, false};

    void Build(PeriodRule rule) {
        for (CReceiveArea*& area : areas) area = new CReceiveArea(AreaConfig(), &page);
        SendAreaConfig send;
        send.countsFormat = QStringLiteral("发送区：已发送%d字节");
        for (FakeLink& link : links)
            send.links.push_back({.write = link.Writer(), .isOpen = [&link] { return link.open; }});
        sendArea = new CSendArea(send, &page);

        TerminalOptionsConfig config;
        config.kind = MoreSendKind::Network;
        config.continuous = {
            {.name = "aContinuous", .periodName = "aPeriod", .periodAccessibleName = u"A周期"},
            {.name = "bContinuous", .periodName = "bPeriod", .periodAccessibleName = u"B周期"}};
        config.periodRule = rule;
        config.monitors = {{.text = u"A监视", .name = "aMonitor", .tip = u"A"},
                           {.text = u"B监视", .name = "bMonitor", .tip = u"B", .enabled = false}};
        config.canSend = [this](int link) { return linkOpen[static_cast<std::size_t>(link)]; };
        config.startContinuous = [this](int link, int ms) {
            asked.push_back("start " + std::to_string(link) + " " + std::to_string(ms));
        };
        config.stopContinuous = [this](int link) { asked.push_back("stop " + std::to_string(link)); };
        options = new CTerminalOptions(host.store, std::move(config),
                                       {sendArea, {areas[0], areas[1]}, {areas[2]}}, &page);
    }

    template <typename Widget>
    Widget* Find(const char* name) {
        auto* found = options->findChild<Widget*>(QLatin1StringView(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void Click(const char* name) { testing::ClickAnsweringMessages(Find<QAbstractButton>(name)); }
    void Type(const char* name, const QString& text) {
        QLineEdit* field = Find<QLineEdit>(name);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    testing::PageHost host;
    QWidget page;
    std::array<CReceiveArea*, 3> areas{};
    std::array<FakeLink, 2> links;
    CSendArea* sendArea = nullptr;
    CTerminalOptions* options = nullptr;
};

TEST_F(TerminalOptionsTest, EachControlReachesTheAreasItNamesAndTheKeyboardReachesEveryControl) {
    Build(PeriodRule::ReadAtStart);
    page.show();
    Click("hexSend");
    sendArea->edit()->setPlainText(QStringLiteral("41 42"));
    sendArea->Send(1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return links[1].written() == Bytes{0x41, 0x42};
        },
        5000))
        << "sent as hex";
    Click("hexDisplay");
    EXPECT_TRUE(areas[0]->pipeline().hexDisplay());
    EXPECT_TRUE(areas[1]->pipeline().hexDisplay());
    EXPECT_FALSE(areas[2]->pipeline().hexDisplay()) << "the notes are never shown as hex";
    Type("frameTime", QStringLiteral("25"));
    Click("frameBreak");
    EXPECT_TRUE(areas[0]->pipeline().frameBreak() && areas[1]->pipeline().frameBreak());
    EXPECT_EQ(areas[1]->pipeline().frameTime(), 25u);
    EXPECT_FALSE(Find<QPushButton>("bMonitor")->isEnabled());

    for (CReceiveArea* area : areas) area->Receive(Chunk::JustRead({'o', 'k'}));
    sendArea->edit()->setPlainText(QStringLiteral("typed"));
    Click("clearSend");
    EXPECT_TRUE(sendArea->edit()->toPlainText().isEmpty());
    Click("recount");
    for (CReceiveArea* area : areas) EXPECT_EQ(area->pipeline().receivedTotal(), 0);
    Click("clearReceive");
    for (CReceiveArea* area : areas) EXPECT_TRUE(area->pipeline().area().text().empty());

    // A control added to the block but left out of its keyboard order would be missed here.
    const std::vector<QWidget*> order = options->focusOrder();
    for (QWidget* control : options->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(&page) ||
            qobject_cast<QComboBox*>(control->parentWidget()))
            continue;
        EXPECT_NE(std::find(order.begin(), order.end(), control), order.end())
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
}

// The network pages read the field when sending starts; the serial and USB
// pages take only a period typed while sending runs.
TEST_F(TerminalOptionsTest, ContinuousSendingFollowsItsLinkAndItsPeriodRule) {
    Build(PeriodRule::ReadAtStart);
    Click("aContinuous");
    EXPECT_FALSE(options->continuousBox(0)->isChecked()) << "refused while link 0 cannot send";
    Type("aPeriod", QStringLiteral("20"));
    linkOpen[0] = true;
    Click("aContinuous");
    Type("aPeriod", QStringLiteral("30"));
    linkOpen[0] = false;
    options->ApplyContinuous(0);
    Click("aContinuous");
    EXPECT_EQ(asked, (std::vector<std::string>{"start 0 20", "start 0 3", "start 0 30", "stop 0", "stop 0"}));
}

TEST_F(TerminalOptionsTest, ATypedWhileRunningPeriodWaitsForAChangeWhileSending) {
    Build(PeriodRule::TypedWhileRunning);
    Type("bPeriod", QStringLiteral("20"));
    linkOpen[1] = true;
    Click("bContinuous");
    Type("bPeriod", QStringLiteral("40"));
    EXPECT_EQ(options->period(1), 40);
    options->ApplyContinuous(1);
    EXPECT_EQ(asked, (std::vector<std::string>{"start 1 1000", "start 1 4", "start 1 40", "start 1 40"}));
}

}  // namespace
}  // namespace viz
