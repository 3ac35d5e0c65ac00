#include "platform/print/print.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/memory/memory.h"
#include "platform/print/printimpl.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

struct PrintState {
  Registry<Session, RegType::printsession> sessions;
  Registry<PageFormat, RegType::pageformat> formats;
  Registry<PrintSettings, RegType::printsettings> settings;
};

PrintState& ps() { return state<PrintState>(); }

template <class T, class R>
OSStatus create(R& registry, RegistryId* out) {
  if (out == nullptr) return paramErr;
  *out = registry.add(std::make_unique<T>());
  return *out == nilid ? memFullErr : noErr;
}

// A field of a format or settings read or written (paramErr for a bad id or no place to read to).
template <class R, class T, class V>
OSStatus read(R& registry, RegistryId id, V T::*field, V* out) {
  const T* object = registry.get(id);
  if (object == nullptr || out == nullptr) return paramErr;
  *out = object->*field;
  return noErr;
}
template <class R, class T, class V>
OSStatus write(R& registry, RegistryId id, V T::*field, V value) {
  T* object = registry.get(id);
  if (object == nullptr) return paramErr;
  object->*field = value;
  return noErr;
}

i16 topoints(double v) { return i16(std::lround(std::fmax(-32768, std::fmin(32767, v)))); }

PMRect transposed(const PMRect& r) { return PMRect{r.left, r.top, r.right, r.bottom}; }

void disposepage(Session& s) {
  if (s.page == 0) return;
  if (s.recording != 0) {
    SavePort saved;
    SetGWorld(s.page, 0);
    ClosePicture();
    KillPicture(s.recording);
    s.recording = 0;
  }
  DisposeGWorld(s.page);
  s.page = 0;
}

OSStatus beginpage(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame) {
  Session* s = ps().sessions.get(session);
  const PageFormat* f = ps().formats.get(format);
  if (s == nullptr || f == nullptr) return paramErr;
  if (s->page != 0) return kPMOutOfScope;
  if (s->error != noErr) return s->error;
  if (s->beginsleft > 0 && --s->beginsleft == 0) {
    s->beginsleft = 1;  // and every later one
    return s->failure;
  }
  const PMRect frame = pageFrame ? *pageFrame : orientedpage(*f);
  const Rect bounds{topoints(frame.top), topoints(frame.left), topoints(frame.bottom), topoints(frame.right)};
  if (bounds.bottom <= bounds.top || bounds.right <= bounds.left) return paramErr;
  GWorldPtr world = 0;
  const OSErr err = NewGWorld(&world, 32, &bounds, 0, 0, 0);
  if (err != noErr) return err;
  PicHandle recording = 0;
  {
    SavePort saved;
    SetGWorld(world, 0);
    constexpr RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBBackColor(&white);
    EraseRect(&bounds);
    // Inside a document the page is recorded, to be played again at the PDF's resolution; a
    // page that cannot be recorded is placed from its own pixels.
    if (s->document) recording = OpenPicture(&bounds);
  }
  Session* again = ps().sessions.get(session);
  if (again == nullptr) {
    DisposeGWorld(world);
    return paramErr;
  }
  again->page = world;
  again->recording = recording;
  return noErr;
}

// The page's pixels into the kept page.
PMKeptPage keep(GWorldPtr world) {
  PMKeptPage kept;
  const PixMapHandle pm = GetGWorldPixMap(world);
  GetPixBounds(pm, &kept.bounds);
  const i32 width = kept.bounds.right - kept.bounds.left, height = kept.bounds.bottom - kept.bounds.top;
  const i32 rowbytes = GetPixRowBytes(pm);
  kept.pixels.resize(std::size_t(width) * std::size_t(height));
  const u8* base = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
  for (i32 v = 0; v < height; ++v)
    std::memcpy(&kept.pixels[std::size_t(v) * std::size_t(width)], base + std::size_t(v) * std::size_t(rowbytes),
                std::size_t(width) * 4);
  for (u32& p : kept.pixels) p &= 0x00FFFFFF;
  return kept;
}

