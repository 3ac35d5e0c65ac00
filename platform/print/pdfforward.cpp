// The program's side of the PDF module, and the print session's life, which may end with a
// document the module still holds.
#include "platform/print/pdfmodule.h"

namespace kv {

#define KV_PDF_FORWARDER(...) KV_MODULE_FORWARDER(PdfModule, "pdf", __VA_ARGS__)
KV_PDF_ENTRIES(KV_PDF_FORWARDER)

void PdfDocumentFree::operator()(PdfDocument* d) const { freepdfdocument(d); }

Session::Session() = default;
Session::~Session() {
  if (document) pdfabandon(*this);
}

}  // namespace kv
