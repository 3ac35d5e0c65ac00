// A stand-in for the list definition of list fields until they are built: each row as plain
// text in the system font, a selected row inverted.
#include "fields/listdefinition.h"

#include "platform/qd/qd.h"

namespace kv {

void MyListDefinition(i16 message, bool selected, const Rect* cellRect, Cell, const u8* data, i16 length,
                      ListHandle) {
  if ((message != lDrawMsg && message != lHiliteMsg) || cellRect == nullptr) return;
  GrafPtr port = nilid;
  GetPort(&port);
  const i16 font = port != nilid ? GetPortTextFont(port) : 0;
  const i16 size = port != nilid ? GetPortTextSize(port) : 12;
  TextFont(0);
  TextSize(12);
  EraseRect(cellRect);
  FontInfo fi{};
  GetFontInfo(&fi);
  const i16 height = i16(cellRect->bottom - cellRect->top);
  MoveTo(i16(cellRect->left + 4), i16(cellRect->top + fi.ascent + (height - fi.ascent - fi.descent) / 2));
  if (data != nullptr && length > 0) DrawText(data, 0, length);
  if (selected) InvertRect(cellRect);
  TextFont(font);
  TextSize(size);
}

}  // namespace kv
