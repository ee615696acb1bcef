#include "wizards/c51/Mcu51GuideDlg.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "wizards/c51/Mcu51GuideTexts.h"
#include "wizards/c51/Mcu51Pins.h"

namespace viz {

namespace {

QString Hex2(std::uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

CMcu51GuideDlg::CMcu51GuideDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {
    auto* layout = new QGridLayout(this);
    layout->addWidget(BuildPorts(), 0, 0);
    layout->addWidget(BuildInterrupts(), 0, 1);
    layout->addWidget(BuildRegisters(), 0, 2, 2, 1);
    layout->addWidget(BuildTimers(), 1, 0, 1, 2);
    layout->addWidget(BuildSerial(), 2, 0);
    layout->addWidget(BuildClock(), 2, 1);
    layout->addWidget(BuildButtons(), 2, 2);
    layout->addWidget(BuildLog(), 3, 0, 1, 3);
    layout->setRowStretch(3, 1);
    RefreshRegisters();
}

void CMcu51GuideDlg::Apply(const std::function<void()>& change) {
    change();
    RefreshRegisters();
    SyncLog();
}

void CMcu51GuideDlg::RefreshRegisters() {
    const Mcu51Image& image = model_.image();
    // What the code writes, with the pins the enabled functions need.
    const std::array<std::uint8_t, 4> ports = PortOutputs(image);
    for (int port = 0; port < 4; ++port) {
        portLabels_[port]->setText(QString::fromUtf8(mcu51text::kPortFormats[port]).arg(Hex2(ports[port])));
    }
    const std::array<std::uint8_t, 13> values = {
        image.TCON, image.TMOD,   image.T2CON,  image.PCON, image.TH0, image.TL0, image.TH1,
        image.TL1,  image.RCAP2H, image.RCAP2L, image.IE,   image.IP,  image.SCON};
    for (std::size_t i = 0; i < values.size(); ++i) {
        registerLabels_[i]->setText(QStringLiteral("%1=0x%2").arg(
            QString::fromLatin1(mcu51text::kRegisterNames[i]), Hex2(values[i])));
    }
    for (int timer = 0; timer < 3; ++timer) {
        unitLabels_[timer]->setText(model_.IsCounter(timer) ? QString()
                                                            : QString::fromUtf8(mcu51text::kMicroUnit));
    }
}

void CMcu51GuideDlg::SyncLog() {
    const Mcu51Log& log = model_.log();
    const std::string& text = log.text();
    if (log.generation() != shownLogGeneration_ || text.size() < shownLogLength_) {
        logBox_->clear();
        shownLogGeneration_ = log.generation();
        shownLogLength_ = 0;
    }
    if (text.size() == shownLogLength_) return;
    QString tail = QString::fromUtf8(text.data() + shownLogLength_,
                                     static_cast<qsizetype>(text.size() - shownLogLength_));
    tail.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shownLogLength_ = text.size();
    QTextCursor cursor = logBox_->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(tail);
    logBox_->setTextCursor(cursor);
    logBox_->ensureCursorVisible();
    logBox_->verticalScrollBar()->setValue(logBox_->verticalScrollBar()->maximum());
}

void CMcu51GuideDlg::keyPressEvent(QKeyEvent* event) {
    // Enter never closes or activates anything on this page.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CPage::keyPressEvent(event);
}

bool CMcu51GuideDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == logBox_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        model_.log().Clear();
        SyncLog();
        return true;
    }
    return CPage::eventFilter(watched, event);
}

}  // namespace viz
