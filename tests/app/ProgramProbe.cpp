// Loaded into the real program by the program tests (LD_PRELOAD), never part
// of the product. Once the event loop runs it prints "ready" and answers one
// line on standard output for each line read from standard input:
//   page         the caption of the tab shown
//   value NAME   the text of the control NAME on the page shown
//   modal        the text of the modal box open, or nothing
//   click NAME   clicks the button NAME on the page shown
//   items NAME   the entries of the box NAME in a window the page opened, joined by "|"
//   wset NAME T  types T into the line edit NAME in such a window
//   wclick NAME  clicks the button NAME in such a window
//   quit         closes any modal box and the main window (a normal exit)
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

QMainWindow* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget)) return window;
    }
    return nullptr;
}

QTabWidget* Tabs() {
    QMainWindow* window = MainWindow();
    return window ? window->findChild<QTabWidget*>(QStringLiteral("tabs")) : nullptr;
}

QString ControlText(const QString& name) {
    QTabWidget* tabs = Tabs();
    QWidget* page = tabs ? tabs->currentWidget() : nullptr;
    QWidget* control = page ? page->findChild<QWidget*>(name) : nullptr;
    if (auto* box = qobject_cast<QComboBox*>(control)) return box->currentText();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    return QStringLiteral("<no control %1>").arg(name);
}

QString Click(const QString& name) {
    QTabWidget* tabs = Tabs();
    QWidget* page = tabs ? tabs->currentWidget() : nullptr;
    auto* button = page ? page->findChild<QAbstractButton*>(name) : nullptr;
    if (!button) return QStringLiteral("<no control %1>").arg(name);
    button->click();
    return QStringLiteral("clicked");
}

// A control of a window besides the main one (the board window, say).
template <typename Control>
Control* WindowControl(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == MainWindow() || !window->isVisible()) continue;
        if (auto* control = window->findChild<Control*>(name)) return control;
    }
    return nullptr;
}

// "wset <name> <text>" types into a line edit, "wclick <name>" clicks.
QString WindowSet(const QString& arguments) {
    const qsizetype space = arguments.indexOf(u' ');
    auto* edit = WindowControl<QLineEdit>(arguments.left(space));
    if (!edit || space < 0) return QStringLiteral("<no window with %1>").arg(arguments);
    edit->setText(arguments.mid(space + 1));
    return QStringLiteral("set");
}

QString WindowClick(const QString& name) {
    auto* button = WindowControl<QAbstractButton>(name);
    if (!button) return QStringLiteral("<no window with %1>").arg(name);
    button->click();
    return QStringLiteral("clicked");
}

QString WindowItems(const QString& name) {
    auto* box = WindowControl<QComboBox>(name);
    if (!box) return QStringLiteral("<no window with %1>").arg(name);
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items.append(box->itemText(i));
    return items.join(u'|');
}

QString ModalText() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) return box->text();
    return modal ? modal->windowTitle() : QString();
}

void Quit() {
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
    // After the modal box's own loop has ended.
    QTimer::singleShot(0, [] {
        if (QMainWindow* window = MainWindow()) window->close();
    });
}

void Say(const QString& text) {
    QByteArray line = text.toUtf8();
    line.replace('\n', "\\n");
    line.append('\n');
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void Answer(const QString& command) {
    if (command == QStringLiteral("page")) {
        QTabWidget* tabs = Tabs();
        Say(tabs ? tabs->tabText(tabs->currentIndex()) : QStringLiteral("<no window>"));
    } else if (command.startsWith(QStringLiteral("value "))) {
        Say(ControlText(command.mid(6)));
    } else if (command.startsWith(QStringLiteral("click "))) {
        Say(Click(command.mid(6)));
    } else if (command.startsWith(QStringLiteral("wset "))) {
        Say(WindowSet(command.mid(5)));
    } else if (command.startsWith(QStringLiteral("wclick "))) {
        Say(WindowClick(command.mid(7)));
    } else if (command.startsWith(QStringLiteral("items "))) {
        Say(WindowItems(command.mid(6)));
    } else if (command == QStringLiteral("modal")) {
        Say(ModalText());
    } else if (command == QStringLiteral("quit")) {
        Say(QStringLiteral("bye"));
        Quit();
    } else {
        Say(QStringLiteral("<unknown command %1>").arg(command));
    }
}

void Listen() {
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    auto pending = std::make_shared<QByteArray>();
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier, pending] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            notifier->setEnabled(false);
            return;
        }
        pending->append(buffer, got);
        for (qsizetype end = pending->indexOf('\n'); end >= 0; end = pending->indexOf('\n')) {
            const QString command = QString::fromUtf8(pending->left(end));
            pending->remove(0, end + 1);
            Answer(command);
        }
    });
    Say(QStringLiteral("ready"));
}

void Install() {
    // The probe is the program's alone: the programs it starts (compilers,
    // simulators) do not load it, and a sanitizer build's probe would stop
    // every one that is not built with the sanitizer.
    ::unsetenv("LD_PRELOAD");
    QTimer::singleShot(0, &Listen);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
