// The PDF module's table (built into kvmod_pdf.so only).
#include "platform/print/pdfmodule.h"

KV_MODULE_DEFINE_TABLE(PdfModule, kvmod_pdf, KV_PDF_ENTRIES)
