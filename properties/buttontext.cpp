#include "properties/buttontext.h"

#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"

namespace kv {

i16 buttontextwidth(const spot& s, ConstStringPtr text) {
  const buttontail t = getbuttontail(s);
  const CGrafPtr port = currentportid();
  const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
  const Style face = GetPortTextFace(port);
  TextFont(i16(t.words.v[0]));
  TextSize(i16(t.words.v[1]));
  TextFace(Style(t.words.v[2]));
  const i16 w = StringWidth(text);
  TextFont(font);
  TextSize(size);
  TextFace(face);
  return w;
}

}  // namespace kv