OSStatus endpage(PMPrintSession session) {
  Session* s = ps().sessions.get(session);
  if (s == nullptr) return paramErr;
  if (s->page == 0) return kPMOutOfScope;
  GWorldPtr world = s->page;
  PicHandle picture = s->recording;
  s->recording = 0;
  std::vector<u8> recorded;
  Rect bounds{};
  GetPixBounds(GetGWorldPixMap(world), &bounds);
  OSStatus placed = noErr;
  if (picture != 0) {
    SavePort saved;
    SetGWorld(world, 0);
    ClosePicture();
    // The recording hid the pen: the page's own pixels come from playing it once.
    DrawPicture(picture, &bounds);
    const Size size = GetHandleSize(picture);
    if (size > 0) {
      const u8* bytes = HandleAs<u8>(picture);
      recorded.assign(bytes, bytes + size);
    }
  }
  s = ps().sessions.get(session);
  if (s == nullptr) return paramErr;
  if (s->document) {
    constexpr i32 scale = 4;
    GWorldPtr fine = 0;
    const Rect big{0, 0, i16(std::min(32767, (bounds.bottom - bounds.top) * scale)),
                   i16(std::min(32767, (bounds.right - bounds.left) * scale))};
    if (picture != 0 && !recorded.empty() && NewGWorld(&fine, 32, &big, 0, 0, 0) == noErr) {
      {
        SavePort saved;
        SetGWorld(fine, 0);
        constexpr RGBColor white{0xFFFF, 0xFFFF, 0xFFFF}, black{0, 0, 0};
        RGBBackColor(&white);
        RGBForeColor(&black);
        EraseRect(&big);
        DrawPicture(picture, &big);
      }
      placed = pdfpage(*s, fine, bounds, scale);
      DisposeGWorld(fine);
    } else {
      placed = pdfpage(*s, world, bounds, 1);
    }
    s = ps().sessions.get(session);
    if (s == nullptr) return paramErr;
  }
  if (picture != 0) KillPicture(picture);
  PMKeptPage kept = keep(world);
  kept.picture = std::move(recorded);
  DisposeGWorld(world);
  s->page = 0;
  s->kept.push_back(std::move(kept));
  ++s->pagesdone;
  if (s->progress) transcriptadd(TranscriptKind::note, "printed page " + std::to_string(s->pagesdone));
  if (s->ended) s->ended(session, i32(s->kept.size()));
  return placed;
}

OSStatus begindocument(PMPrintSession session, PMPrintSettings settings, PMPageFormat format, bool progress) {
  Session* s = ps().sessions.get(session);
  const PrintSettings* st = ps().settings.get(settings);
  const PageFormat* f = ps().formats.get(format);
  if (s == nullptr || st == nullptr || f == nullptr) return paramErr;
  if (s->document) return kPMOutOfScope;
  if (s->error != noErr) return s->error;
  s->pagesdone = 0;
  s->progress = progress;
  OSStatus err = pdfbegin(*s, *st, *f);
  if (err == noErr && progress) transcriptadd(TranscriptKind::note, "printing \"" + macromantoutf8(st->jobname) + "\"");
  return err;
}

OSStatus enddocument(PMPrintSession session) {
  Session* s = ps().sessions.get(session);
  if (s == nullptr) return paramErr;
  if (!s->document) return kPMOutOfScope;
  if (s->page != 0) disposepage(*s);
  const OSStatus err = pdfend(*s);
  if (s->error == noErr && err != noErr) s->error = err;
  return err;
}

}  // namespace

PMRect orientedpaper(const PageFormat& f) { return f.orientation == kPMLandscape ? transposed(f.paper) : f.paper; }
PMRect orientedpage(const PageFormat& f) { return f.orientation == kPMLandscape ? transposed(f.page) : f.page; }

