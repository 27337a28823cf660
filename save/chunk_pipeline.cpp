#include "save/chunk_pipeline.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace cw {

namespace {

// The buffers go round: free -> filled by the producer -> full -> written by the consumer -> free.
class ChunkQueue {
public:
    explicit ChunkQueue(std::size_t buffers) : buffers_(buffers)
    {
        for (std::string& buffer : buffers_) free_.push_back(&buffer);
    }

    // An empty buffer to fill, or none once the pipeline has failed.
    std::string* take_free()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failure_ || !free_.empty(); });
        if (failure_) return nullptr;
        std::string* buffer = free_.front();
        free_.pop_front();
        buffer->clear();  // keeps its capacity for the next round
        return buffer;
    }
    void put_full(std::string* buffer)
    {
        std::lock_guard lock(mutex_);
        full_.push_back(buffer);
        changed_.notify_all();
    }
    // The next filled buffer in order, or none when producing has ended and all were taken, or
    // the pipeline has failed.
    std::string* take_full()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failure_ || !full_.empty() || producer_done_; });
        if (failure_ || full_.empty()) return nullptr;
        std::string* buffer = full_.front();
        full_.pop_front();
        return buffer;
    }
    void put_free(std::string* buffer)
    {
        std::lock_guard lock(mutex_);
        free_.push_back(buffer);
        changed_.notify_all();
    }
    void producer_done()
    {
        std::lock_guard lock(mutex_);
        producer_done_ = true;
        changed_.notify_all();
    }
    // Keeps the first failure; every wait ends.
    void fail(Error error)
    {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::move(error);
        changed_.notify_all();
    }
    std::optional<Error> failure()
    {
        std::lock_guard lock(mutex_);
        return failure_;
    }

private:
    std::vector<std::string> buffers_;
    std::deque<std::string*> free_, full_;
    bool producer_done_ = false;
    std::optional<Error> failure_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

void consume_all(ChunkQueue& queue, const ChunkConsumer& consume)
{
    while (std::string* chunk = queue.take_full()) {
        Status written = consume(as_bytes_view(*chunk));
        if (!written) return queue.fail(written.error());
        queue.put_free(chunk);
    }
}

void produce_all(ChunkQueue& queue, const ChunkProducer& produce)
{
    for (bool more = true; more;) {
        std::string* chunk = queue.take_free();
        if (!chunk) return;
        Result<bool> filled = produce(*chunk);
        if (!filled) return queue.fail(filled.error());
        more = *filled;
        queue.put_full(chunk);
    }
}

// Without a second thread the work is the same, one chunk after the other.
Status run_one_at_a_time(const ChunkProducer& produce, const ChunkConsumer& consume,
                         const std::function<void()>& produced)
{
    std::string chunk;
    Status result = ok_status();
    for (bool more = true; more && result;) {
        chunk.clear();
        Result<bool> filled = produce(chunk);
        if (!filled) {
            result = filled.error();
            break;
        }
        more = *filled;
        result = consume(as_bytes_view(chunk));
    }
    if (produced) produced();
    return result;
}

}  // namespace

Status run_chunk_pipeline(const ChunkProducer& produce, const ChunkConsumer& consume, std::size_t chunks_in_flight,
                          const std::function<void()>& produced)
{
    ChunkQueue queue(chunks_in_flight < 2 ? 2 : chunks_in_flight);
    std::thread writer;
    try {
        writer = std::thread([&] { consume_all(queue, consume); });
    } catch (const std::system_error&) {
        return run_one_at_a_time(produce, consume, produced);
    }
    produce_all(queue, produce);
    queue.producer_done();
    if (produced) produced();
    writer.join();
    if (auto failure = queue.failure()) return *failure;
    return ok_status();
}

}  // namespace cw
