#pragma once

#include <QIcon>

namespace viz {

// The program icon, drawn as a scalable picture in the resources.
QIcon AppIcon();

}  // namespace viz
