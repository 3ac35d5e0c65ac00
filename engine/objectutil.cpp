#include "engine/objectutil.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/servicehooks.h"
#include "engine/status.h"
#include "platform/memory/memory.h"
#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/menus/menus.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "shell/menus.h"
#include "store/objects.h"
#include "store/starfile.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "system/osascripts.h"

namespace kv {

namespace {

struct ToolName {
  i16 tool;
  const char* name;
};
constexpr ToolName kToolNames[] = {
    {100, "browse tool"},
    {200, "draw text tool"},
    {201, "draw straight tool"},
    {202, "draw line tool"},
    {203, "draw rectangle tool"},
    {204, "draw roundRect tool"},
    {205, "draw oval tool"},
    {206, "draw polygon tool"},
    {207, "draw arc tool"},
    {208, "draw curve tool"},
    {300, "brush tool"},
    {301, "bucket tool"},
    {302, "eraser tool"},
    {303, "lasso tool"},
    {304, "line tool"},
    {305, "curve tool"},
    {306, "oval tool"},
    {307, "pencil tool"},
    {308, "polygon tool"},
    {309, "rectangle tool"},
    {310, "regular polygon tool"},
    {311, "roundRect tool"},
    {312, "select tool"},
    {313, "spray tool"},
    {314, "paint text tool"},
    {400, "button rectangle tool"},
    {401, "button polygon tool"},
    {402, "button roundRect tool"},
    {403, "button radiobutton tool"},
    {404, "button checkbox tool"},
    {405, "button bevel tool"},
    {406, "button popupmenu tool"},
    {407, "button popuparrow tool"},
    {408, "button round tool"},
    {410, "button slider tool"},
    {411, "button tabs tool"},
    {412, "button imagewell tool"},
    {413, "button disclosure tool"},
    {414, "button scrollbar tool"},
    {415, "button progressbar tool"},
    {416, "button indeterminatebar tool"},
    {417, "button relevancebar tool"},
    {418, "button littlearrows tool"},
    {419, "button chasingarrows tool"},
    {420, "button disclosuretriangle tool"},
    {421, "button primarygroup tool"},
    {422, "button secondarygroup tool"},
    {423, "button placard tool"},
    {425, "button listheader tool"},
    {426, "button windowheader tool"},
    {427, "button browser tool"},
    {428, "button separator tool"},
    {429, "button dataBrowser tool"},
    {500, "field rect tool"},
    {501, "field scroll tool"},
    {502, "field list tool"},
    {503, "field scrollingList tool"},
    {600, "universal tool"},
    {601, "pointer tool"},
    {602, "field tool"},
    {603, "button tool"},
    {604, "graphic tool"},
    {605, "text tool"},
};

bool stylein(const spot& s, std::initializer_list<u16> styles) {
  return std::find(styles.begin(), styles.end(), u16(s.style)) != styles.end();
}

bool textfieldstyle(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// Reads a big-endian word of `n` bytes.
u32 bigendian(const u8* p, int n) {
  u32 v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

u16 currenttool() { return mainglobals().current.tool; }

void lowtooltotext(i16 tool, StringPtr out) {
  out[0] = 0;
  for (const ToolName& t : kToolNames)
    if (t.tool == tool) {
      const std::size_t n = std::strlen(t.name);
      out[0] = u8(n);
      std::memcpy(out + 1, t.name, n);
      return;
    }
}

// --- Object tests ----------------------------------------------------------------------------

bool isversion4spot(const spot* s) { return s && isplatformcontrol(*s); }
bool hascontentype(const spot& s) { return stylein(s, {205, 207, 211}); }
bool hasize(const spot& s) { return stylein(s, {203, 204, 207, 209, 210, 212, 213, 214, 215, 222}); }
bool hasorientation(const spot& s) { return stylein(s, {209, 210, 222}); }
bool usesenginetwo(const spot* s) { return s && textfieldstyle(*s); }
bool allowsobjects(const spot* s) { return usesenginetwo(s) && (s->flags & spotallowobjects); }
bool fieldhasruler(const spot& s) { return textfieldstyle(s) && (s.textflags & 0x02); }

bool islist(const spot& s) {
  return (s.style == stylefieldlist || s.style == stylefieldscrolllist) && currenttool() != tooltext;
}

bool fieldcanscroll(const spot& s) {
  return s.style == stylefieldscroll || (s.style == stylefieldscrolllist && currenttool() == tooltext);
}

// --- Texts and handle arrays ---------------------------------------------------------------

i16 doinsert(Handle h, i32 start, i32 end, const void* run, i32 length) {
  if (h == nilhandle) return err::wentwrong;
  const i32 size = GetHandleSize(h);
  start = std::clamp(start, 0, size);
  end = std::clamp(end, start, size);
  length = std::max(length, 0);
  // One resize, grown before the tail moves or shrunk after, so a failure leaves the text whole.
  const i32 newsize = size - (end - start) + length;
  if (length > 0 && memoryrefused(length)) return err::nomemory;
  if (newsize > size) {
    SetHandleSize(h, newsize);
    if (MemError() != noErr) return err::nomemory;
  }
  Ptr p = deref(h);
  std::memmove(p + start + length, p + end, size_t(size - end));
  if (length > 0) std::memcpy(p + start, run, size_t(length));
  if (newsize < size) SetHandleSize(h, newsize);
  return 0;
}

i16 qadd(Handle h, i32* index, i32 size) {
  if (*index < 0 || size <= 0 || h == nilhandle) return 0;
  const i32 count = GetHandleSize(h) / size;
  if (*index > count) *index = count;
  if (memoryrefused(size)) return err::nomemory;
  SetHandleSize(h, (count + 1) * size);
  if (MemError() != noErr) return err::nomemory;
  Ptr p = deref(h);
  std::memmove(p + (*index + 1) * size, p + *index * size, size_t((count - *index) * size));
  return 0;
}

void qdelete(Handle h, i32 index, i32 size) {
  if (size <= 0 || h == nilhandle) return;
  const i32 count = GetHandleSize(h) / size;
  if (index < 0 || index >= count) return;
  Ptr p = deref(h);
  std::memmove(p + index * size, p + (index + 1) * size, size_t((count - index - 1) * size));
  SetHandleSize(h, (count - 1) * size);
}

i16 diffdata(const void* a, const void* b, i32 n) { return n >= 1 && std::memcmp(a, b, size_t(n)) != 0 ? 1 : 0; }

void zero(void* p, i32 n) { BlockZero(p, n); }

// --- Paint settings --------------------------------------------------------------------------

void lowreset() {
  MainGlobals& g = mainglobals();
  g.grid = 0;
  g.brush = 0;
  g.penPat = 11;
  g.fillPat = 11;
  g.penFore = 255;
  g.penback = 0;
  g.showPen = 1;
  g.filled = 1;
  g.fillFore = 0;
  g.fillBack = 255;
  g.multiple = 0;
  g.centered = 0;
  g.penWidth = 1;
  g.penHeight = 1;
  g.polySides = 4;
  g.multiSpace = 1;
  g.textSize = 12;
  // The default text font is word 6 of the settings record (0 until it is read).
  g.textFont = 0;
  if (g.settings != nilhandle && GetHandleSize(g.settings) >= 14) g.textFont = loadat<i16>(deref(g.settings) + 12);
  g.textAlign = -2;
  g.textStyle = 0;
  g.textHeight = -1;
}

// --- Resources, scripts, effects -------------------------------------------------------------

namespace {

// The resource file of a project: "<file name>.rsrc" beside it, its path kept whole.
std::string resourcepath(const projectstore& st) {
  std::string path;
  std::string_view file = pstringview(st.filename);
  if (!file.empty() && file.front() == '/') return std::string(file) + ".rsrc";
  if (st.dirid != 0 && pathoffolder(st.dirid, &path) == noErr) {
    if (path.empty() || path.back() != '/') path += '/';
  }
  return path + std::string(file) + ".rsrc";
}

// The font menu lists the families as they are now, each in its own font when wanted.
void updatefontmenu() {
  MainGlobals& g = mainglobals();
  if (g.fontmenu == nilid || !IsValidMenu(g.fontmenu)) return;
  UpdateStandardFontMenu(g.fontmenu);
  g.fontmenuinfonts = 0;
  if (g.wysiwygFontMenu) WysiwygFontMenu(true);
}

}  // namespace

i16 doresources(RegistryId store, bool open) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return 0;
  if (open) {
    if (st->isapplication) return 0;
    if (st->resref != 0) {
      UseResFile(st->resref);
      return 0;
    }
    // A project without a resource file, or with one that cannot be read, has nothing to
    // activate.
    const i16 ref = OpenResFile(resourcepath(*st));
    if (ref == -1) return 0;
    st->resref = ref;
    FMActivateFonts(ref);
    updatefontmenu();
    servicehooks().redrawprojectwindows(store);
    return 0;
  }
  if (st->resref == 0) return 0;
  FMDeactivateFonts(st->resref);
  CloseResFile(st->resref);
  st->resref = 0;
  updatefontmenu();
  return 0;
}

bool canclosefile(i16 count) { return CountResFiles() != count; }

i16 doscript(const char* text) {
  static constexpr u8 kAppleScript[] =
      "\x0B"
      "AppleScript";
  i32 index = -1;
  ComponentInstance ci = GetOpenComponent(kAppleScript, &index);
  if (ci == 0) ci = GetClosedComponent(kAppleScript, &index);
  if (ci == 0) return 1;
  AEDesc source;
  if (AECreateDesc(typeChar, text, Size(std::strlen(text)), &source) != noErr) return 1;
  OSAID script = kOSANullScript, result = kOSANullScript;
  if (osacompileflagged(ci, source, kOSAModeNull, &script) != noErr) return 0;
  if (osaexecuteflagged(ci, script, kOSAModeCanInteract, &result) == noErr) OSADispose(ci, result);
  OSADispose(ci, script);
  return 0;
}

OSErr unFlattenEffectInfo(Handle flat, OSType* type, i16* value, i32* length, Handle* params) {
  if (flat == nilhandle || !IsValidHandle(flat)) return nilHandleErr;
  const i64 size = GetHandleSize(flat);
  if (size < 10) return paramErr;
  const u8* p = deref(flat);
  const u32 n = bigendian(p + 6, 4);
  if (i64(n) > size - 10) return paramErr;
  Handle data = nilhandle;
  if (n > 0) {
    data = NewHandle(Size(n));
    if (data == nilhandle) return memFullErr;
    std::memcpy(deref(data), deref(flat) + 10, n);
  }
  p = deref(flat);
  *type = bigendian(p, 4);
  *value = i16(bigendian(p + 4, 2));
  *length = i32(n);
  *params = data;
  return noErr;
}

}  // namespace kv
