#pragma once

#include <QLabel>

namespace viz {

// A label that shows a changing status (a download's state, a setting
// saved). Its accessible name says what the status is about and stays; what
// it shows now is its accessible description, so a screen reader hears
// both and is told when it changes. Set its text through ShowStatus.
class CStatusLabel : public QLabel {
    Q_OBJECT

public:
    CStatusLabel(const QString& name, const QString& status, QWidget* parent);

    void ShowStatus(const QString& status);
};

}  // namespace viz
