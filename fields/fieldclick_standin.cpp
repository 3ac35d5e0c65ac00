// A stand-in for the clicks fields take until field scrolling and list fields exist: a click
// in the open field's view rectangle counts as a click in its text (the text engine places
// nothing), and a list field takes a click without a double click or a scroll.
#include "fields/fieldclick.h"

#include "fields/fieldview.h"
#include "platform/qd/shapes.h"
#include "shell/mainglobals.h"
#include "store/objects.h"

namespace kv {

i16 scrollclick(Handle list, Point pt, bool* textclick) {
  const MainGlobals& g = mainglobals();
  *textclick = false;
  if (g.openfield < 0 || g.openfield >= spotcount(list)) return 0;
  Rect dest{}, view{};
  destview(spotat(list, g.openfield), &dest, &view);
  *textclick = PtInRect(pt, &view);
  return 0;
}

bool activatethelist(spot&, Point, bool* scrolled, u16) {
  *scrolled = false;
  return false;
}

void updateclicktime(spot&) {}

}  // namespace kv
