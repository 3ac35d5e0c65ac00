// The PDF of a print document: cairo writes the container; each page is an image of a page
// port's pixels placed at the page's place on a sheet of the paper's size. A document goes to
// a file, to a printer through CUPS, or to the desktop's viewer.
#include <cairo-pdf.h>
#include <cairo.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/files/files.h"
#include "platform/launch/launch.h"
#include "platform/print/pdfmodule.h"
#include "platform/qd/ports.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"

namespace kv {

struct PdfDocument {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  std::string path;      // the file being written
  bool scratch = false;  // a temporary file (printer, preview)
  PMRect paper{};
  std::string title;
  u32 copies = 1;
  u16 destination = kPMDestinationPrinter;
  PrinterEntry printer;
  ~PdfDocument() {
    if (cr != nullptr) cairo_destroy(cr);
    if (surface != nullptr) cairo_surface_destroy(surface);
  }
};

void freepdfdocument(PdfDocument* d) { delete d; }

namespace {

// A new empty file in the temporary folder for a document that does not go to a file.
bool scratchpdf(std::string* path) {
  std::string folder;
  if (!standardfolder(StandardFolder::temporary, &folder)) folder = "/tmp";
  std::string name = folder + "/kestrove-print-XXXXXX.pdf";
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back(0);
  const int fd = ::mkstemps(buf.data(), 4);
  if (fd < 0) return false;
  ::close(fd);
  *path = buf.data();
  return true;
}

}  // namespace

OSStatus pdfbegin(Session& s, const PrintSettings& settings, const PageFormat& format) {
  auto doc = std::make_unique<PdfDocument>();
  doc->destination = s.destination;
  if (s.destination == kPMDestinationPrinter && !currentprinter(&doc->printer)) return kPMNoDefaultPrinter;
  if (s.destination == kPMDestinationFile) {
    doc->path = s.path;
  } else {
    if (!scratchpdf(&doc->path)) return kPMGeneralError;
    doc->scratch = true;
  }
  doc->paper = orientedpaper(format);
  doc->title = settings.jobname;
  doc->copies = settings.copies;
  doc->surface = cairo_pdf_surface_create(doc->path.c_str(), doc->paper.right - doc->paper.left,
                                          doc->paper.bottom - doc->paper.top);
  if (cairo_surface_status(doc->surface) != CAIRO_STATUS_SUCCESS) {
    if (doc->scratch) std::remove(doc->path.c_str());
    return kPMGeneralError;
  }
  const std::string title = macromantoutf8(doc->title);
  cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_CREATOR, "Kestrove");
  doc->cr = cairo_create(doc->surface);
  s.document.reset(doc.release());
  return noErr;
}

OSStatus pdfpage(Session& s, GWorldPtr world, const Rect& bounds, i32 scale) {
  PdfDocument* doc = s.document.get();
  if (doc == nullptr) return kPMOutOfScope;
  const PixMapHandle pm = GetGWorldPixMap(world);
  Rect pix{};
  GetPixBounds(pm, &pix);
  const int width = pix.right - pix.left, height = pix.bottom - pix.top;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return memFullErr;
  }
  cairo_surface_flush(image);
  // Both are 32-bit xrgb words in host order.
  const int stride = cairo_image_surface_get_stride(image);
  u8* to = cairo_image_surface_get_data(image);
  const u8* from = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
  const i32 rowbytes = GetPixRowBytes(pm);
  for (int v = 0; v < height; ++v)
    std::memcpy(to + std::size_t(v) * std::size_t(stride), from + std::size_t(v) * std::size_t(rowbytes),
                std::size_t(width) * 4);
  cairo_surface_mark_dirty(image);
  cairo_t* cr = doc->cr;
  cairo_save(cr);
  cairo_translate(cr, bounds.left - doc->paper.left, bounds.top - doc->paper.top);
  cairo_scale(cr, 1.0 / scale, 1.0 / scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_show_page(cr);
  cairo_surface_destroy(image);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? noErr : kPMGeneralError;
}

OSStatus pdfend(Session& s) {
  std::unique_ptr<PdfDocument> doc(s.document.release());
  if (!doc) return kPMOutOfScope;
  cairo_destroy(doc->cr);
  doc->cr = nullptr;
  cairo_surface_finish(doc->surface);
  const bool written = cairo_surface_status(doc->surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(doc->surface);
  doc->surface = nullptr;
  if (!written) {
    std::remove(doc->path.c_str());
    return kPMGeneralError;
  }
  OSStatus err = noErr;
  if (doc->destination == kPMDestinationPrinter) {
    err = sendtoprinter(doc->printer, doc->path, doc->title, doc->copies);
    std::remove(doc->path.c_str());
  } else if (doc->destination == kPMDestinationPreview) {
    // The preview stays in the temporary folder for the viewer to read.
    if (backend().headless()) transcriptadd(TranscriptKind::note, "preview " + doc->path);
    else if (opendocuments({doc->path}) != noErr) err = kPMGeneralError;
  }
  return err;
}

void pdfabandon(Session& s) {
  std::unique_ptr<PdfDocument> doc(s.document.release());
  if (!doc) return;
  cairo_destroy(doc->cr);
  doc->cr = nullptr;
  cairo_surface_finish(doc->surface);
  if (doc->scratch) std::remove(doc->path.c_str());
}

}  // namespace kv
