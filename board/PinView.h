#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "board/BoardPins.h"

class QGridLayout;
class QLabel;

namespace viz {

// One pin's level as a lamp: lit when high, dark when low, grey while not
// known. Its accessible name is the pin ("P1.0"), its description the level
// and, for a pin that keeps toggling, the time between its changes.
class CPinLamp : public QWidget {
    Q_OBJECT

public:
    CPinLamp(const QString& pin, QWidget* parent);

    bool lit() const { return lit_; }
    void Show(bool known, bool lit, int intervalMs);

    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool known_ = false;
    bool lit_ = false;
};

// The chip's ports as rows of eight lamps, bit 7 on the left as the code
// wizard draws them, with the port's value beside them.
class CPinView : public QWidget {
    Q_OBJECT

public:
    explicit CPinView(QWidget* parent);

    // New rows for these ports, all unknown.
    void SetPorts(const std::vector<std::string>& names);
    // The levels and, from the history, how often each pin changes.
    void Show(const PinSnapshot& snapshot, const std::vector<PinChange>& history);

    CPinLamp* lamp(std::size_t port, int bit) const;
    QLabel* value(std::size_t port) const;

private:
    QGridLayout* grid_;
    std::vector<QLabel*> names_;
    std::vector<QLabel*> values_;
    std::vector<std::vector<CPinLamp*>> lamps_;
};

}  // namespace viz
