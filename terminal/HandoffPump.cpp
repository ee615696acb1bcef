#include "terminal/HandoffPump.h"

#include <QCoreApplication>
#include <QEvent>

namespace viz {
namespace {

QEvent::Type DrainEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

void CHandoffPumpBase::PostDrain() {
    QCoreApplication::postEvent(this, new QEvent(DrainEvent()));
}

bool CHandoffPumpBase::event(QEvent* event) {
    if (event->type() != DrainEvent()) return QObject::event(event);
    DrainPass();
    return true;
}

}  // namespace viz
