// The boundary of the PDF module (kvmod_pdf.so: cairo): print documents written as PDF, and
// pictures played anti-aliased. Entries as in platform/modules/modules.h. When the module is
// missing no document can begin (kPMGeneralError) and pictures play as DrawPicture plays them.
#pragma once

#include "platform/modules/modules.h"
#include "platform/print/printimpl.h"
#include "platform/qd/pictures.h"

namespace kv {
// Frees a session's document (in the module, which knows it).
void freepdfdocument(PdfDocument* d);
}  // namespace kv

// clang-format off
#define KV_PDF_ENTRIES(X)                                                                                     \
  X(OSStatus, pdfbegin, (Session & s, const PrintSettings& settings, const PageFormat& format),               \
    (s, settings, format), OSStatus(kPMGeneralError), loadmodule)                                             \
  X(OSStatus, pdfpage, (Session & s, GWorldPtr world, const Rect& bounds, i32 scale), (s, world, bounds, scale), \
    OSStatus(kPMOutOfScope), loadedmodule)                                                                    \
  X(OSStatus, pdfend, (Session & s), (s), OSStatus(kPMOutOfScope), loadedmodule)                              \
  X(void, pdfabandon, (Session & s), (s), , loadedmodule)                                                     \
  X(void, freepdfdocument, (PdfDocument * d), (d), , loadedmodule)                                            \
  X(OSErr, DrawPictureAntialiased, (PicHandle pic, const Rect* r), (pic, r),                                  \
    (DrawPicture(pic, r), OSErr(noErr)), loadmodule)
// clang-format on

namespace kv {
struct PdfModule {
  KV_PDF_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
