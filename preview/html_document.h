#pragma once
// The HTML document built from an HTML clipboard format. The preview renders it and the save
// command writes it, so what is shown and what is saved never differ.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "report/report.h"

namespace cw {

inline constexpr std::string_view PLAIN_TEXT_DOCUMENT_PREFIX = "<!doctype html><meta charset=utf-8><pre>";
inline constexpr std::string_view PLAIN_TEXT_DOCUMENT_SUFFIX = "</pre>";

// Where the document starts inside the decoded clipboard text: the StartHTML offset of the
// clipboard header, else the first "<html", else the first "<!DOCTYPE". None means the text is
// not markup and is shown escaped instead.
std::optional<std::size_t> html_document_start(std::string_view text);

// `text` is the decoded clipboard text (decode_utf8_to_first_zero). Taken by value so that the
// common case, a cut at the document's start, needs no second buffer. Never fails.
std::string build_html_document(std::string text);

// The preview of an HTML clipboard block: the document and the decoded text behind it.
HtmlPreview make_html_preview(ByteView bytes);

}  // namespace cw