OSStatus PMCreateSession(PMPrintSession* out) { return create<Session>(ps().sessions, out); }
OSStatus PMCreatePageFormat(PMPageFormat* out) { return create<PageFormat>(ps().formats, out); }
OSStatus PMCreatePrintSettings(PMPrintSettings* out) { return create<PrintSettings>(ps().settings, out); }

OSStatus PMRelease(RegistryId object) {
  PrintState& s = ps();
  if (Session* session = s.sessions.get(object)) disposepage(*session);
  if (auto session = s.sessions.remove(object)) return noErr;
  if (s.formats.remove(object) || s.settings.remove(object)) return noErr;
  return paramErr;
}

OSStatus pmsetpaper(PMPageFormat format, const PMRect* paper, const PMRect* page) {
  PageFormat* f = ps().formats.get(format);
  if (f == nullptr || paper == nullptr || page == nullptr) return paramErr;
  if (!(paper->bottom > paper->top && paper->right > paper->left && page->bottom > page->top &&
        page->right > page->left && page->top >= paper->top && page->left >= paper->left &&
        page->bottom <= paper->bottom && page->right <= paper->right))
    return paramErr;
  f->paper = *paper;
  f->page = *page;
  return noErr;
}

OSStatus PMCopyPageFormat(PMPageFormat from, PMPageFormat to) {
  const PageFormat* f = ps().formats.get(from);
  PageFormat* t = ps().formats.get(to);
  if (f == nullptr || t == nullptr) return paramErr;
  *t = *f;
  return noErr;
}

OSStatus PMSetOrientation(PMPageFormat format, u16 orientation, bool) {
  if (orientation != kPMPortrait && orientation != kPMLandscape) return paramErr;
  return write(ps().formats, format, &PageFormat::orientation, orientation);
}
OSStatus PMGetOrientation(PMPageFormat format, u16* orientation) {
  return read(ps().formats, format, &PageFormat::orientation, orientation);
}

OSStatus PMSessionDefaultPageFormat(PMPrintSession session, PMPageFormat format) {
  if (ps().sessions.get(session) == nullptr || ps().formats.get(format) == nullptr) return paramErr;
  std::vector<PMPaper> papers;
  if (OSStatus err = PMSessionCreatePageFormatList(session, &papers)) return err;
  PageFormat* f = ps().formats.get(format);
  if (f == nullptr) return paramErr;
  *f = PageFormat{};
  for (const PMPaper& p : papers)
    if (std::lround(p.paper.right - p.paper.left) == 612 && std::lround(p.paper.bottom - p.paper.top) == 792)
      return pmsetpaper(format, &p.paper, &p.page);
  if (!papers.empty()) return pmsetpaper(format, &papers[0].paper, &papers[0].page);
  return noErr;
}

OSStatus PMGetAdjustedPaperRect(PMPageFormat format, PMRect* paper) {
  const PageFormat* f = ps().formats.get(format);
  if (f == nullptr || paper == nullptr) return paramErr;
  *paper = orientedpaper(*f);
  return noErr;
}
OSStatus PMGetAdjustedPageRect(PMPageFormat format, PMRect* page) {
  const PageFormat* f = ps().formats.get(format);
  if (f == nullptr || page == nullptr) return paramErr;
  *page = orientedpage(*f);
  return noErr;
}
OSStatus PMSetFirstPage(PMPrintSettings settings, u32 first, bool) {
  return write(ps().settings, settings, &PrintSettings::first, first);
}
OSStatus PMSetLastPage(PMPrintSettings settings, u32 last, bool) {
  return write(ps().settings, settings, &PrintSettings::last, last);
}
OSStatus PMGetFirstPage(PMPrintSettings settings, u32* first) {
  return read(ps().settings, settings, &PrintSettings::first, first);
}
OSStatus PMGetLastPage(PMPrintSettings settings, u32* last) {
  return read(ps().settings, settings, &PrintSettings::last, last);
}
OSStatus PMSetCopies(PMPrintSettings settings, u32 copies, bool) {
  return write(ps().settings, settings, &PrintSettings::copies, copies < 1 ? 1u : copies);
}
OSStatus PMGetCopies(PMPrintSettings settings, u32* copies) {
  return read(ps().settings, settings, &PrintSettings::copies, copies);
}
OSStatus PMSetJobName(PMPrintSettings settings, const std::string& name) {
  return write(ps().settings, settings, &PrintSettings::jobname, name);
}
OSStatus PMGetJobName(PMPrintSettings settings, std::string* name) {
  return read(ps().settings, settings, &PrintSettings::jobname, name);
}

