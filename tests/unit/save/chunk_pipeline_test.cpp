#include "save/chunk_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace cw {
namespace {

constexpr std::size_t IN_FLIGHT = 3;

// Chunks numbered 0 to count - 1, each holding its number; `fail_producing_at` and
// `fail_consuming_at` name the chunk whose step fails (count: none).
struct PipelineRun {
    std::size_t count = 50;
    std::size_t fail_producing_at = 50;
    std::size_t fail_consuming_at = 50;

    std::vector<std::string> consumed;
    std::size_t produced_chunks = 0;
    int produced_calls = 0;
    std::atomic<int> filled_not_written{0};
    int most_in_flight = 0;

    Status go()
    {
        return run_chunk_pipeline(
            [this](std::string& chunk) -> Result<bool> {
                if (produced_chunks == fail_producing_at) return Error::invalid_data("read failed");
                chunk = std::to_string(produced_chunks++);
                most_in_flight = std::max(most_in_flight, ++filled_not_written);
                return produced_chunks < count;
            },
            [this](ByteView chunk) -> Status {
                if (consumed.size() == fail_consuming_at) return Error::invalid_data("disk full");
                consumed.emplace_back(reinterpret_cast<const char*>(chunk.data()), chunk.size());
                --filled_not_written;
                return ok_status();
            },
            IN_FLIGHT, [this] { ++produced_calls; });
    }
};

std::vector<std::string> numbers(std::size_t count)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(std::to_string(i));
    return out;
}

TEST(ChunkPipeline, WritesEveryChunkInOrderWithFewInFlight)
{
    for (const std::size_t count : {1, 2, 50}) {
        PipelineRun run;
        run.count = count;
        ASSERT_TRUE(run.go().ok());
        EXPECT_EQ(run.consumed, numbers(count));
        EXPECT_EQ(run.produced_calls, 1);
        EXPECT_LE(run.most_in_flight, static_cast<int>(IN_FLIGHT));
    }
}

TEST(ChunkPipeline, FirstFailureOnEitherSideStopsBoth)
{
    struct Case {
        const char* what;
        std::size_t fail_producing_at, fail_consuming_at;
        const char* message;
    };
    const Case cases[] = {
        {"copy fails first", 0, 50, "read failed"},
        {"copy fails later", 20, 50, "read failed"},
        {"write fails first", 50, 0, "disk full"},
        {"write fails later", 50, 20, "disk full"},
    };
    for (const Case& c : cases) {
        PipelineRun run;
        run.fail_producing_at = c.fail_producing_at;
        run.fail_consuming_at = c.fail_consuming_at;
        const Status status = run.go();
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().message, c.message) << c.what;
        EXPECT_EQ(run.produced_calls, 1) << c.what;
        // Only chunks before the failure were written, in order, and copying stopped soon after it.
        EXPECT_EQ(run.consumed, numbers(run.consumed.size())) << c.what;
        EXPECT_LE(run.consumed.size(), std::min(c.fail_producing_at, c.fail_consuming_at)) << c.what;
        EXPECT_LE(run.produced_chunks, c.fail_consuming_at + IN_FLIGHT + 1) << c.what;
    }
}

}  // namespace
}  // namespace cw
