#pragma once
// The advanced list's per-offer and transport texts, bound to the report model's own so that the
// list, the console output and the reports always agree.

#include "inspect/report_text.h"
#include "save/format_list.h"

namespace cw {

inline const OfferTextFunctions OFFER_TEXTS{medium_text, aspect_text, index_text, source_text};

}  // namespace cw