OSStatus PMSessionSetDestination(PMPrintSession session, PMPrintSettings settings, u16 kind, const char* mime,
                                 const std::string& path) {
  Session* s = ps().sessions.get(session);
  if (s == nullptr || ps().settings.get(settings) == nullptr) return paramErr;
  if (kind == kPMDestinationFile) {
    if (mime == nullptr || std::strcmp(mime, "application/pdf") != 0 || path.empty()) return paramErr;
  } else if (kind != kPMDestinationPrinter && kind != kPMDestinationPreview) {
    return paramErr;
  }
  s->destination = kind;
  s->path = kind == kPMDestinationFile ? path : std::string();
  return noErr;
}
OSStatus PMSessionGetDestinationType(PMPrintSession session, PMPrintSettings, u16* kind) {
  return read(ps().sessions, session, &Session::destination, kind);
}
OSStatus PMSessionError(PMPrintSession session) {
  const Session* s = ps().sessions.get(session);
  return s ? s->error : paramErr;
}
OSStatus PMSessionSetError(PMPrintSession session, OSStatus error) {
  return write(ps().sessions, session, &Session::error, error);
}

OSStatus PMSessionBeginDocument(PMPrintSession session, PMPrintSettings settings, PMPageFormat format) {
  return begindocument(session, settings, format, true);
}
OSStatus PMSessionBeginDocumentNoDialog(PMPrintSession session, PMPrintSettings settings, PMPageFormat format) {
  return begindocument(session, settings, format, false);
}
OSStatus PMSessionEndDocument(PMPrintSession session) { return enddocument(session); }
OSStatus PMSessionEndDocumentNoDialog(PMPrintSession session) { return enddocument(session); }

OSStatus PMSessionBeginPage(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame) {
  return beginpage(session, format, pageFrame);
}
OSStatus PMSessionBeginPageNoDialog(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame) {
  return beginpage(session, format, pageFrame);
}

OSStatus PMSessionGetGraphicsContext(PMPrintSession session, const char* kind, CGrafPtr* port) {
  const Session* s = ps().sessions.get(session);
  if (s == nullptr || port == nullptr || kind == nullptr || std::strcmp(kind, kPMGraphicsContextQuickDraw) != 0)
    return paramErr;
  if (s->page == 0) return kPMOutOfScope;
  *port = s->page;
  return noErr;
}

OSStatus PMSessionEndPage(PMPrintSession session) { return endpage(session); }
OSStatus PMSessionEndPageNoDialog(PMPrintSession session) { return endpage(session); }

const std::vector<PMKeptPage>* pmkeptpages(PMPrintSession session) {
  const Session* s = ps().sessions.get(session);
  return s ? &s->kept : nullptr;
}

void pmwatchpages(PMPrintSession session, PMPageEndedProc proc) {
  if (Session* s = ps().sessions.get(session)) s->ended = proc;
}

void pmfailbeginpage(PMPrintSession session, i32 nth, OSStatus err) {
  if (Session* s = ps().sessions.get(session)) {
    s->beginsleft = nth > 0 ? nth : 0;
    s->failure = err;
  }
}

}  // namespace kv
