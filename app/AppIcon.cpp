#include "app/AppIcon.h"

namespace viz {

QIcon AppIcon() {
    return QIcon(QStringLiteral(":/icons/duvezer.svg"));
}

}  // namespace viz
