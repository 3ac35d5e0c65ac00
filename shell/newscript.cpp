#include "shell/newscript.h"

#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "core/mainglobals.h"
#include "store/records.h"

namespace kv {

namespace {
constexpr i16 kMessages = 1000;
constexpr i16 kButtonTemplateEntry = 7, kItemTemplateEntry = 8;
}  // namespace

Handle newscript(u16 templ) {
  Str255 text{};
  if (templ == scriptbutton) GetIndString(text, kMessages, kButtonTemplateEntry);
  if (templ == scriptmenuitem) GetIndString(text, kMessages, kItemTemplateEntry);
  const MainGlobals& g = mainglobals();
  scripttail tail{};
  u16 code = templ == scriptbutton ? 11 : templ == scriptmenuitem ? 14 : 0;
  const u16 words[12] = {13, g.scriptfont, g.scriptsize, g.scriptstyle, code, 0, 0, 0, 60, 20, 322, 492};
  for (int i = 0; i < 12; ++i) tail.words.v[i] = words[i];
  Handle h = NewHandle(text[0] + Size(sizeof tail));
  if (h == nilhandle) return nilhandle;
  BlockMoveData(text + 1, deref(h), text[0]);
  storeat<scripttail>(deref(h) + text[0], tail);
  return h;
}

void setdefaultail(fieldtail* tail) {
  const MainGlobals& g = mainglobals();
  tail->font = u16(g.textFont);
  tail->size = u16(g.textSize);
  tail->face = u16(g.textStyle);
}

}  // namespace kv
