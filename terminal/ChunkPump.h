#pragma once

// The hand-off of received chunks as a page uses it: reader threads push
// into sink(); the pump wakes the UI thread with one queued event and there
// hands every waiting chunk to `each`, in order, then calls `passDone` once
// (where the receive areas bring their widgets up to date).
//
//   pump_ = new CChunkPump(this);
//   pump_->setDelivery([this](const Chunk& c) { area_->Receive(c); }, [this] { area_->Flush(); });
//   channel_.Open(..., pump_->sink());
//   // closing: the pump first, so a reader waiting in Push is released
//   pump_->Close();
//   channel_.Close();
//   // before the next channel_.Open(...):
//   pump_->Open();

#include "terminal/ChunkHandoff.h"
#include "terminal/HandoffPump.h"

namespace viz {

class CChunkPump : public CHandoffPump<Chunk, ChunkHandoff> {
public:
    explicit CChunkPump(QObject* parent = nullptr, ChunkHandoff::Limits limits = {})
        : CHandoffPump(parent, limits) {}

    ChunkSink& sink() { return handoff_; }
};

}  // namespace viz
