#pragma once

#include <QAbstractButton>

#include "tools/SmallTools.h"

namespace viz {

// One segment of the seven-segment builder: a flat button drawn as a lit or
// unlit bar (a to g) or point (the decimal point). Checked means lit.
class CSegmentButton : public QAbstractButton {
    Q_OBJECT

public:
    CSegmentButton(Segment segment, QWidget* parent);

    Segment segment() const { return segment_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Segment segment_;
};

}  // namespace viz
