#pragma once

#include <QFrame>

#include <optional>

#include "tools/FontMatrix.h"

namespace viz {

// The font matrix preview: a framed 160 x 160 area where every set pixel of
// the glyph is a 10 x 10 square. Drawn in the paint event, so the glyph
// stays after the window is covered or resized.
class CGlyphPreview : public QFrame {
    Q_OBJECT

public:
    static constexpr int kSquare = 10;

    explicit CGlyphPreview(QWidget* parent);

    void setGlyph(std::optional<Glyph> glyph);
    const std::optional<Glyph>& glyph() const { return glyph_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Glyph> glyph_;
};

}  // namespace viz
