#include "terminal/ChunkHandoff.h"

namespace viz {

// Every page's receive path uses this one instance.
template class Handoff<Chunk>;

}  // namespace viz
