// Opens the input as a compound file, then lists every entry, finds it again by its path and reads
// every stream whole and as a prefix, checking that what the reader reports holds together.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "libs/cfb/cfb.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

// Names that are empty or contain "/" cannot be spelled in a path, and neither can anything inside
// a storage so named.
bool path_is_findable(const cfb::Entry& entry, std::vector<std::string>& unspellable)
{
    for (const std::string& prefix : unspellable) {
        if (entry.path.compare(0, prefix.size() + 1, prefix + "/") == 0) return false;
    }
    if (!entry.name.empty() && entry.name.find('/') == std::string::npos) return true;
    unspellable.push_back(entry.path);
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    auto file = cfb::CompoundFile::open(bytes);
    if (!file) {
        check(!file.error().message.empty());
        return 0;
    }
    const auto& entries = file->entries();
    check(!entries.empty() && entries.front().kind == cfb::EntryKind::root && entries.front().path == "/");
    check(entries.size() <= size / 128);
    check(file->warnings().size() <= 33);

    std::vector<std::string> unspellable;
    for (const cfb::Entry& entry : entries) {
        check(!cfb::kind_name(entry.kind).empty());
        if (entry.kind == cfb::EntryKind::storage) check(entry.size == 0);
        if (entry.kind != cfb::EntryKind::root && path_is_findable(entry, unspellable))
            check(file->find(entry.path).ok());
        if (entry.kind != cfb::EntryKind::stream) {
            check(!file->read(entry).ok());
            continue;
        }
        auto whole = file->read(entry);
        auto prefix = file->read_prefix(entry, 64);
        if (!whole) {
            check(!whole.error().message.empty());
            continue;
        }
        check(whole->size() == entry.size && entry.size <= size);
        check(prefix.ok());
        const std::size_t n = whole->size() < 64 ? whole->size() : 64;
        check(prefix->size() == n && std::equal(prefix->begin(), prefix->end(), whole->begin()));
    }
    return 0;
}
