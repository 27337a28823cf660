#pragma once
// A file system of a few named paths, recording every question asked of it.

#include <map>
#include <string>
#include <vector>

#include "inspect/file_probe.h"

namespace cw::test {

class FakeFileProbe final : public FileProbe {
public:
    struct Node {
        PathMetadata metadata;
        std::optional<std::vector<std::uint8_t>> prefix;  // none: the open or read fails
    };

    void add_file(const std::string& path, std::string content)
    {
        nodes_[path] = Node{PathMetadata{true, PathKind::DiskFile, content.size(), {}, 0},
                            std::vector<std::uint8_t>(content.begin(), content.end())};
    }
    void add(const std::string& path, PathKind kind) { nodes_[path] = Node{PathMetadata{true, kind, 0, {}, 0}, {}}; }
    // A path whose query fails with this Win32 error.
    void add_failure(const std::string& path, std::uint32_t code)
    {
        nodes_[path] = Node{PathMetadata{false, PathKind::OtherObject, 0, "error " + std::to_string(code), code}, {}};
    }
    void add_unreadable_file(const std::string& path, std::uint64_t size)
    {
        nodes_[path] = Node{PathMetadata{true, PathKind::DiskFile, size, {}, 0}, std::nullopt};
    }

    PathMetadata metadata(std::string_view path, bool follow_links) const override
    {
        asked.push_back("metadata " + std::string(path) + (follow_links ? " follow" : " nofollow"));
        const auto it = nodes_.find(std::string(path));
        if (it == nodes_.end())
            return PathMetadata{false, PathKind::OtherObject, 0, "The system cannot find the file specified.\r\n", 2};
        return it->second.metadata;
    }

    void set_attributes(const std::string& path, std::uint32_t attributes) { attributes_[path] = attributes; }

    std::optional<std::uint32_t> attributes(std::string_view path) const override
    {
        asked.push_back("attributes " + std::string(path));
        const auto it = attributes_.find(std::string(path));
        if (it == attributes_.end()) return std::nullopt;
        return it->second;
    }

    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t n) const override
    {
        asked.push_back("read " + std::string(path) + " " + std::to_string(n));
        const auto it = nodes_.find(std::string(path));
        if (it == nodes_.end()) return std::nullopt;
        // Deliberately returns the whole content: callers must hold the probe to n bytes.
        return it->second.prefix;
    }

    mutable std::vector<std::string> asked;

private:
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::uint32_t> attributes_;
};

}  // namespace cw::test
