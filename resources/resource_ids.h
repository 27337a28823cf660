#pragma once
// Resource identifiers shared by clipwright.rc and the code that loads the resources; plain
// macros, because the resource compiler reads this file too.

// The header logo: a 298 x 96 PNG, stored as RCDATA and decoded by the theme.
#define IDR_HEADER_LOGO 101
