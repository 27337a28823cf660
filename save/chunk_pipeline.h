#pragma once
// Copying and writing at the same time: one thread fills chunks, a second one writes them, with
// a fixed number of chunk buffers between them, so a large save needs only those buffers beyond
// its source and the write overlaps the copy.

#include <cstddef>
#include <functional>
#include <string>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

// Fills `chunk` (handed over empty) with the next bytes; true while more follow. The last
// chunk may be empty.
using ChunkProducer = std::function<Result<bool>(std::string& chunk)>;
using ChunkConsumer = std::function<Status(ByteView chunk)>;

// Runs `produce` on the calling thread and `consume`, in order, on a second one, with at most
// `chunks_in_flight` chunks filled or being filled at a time. `produced` runs on the calling
// thread as soon as producing has stopped (done or failed), before the last chunks are consumed.
// The first failure on either side stops both and is returned; nothing is consumed after it.
Status run_chunk_pipeline(const ChunkProducer& produce, const ChunkConsumer& consume, std::size_t chunks_in_flight,
                          const std::function<void()>& produced);

}  // namespace cw
