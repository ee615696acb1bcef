#include "net/PageWidgets.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringList>
#include <QToolTip>

#include <algorithm>

#include "base/QtText.h"
#include "base/TextFormat.h"

namespace viz {

namespace {

// Tool tips are at most 500 pixels wide; longer ones wrap.
constexpr int kToolTipWidth = 500;

}  // namespace

QString ToolTip(const char16_t* text) {
    const QStringList lines = Text(text).split(QStringLiteral("\r\n"));
    const QFontMetrics metrics(QToolTip::font());
    bool wide = false;
    for (const QString& line : lines) wide = wide || metrics.horizontalAdvance(line) > kToolTipWidth;
    if (!wide) return lines.join(QLatin1Char('\n'));
    QStringList escaped;
    for (const QString& line : lines) escaped.append(line.toHtmlEscaped());
    return QStringLiteral("<table width=\"%1\"><tr><td>%2</td></tr></table>")
        .arg(kToolTipWidth)
        .arg(escaped.join(QStringLiteral("<br>")));
}

QLineEdit* NumberEdit(const QString& name, int maxLength, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

QPushButton* Button(const char16_t* text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(Text(text), parent);
    button->setObjectName(name);
    return button;
}

QCheckBox* Box(const char16_t* text, const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(Text(text), parent);
    box->setObjectName(name);
    return box;
}

int Milliseconds(const QLineEdit* edit) {
    return edit->text().isEmpty() ? 1 : std::max(0, FieldInteger(edit->text().toStdU16String()));
}

}  // namespace viz
