#include "save/zip_writer.h"

#include <zip.h>

namespace cw {

namespace {

Error zip_failure(zip_error_t* error)
{
    return Error::invalid_data("The ZIP archive could not be built: " + std::string(zip_error_strerror(error)) + ".");
}

// Frees the archive's buffer source on every path; zip_close hands its result back into it.
struct SourceOwner {
    zip_source_t* source = nullptr;
    ~SourceOwner()
    {
        if (source) zip_source_free(source);
    }
};

Result<std::vector<std::uint8_t>> read_all(zip_source_t* source)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) return zip_failure(zip_source_error(source));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.size));
    if (zip_source_open(source) != 0) return zip_failure(zip_source_error(source));
    const zip_int64_t got = bytes.empty() ? 0 : zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (got < 0 || static_cast<std::uint64_t>(got) != bytes.size()) return zip_failure(zip_source_error(source));
    return bytes;
}

}  // namespace

Result<std::vector<std::uint8_t>> build_zip(const std::vector<ZipEntry>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    SourceOwner output{zip_source_buffer_create(nullptr, 0, 0, &error)};
    if (!output.source) return zip_failure(&error);
    zip_source_keep(output.source);  // the archive drops one reference; the result is read after
    zip_t* archive = zip_open_from_source(output.source, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(output.source);
        return zip_failure(&error);
    }
    for (const ZipEntry& entry : entries) {
        zip_int64_t index = -1;
        if (entry.folder) {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
            if (data) index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
            if (data && index < 0) zip_source_free(data);
        }
        if (index < 0) {
            const Error failure = zip_failure(zip_get_error(archive));
            zip_discard(archive);
            return failure;
        }
    }
    if (zip_close(archive) != 0) {
        const Error failure = zip_failure(zip_get_error(archive));
        zip_discard(archive);
        return failure;
    }
    return read_all(output.source);
}

}  // namespace cw
