#pragma once
// Access to the shared corpus of real files and to our own fixtures. Tests that need the corpus
// skip themselves, saying so, when it is absent (a user's fresh clone has no corpus beside it).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace cw::test {

inline std::filesystem::path corpus_dir() { return CLIPWRIGHT_CORPUS_DIR; }
inline std::filesystem::path fixtures_dir() { return CLIPWRIGHT_FIXTURES_DIR; }
inline bool have_corpus() { return std::filesystem::is_directory(corpus_dir()); }

inline std::vector<std::uint8_t> read_file_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace cw::test

#define CW_REQUIRE_CORPUS()                                                                         \
    do {                                                                                            \
        if (!::cw::test::have_corpus())                                                             \
            GTEST_SKIP() << "shared corpus not found at " << ::cw::test::corpus_dir().string();     \
    } while (0)
