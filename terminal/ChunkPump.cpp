#include "terminal/ChunkPump.h"

#include <QCoreApplication>
#include <QEvent>

namespace viz {
namespace {

QEvent::Type DrainEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

CChunkPump::CChunkPump(QObject* parent, ChunkHandoff::Limits limits)
    : QObject(parent),
      handoff_([this] { QCoreApplication::postEvent(this, new QEvent(DrainEvent())); }, limits) {}

// Closing before the QObject part goes away: no reader can post to a dead
// object, and the events already posted are removed with it.
CChunkPump::~CChunkPump() {
    handoff_.Close();
}

void CChunkPump::setDelivery(std::function<void(const Chunk&)> each, std::function<void()> passDone) {
    each_ = std::move(each);
    passDone_ = std::move(passDone);
}

bool CChunkPump::event(QEvent* event) {
    if (event->type() != DrainEvent()) return QObject::event(event);
    const std::size_t delivered = handoff_.Drain([this](const Chunk& chunk) {
        if (each_) each_(chunk);
    });
    if (delivered > 0 && passDone_) passDone_();
    return true;
}

}  // namespace viz
