// `the number of ...`: "the number of <phrase>", "number of <phrase>", "number(<phrase>)".
//
// The cards of the current window and the chunks of a text are counted here; the phrases that
// count objects, windows, menus, movies and screens answer the not-built status until their
// services exist.
#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "platform/memory/memory.h"
#include "shell/mainglobals.h"
#include "store/records.h"

namespace kv {

namespace {

enum : u16 {
  tokNumberWord = 4184,
  tokObjects = 4187,
  tokMenus = 3087,
  tokWindows = 3189,
  tokBackground = 11015,
  tokBackgrounds = 11016,
  tokButtons = 11026,
  tokCards = 11035,
  tokCharacters = 11037,
  tokFields = 11109,
  tokGraphics = 11126,
  tokItems = 11147,
  tokLines = 11158,
  tokMenu = 11173,
  tokMonitors = 11187,
  tokMovies = 11191,
  tokParts = 11217,
  tokCurrent = 11313,
  tokWords = 11352,
};

constexpr i16 statusbadobject = 2, statusnochunkword = 4, statusnoparen = 8;

// The chunk type a plural chunk word counts, or 0.
u16 chunktype(u16 t) {
  switch (t) {
    case tokLines: return tokLine;
    case tokItems: return tokItem;
    case tokWords: return tokWord;
    case tokCharacters: return tokChar;
    default: return 0;
  }
}

bool objectwords(u16 t) { return t == tokButtons || t == tokGraphics || t == tokFields || t == tokParts; }

// Counts the phrase at `at`; `paren` when it stands inside parentheses (the operand is then
// the whole expression up to them). *used is the phrase's atoms.
i16 countphrase(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool paren, i32* used,
                fred* value) {
  u16 t = tokenat(atoms, at);
  u16 next = tokenat(atoms, at + 1);
  if (u16 type = chunktype(t); type != 0 && !(t == tokItems && next == tokOf && tokenat(atoms, at + 2) == tokMenu)) {
    if (next != tokOf) return statusfunctionof;
    fred v;
    i32 n = 0;
    i16 st = paren ? expression(path, text, atoms, at + 2, variables, nilhandle, &n, &v)
                   : factor(path, text, atoms, at + 2, variables, nilhandle, &n, &v);
    if (st == 16 && !paren) st = anyfact(path, text, atoms, at + 2, variables, nilhandle, &n, &v);
    if (st != 0) return st;
    i32 size = i32(getfredsize(&v));
    longtonewfred(countchar(&v, 0, size, type), value);
    disposfred(&v);
    *used = 2 + n;
    return 0;
  }
  if (t == tokCards && next != tokOf) {
    Handle wind = mainglobals().current.wind;
    longtonewfred(wind == nilhandle ? 0 : i32(loadat<windrec>(deref(wind)).cardcount), value);
    *used = 1;
    return 0;
  }
  if ((t == tokCard || t == tokBackground) && !objectwords(next)) return statusbadobject;
  if (t == tokCurrent && next != tokWindows && next != tokMenus) return statusbadobject;
  switch (t) {
    case tokCards:        // cards of a background, window or project
    case tokMovies:
    case tokBackgrounds:
    case tokWindows:
    case tokMenus:
    case tokCurrent:
    case tokMonitors:
    case tokItems:        // items of a menu
    case tokCard:
    case tokBackground:
    case tokButtons:
    case tokGraphics:
    case tokFields:
    case tokParts:
    case tokObjects: return statusnotbuilt;
    default: return statusnochunkword;
  }
}

}  // namespace

i16 funumbr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (h.token != tokNumberWord) return statusbadobject;
  u16 next = tokenat(atoms, h.word + 1);
  bool paren = next == tokLeftParen;
  if (paren && h.the) return statusnoparen;
  if (!paren && next != tokOf) return statusfunctionof;
  i32 used = 0;
  if (i16 st = countphrase(path, text, atoms, h.word + 2, variables, paren, &used, value); st != 0) return st;
  i32 end = h.word + 2 + used;
  if (paren && tokenat(atoms, end++) != tokRightParen) {
    disposfred(value);
    return statusfunctionclose;
  }
  *count = end - at;
  return 0;
}

}  // namespace kv
