#include "platform/print/print.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct PageFormat {
  PMRect paper{0, 0, 792, 612};
  PMRect page{18, 18, 774, 594};
};

struct PrintSettings {
  u32 first = 1, last = kPMPrintAllPages;
};

struct Session {
  GWorldPtr page = 0;  // the open page's port
  std::vector<PMKeptPage> kept;
  i32 beginsleft = 0;  // begin-pages until the injected failure (0: none armed)
  OSStatus failure = noErr;
  PMPageEndedProc ended = nullptr;
};

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

}  // namespace

OSStatus PMCreateSession(PMPrintSession* out) { return create<Session>(ps().sessions, out); }
OSStatus PMCreatePageFormat(PMPageFormat* out) { return create<PageFormat>(ps().formats, out); }
OSStatus PMCreatePrintSettings(PMPrintSettings* out) { return create<PrintSettings>(ps().settings, out); }

OSStatus PMRelease(RegistryId object) {
  PrintState& s = ps();
  if (auto session = s.sessions.remove(object)) {
    if (session->page != 0) DisposeGWorld(session->page);
    return noErr;
  }
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

OSStatus PMGetAdjustedPaperRect(PMPageFormat format, PMRect* paper) {
  return read(ps().formats, format, &PageFormat::paper, paper);
}
OSStatus PMGetAdjustedPageRect(PMPageFormat format, PMRect* page) {
  return read(ps().formats, format, &PageFormat::page, page);
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

OSStatus PMSessionBeginPage(PMPrintSession session, PMPageFormat format, const PMRect* pageFrame) {
  Session* s = ps().sessions.get(session);
  const PageFormat* f = ps().formats.get(format);
  if (s == nullptr || f == nullptr) return paramErr;
  if (s->page != 0) return kPMOutOfScope;
  if (s->beginsleft > 0 && --s->beginsleft == 0) {
    s->beginsleft = 1;  // and every later one
    return s->failure;
  }
  const PMRect& frame = pageFrame ? *pageFrame : f->page;
  const Rect bounds{topoints(frame.top), topoints(frame.left), topoints(frame.bottom), topoints(frame.right)};
  if (bounds.bottom <= bounds.top || bounds.right <= bounds.left) return paramErr;
  GWorldPtr world = 0;
  const OSErr err = NewGWorld(&world, 32, &bounds, 0, 0, 0);
  if (err != noErr) return err;
  CGrafPtr oldport = 0;
  GDHandle olddevice = 0;
  GetGWorld(&oldport, &olddevice);
  SetGWorld(world, 0);
  constexpr RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBBackColor(&white);
  EraseRect(&bounds);
  SetGWorld(oldport, olddevice);
  Session* again = ps().sessions.get(session);
  if (again == nullptr) {
    DisposeGWorld(world);
    return paramErr;
  }
  again->page = world;
  return noErr;
}

OSStatus PMSessionGetGraphicsContext(PMPrintSession session, const char* kind, CGrafPtr* port) {
  const Session* s = ps().sessions.get(session);
  if (s == nullptr || port == nullptr || kind == nullptr || std::strcmp(kind, kPMGraphicsContextQuickDraw) != 0)
    return paramErr;
  if (s->page == 0) return kPMOutOfScope;
  *port = s->page;
  return noErr;
}

OSStatus PMSessionEndPage(PMPrintSession session) {
  Session* s = ps().sessions.get(session);
  if (s == nullptr) return paramErr;
  if (s->page == 0) return kPMOutOfScope;
  PMKeptPage kept;
  const PixMapHandle pm = GetGWorldPixMap(s->page);
  GetPixBounds(pm, &kept.bounds);
  const i32 width = kept.bounds.right - kept.bounds.left, height = kept.bounds.bottom - kept.bounds.top;
  const i32 rowbytes = GetPixRowBytes(pm);
  kept.pixels.resize(std::size_t(width) * std::size_t(height));
  const u8* base = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
  for (i32 v = 0; v < height; ++v)
    std::memcpy(&kept.pixels[std::size_t(v) * std::size_t(width)], base + std::size_t(v) * std::size_t(rowbytes),
                std::size_t(width) * 4);
  for (u32& p : kept.pixels) p &= 0x00FFFFFF;
  DisposeGWorld(s->page);
  s = ps().sessions.get(session);
  if (s == nullptr) return paramErr;
  s->page = 0;
  s->kept.push_back(std::move(kept));
  if (s->ended) s->ended(session, i32(s->kept.size()));
  return noErr;
}

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
