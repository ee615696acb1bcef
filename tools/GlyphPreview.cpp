#include "tools/GlyphPreview.h"

#include <QPainter>

namespace viz {

CGlyphPreview::CGlyphPreview(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(1);
    const int side = 16 * kSquare + 2 * frameWidth();
    setFixedSize(side, side);
}

void CGlyphPreview::setGlyph(std::optional<Glyph> glyph) {
    glyph_ = std::move(glyph);
    update();
}

void CGlyphPreview::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!glyph_) return;
    QPainter painter(this);
    const QColor colour(0xA7, 0xCD, 0x3F);
    const QPoint origin = contentsRect().topLeft();
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < glyph_->width; ++column) {
            if (glyph_->Pixel(row, column)) {
                painter.fillRect(origin.x() + column * kSquare, origin.y() + row * kSquare, kSquare, kSquare,
                                 colour);
            }
        }
    }
}

}  // namespace viz
