#pragma once
// Where a symbolic link or junction points, read from the reparse data that Windows returns for
// it (FSCTL_GET_REPARSE_POINT), and whether a path probe may go there. The data belongs to
// whoever made the link, so it is parsed like any other untrusted block.

#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"

namespace cw {

struct LinkTarget {
    std::string substitute_name;  // the name the system follows, in NT form for absolute targets
    std::string print_name;       // the name shown to users; may be empty
    bool relative = false;        // a symbolic link relative to the folder that holds it
};

// The target of a symbolic link (IO_REPARSE_TAG_SYMLINK) or junction (IO_REPARSE_TAG_MOUNT_POINT);
// none for every other tag and for data whose lengths or offsets do not fit.
std::optional<LinkTarget> parse_link_target(ByteView reparse_data);

// The Win32 path to look at next for the link at `link_path`: an absolute "\??\" target in its
// "\\?\" form, or a relative one joined to the link's folder. None when the target or its print
// name lies in the device namespace, or when the target is no file-system path Win32 can open
// (an NT object path, a drive-relative name): such a link is never followed.
std::optional<std::string> followable_link_target(std::string_view link_path, const LinkTarget& target);

}  // namespace cw
