#include "app/PageArea.h"

#include <QFontMetricsF>
#include <QtMath>

#include <algorithm>

namespace viz {
namespace {

// The largest minimum of the twelve pages with a font of the reference line
// height: the USB page is the widest (938), the network page the tallest (676).
constexpr qreal kReferenceLineHeight = 13.97;
constexpr qreal kReferenceWidth = 940;
constexpr qreal kReferenceHeight = 680;

}  // namespace

QSize PageAreaMinimum(const QFont& font) {
    // Controls grow with the font; their frames and spacing do not, so
    // scaling the whole by the font errs on the large side.
    const qreal scale = std::max<qreal>(1.0, QFontMetricsF(font).height() / kReferenceLineHeight);
    return {qCeil(kReferenceWidth * scale), qCeil(kReferenceHeight * scale)};
}

}  // namespace viz
