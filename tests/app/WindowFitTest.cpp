// The main window at the size it opens with holds every page whole: no
// control of any tab is cut off at the window's edge, whichever tab is
// opened first and however late a page is built.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFont>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PageTestSupport.h"
#include "app/VizuruvDlg.h"
#include "base/Page.h"

namespace viz {
namespace {

QString Where(const QWidget* widget) {
    QString path;
    for (const QObject* at = widget;
         at && !(at->isWidgetType() && static_cast<const QWidget*>(at)->isWindow()); at = at->parent()) {
        const QString name = at->objectName().isEmpty() ? QString::fromLatin1(at->metaObject()->className())
                                                        : at->objectName();
        path = path.isEmpty() ? name : name + " > " + path;
    }
    return path;
}

// Whether `widget` lies in a scroll area's viewport below `top`: what is
// there may be scrolled into view and is not the page's layout.
bool Scrolled(const QWidget* widget, const QWidget* top) {
    for (const QWidget* at = widget->parentWidget(); at && at != top; at = at->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(at->parentWidget());
        if (area && area->viewport() == at) return true;
    }
    return false;
}

// Every shown control of the page that does not lie whole inside its tab.
QStringList CutOff(QWidget* holder) {
    QStringList faults;
    const QRect room = holder->rect();
    for (QWidget* widget : holder->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow() || Scrolled(widget, holder)) continue;
        const QRect at(widget->mapTo(holder, QPoint(0, 0)), widget->size());
        if (!room.contains(at))
            faults.append(QStringLiteral("%1 at %2,%3 %4x%5 (tab %6x%7)")
                              .arg(Where(widget))
                              .arg(at.x())
                              .arg(at.y())
                              .arg(at.width())
                              .arg(at.height())
                              .arg(room.width())
                              .arg(room.height()));
    }
    return faults;
}

// Opens the window as at start and every tab in turn: each page fits in its
// tab, nothing is cut off, and the window keeps the size it opened with.
void ExpectEveryTabFits(const char* font) {
    testing::PageHost host;
    ASSERT_EQ(host.store.WriteMakerInfo(), 0);
    ASSERT_EQ(host.store.WriteAutoUpdate(0), 0);
    auto window = std::make_unique<CVizuruvDlg>(host.context, nullptr);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
    const QSize opened = window->size();
    QTabWidget* tabs = window->tabs();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const std::string tab = tabs->tabText(i).toStdString() + " (" + font + ")";
        QWidget* holder = tabs->widget(i);
        const QSize needed = window->page(i)->minimumSizeHint();
        EXPECT_TRUE(needed.width() <= holder->width() && needed.height() <= holder->height())
            << tab << " needs " << needed.width() << "x" << needed.height() << ", has " << holder->width()
            << "x" << holder->height();
        EXPECT_EQ(CutOff(holder), QStringList()) << tab;
        EXPECT_EQ(window->size(), opened) << tab << ": the window changed size";
    }
    EXPECT_TRUE(window->rect().contains(tabs->geometry()));
}

TEST(WindowFit, EveryTabOpenedAtTheDefaultSizeShowsEveryControlInsideTheWindow) {
    ExpectEveryTabFits("the default font");
    // A user's larger desktop font makes every page larger: the room grows too.
    const QFont before = QApplication::font();
    QFont larger = before;
    larger.setPointSizeF(before.pointSizeF() * 1.4);
    QApplication::setFont(larger);
    ExpectEveryTabFits("a font 1.4 times as large");
    QApplication::setFont(before);
}

}  // namespace
}  // namespace viz
