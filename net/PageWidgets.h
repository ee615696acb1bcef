#pragma once

// Widgets the network pages build alike: named buttons, boxes and number
// edits, tool tips at most 500 pixels wide, and the millisecond fields.

#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace viz {

// The tool tip for `text` (lines separated by CR LF), wrapped at 500 pixels.
QString ToolTip(const char16_t* text);

// An edit that takes only digits, at most `maxLength` of them.
QLineEdit* NumberEdit(const QString& name, int maxLength, QWidget* parent);
QPushButton* Button(const char16_t* text, const QString& name, QWidget* parent);
QCheckBox* Box(const char16_t* text, const QString& name, QWidget* parent);

// A time edit's milliseconds; an empty edit counts as 1 ms.
int Milliseconds(const QLineEdit* edit);

}  // namespace viz
