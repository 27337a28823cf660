#include "base/log.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

TEST(LogLine, SecondsFromFiletimeClampAt1970)
{
    EXPECT_EQ(unix_seconds_from_filetime(0), 0u);
    EXPECT_EQ(unix_seconds_from_filetime(116444735999999999ULL), 0u);
    EXPECT_EQ(unix_seconds_from_filetime(116444736000000000ULL), 0u);
    EXPECT_EQ(unix_seconds_from_filetime(116444736019999999ULL), 1u);
    EXPECT_EQ(unix_seconds_from_filetime(133000000000000000ULL), 1655526400u);
}

TEST(LogLine, FieldsVerbatimAndLineFeedOnly)
{
    EXPECT_EQ(format_log_line(42, "startup", STARTUP_LOG_FIELDS), "42 startup version=1.1 build=158\n");
    EXPECT_EQ(format_log_line(7, "save", "result=a b\"c"), "7 save result=a b\"c\n");
    EXPECT_FALSE(log_needs_rotation(262143));
    EXPECT_TRUE(log_needs_rotation(262144));
}

}  // namespace
}  // namespace cw
