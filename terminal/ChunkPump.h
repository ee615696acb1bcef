#pragma once

// The hand-off as a page uses it: reader threads push into sink(); the pump
// wakes the UI thread with one queued event and there hands every waiting
// chunk to `each`, in order, then calls `passDone` once (where the receive
// areas bring their widgets up to date).
//
//   pump_ = new CChunkPump(this);
//   pump_->setDelivery([this](const Chunk& c) { area_->Receive(c); }, [this] { area_->Flush(); });
//   channel_.Open(..., pump_->sink());
//   // closing: the pump first, so a reader waiting in Push is released
//   pump_->Close();
//   channel_.Close();
//   // before the next channel_.Open(...):
//   pump_->Open();

#include <QObject>

#include <functional>

#include "terminal/ChunkHandoff.h"

namespace viz {

class CChunkPump : public QObject {
    Q_OBJECT

public:
    explicit CChunkPump(QObject* parent = nullptr, ChunkHandoff::Limits limits = {});
    ~CChunkPump() override;

    void setDelivery(std::function<void(const Chunk&)> each, std::function<void()> passDone);

    ChunkSink& sink() { return handoff_; }
    // After Close() returns nothing more is delivered and no reader is left
    // inside Push; chunks still waiting are discarded uncounted.
    void Close() { handoff_.Close(); }
    void Open() { handoff_.Open(); }

protected:
    bool event(QEvent* event) override;

private:
    ChunkHandoff handoff_;
    std::function<void(const Chunk&)> each_;
    std::function<void()> passDone_;
};

}  // namespace viz
