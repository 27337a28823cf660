// The portable format numbers must be the system's.
#include "base/win32.h"
#include "capture/clipboard_formats.h"

namespace cw {

static_assert(CF_TEXT_ID == CF_TEXT && CF_BITMAP_ID == CF_BITMAP && CF_METAFILEPICT_ID == CF_METAFILEPICT);
static_assert(CF_SYLK_ID == CF_SYLK && CF_DIF_ID == CF_DIF && CF_TIFF_ID == CF_TIFF && CF_OEMTEXT_ID == CF_OEMTEXT);
static_assert(CF_DIB_ID == CF_DIB && CF_PALETTE_ID == CF_PALETTE && CF_PENDATA_ID == CF_PENDATA);
static_assert(CF_RIFF_ID == CF_RIFF && CF_WAVE_ID == CF_WAVE && CF_UNICODETEXT_ID == CF_UNICODETEXT);
static_assert(CF_ENHMETAFILE_ID == CF_ENHMETAFILE && CF_HDROP_ID == CF_HDROP && CF_LOCALE_ID == CF_LOCALE);
static_assert(CF_DIBV5_ID == CF_DIBV5 && CF_OWNERDISPLAY_ID == CF_OWNERDISPLAY && CF_DSPTEXT_ID == CF_DSPTEXT);
static_assert(CF_DSPBITMAP_ID == CF_DSPBITMAP && CF_DSPMETAFILEPICT_ID == CF_DSPMETAFILEPICT);
static_assert(CF_DSPENHMETAFILE_ID == CF_DSPENHMETAFILE && CF_PRIVATEFIRST_ID == CF_PRIVATEFIRST);
static_assert(CF_GDIOBJFIRST_ID == CF_GDIOBJFIRST);

}  // namespace cw
