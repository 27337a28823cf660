#include "save/publish.h"

namespace cw {

std::string temporary_file_name(std::string_view final_name, std::uint32_t process_id, unsigned attempt)
{
    std::string name = ".";
    name += final_name;
    name += ".clipwright-" + std::to_string(process_id) + "-" + std::to_string(attempt) + ".tmp";
    return name;
}

Result<DestinationParts> split_destination(std::string_view path)
{
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) return Error::invalid_data(std::string(DESTINATION_HAS_NO_PARENT));
    const std::string_view name = path.substr(cut + 1);
    if (name.empty() || name == "." || name == "..") return Error::invalid_data(std::string(DESTINATION_NAME_INVALID));

    std::string_view folder = path.substr(0, cut);
    // "C:\name" and "\name" live in a root, which keeps its separator.
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, cut + 1);
    return DestinationParts{std::string(folder), std::string(name)};
}

std::string temp_create_failed_message(std::string_view error)
{
    return "Could not create a temporary file in the destination folder:\r\n" + std::string(error);
}

std::string temp_write_failed_message(std::string_view error)
{
    return "Could not finish writing the temporary file:\r\n" + std::string(error);
}

std::string publish_failed_message(std::string_view error)
{
    return "Could not publish the completed file:\r\n" + std::string(error);
}

}  // namespace cw
