#include "inspect/transfer_records.h"

#include "base/text.h"
#include "inspect/file_lists.h"
#include "inspect/shell_records.h"

namespace cw {

bool is_transfer_record_row(DispatchRow row)
{
    switch (row) {
        case DispatchRow::ShellIdListArray:
        case DispatchRow::ShellAttributes:
        case DispatchRow::ShellAttributesElevation:
        case DispatchRow::ShellObjectOffsets:
        case DispatchRow::PreferredDropEffect:
        case DispatchRow::AsyncFlag:
        case DispatchRow::PathAlias:
        case DispatchRow::FileGroupDescriptor:
        case DispatchRow::ClipSource:
        case DispatchRow::PasteInPlace:
            return true;
        default:
            return false;
    }
}

PropertyTable analyze_transfer_record(DispatchRow row, std::string_view name, ByteView bytes, const FileProbe& probe)
{
    switch (row) {
        case DispatchRow::ShellIdListArray: return analyze_shell_idlist_array(bytes);
        case DispatchRow::ShellAttributes: return analyze_shell_attributes(bytes, false);
        case DispatchRow::ShellAttributesElevation: return analyze_shell_attributes(bytes, true);
        case DispatchRow::ShellObjectOffsets: return analyze_shell_object_offsets(bytes);
        case DispatchRow::PreferredDropEffect: return analyze_preferred_drop_effect(bytes);
        case DispatchRow::AsyncFlag: return analyze_async_flag(bytes);
        case DispatchRow::PathAlias: return analyze_path_alias(name, bytes, names_equal(name, "FileNameW"));
        case DispatchRow::FileGroupDescriptor: return analyze_file_group_descriptor(name, bytes);
        case DispatchRow::ClipSource: return analyze_clip_source(bytes, probe);
        default: return analyze_paste_in_place(bytes);
    }
}

}  // namespace cw
