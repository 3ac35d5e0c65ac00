// The bridges between paragraph formats and the rest of the system: the text of the ruler
// words (`textAlign`, `textDirection`, `borderStyle`, `leftIndent`, `rightIndent`,
// `firstLineIndent`, `lineSpacing`, `spaceBefore`, `spaceAfter` and `rulerInfo`, all nine at
// once) for the selection of a text record, and a parsed ruler applied to a field's text.
#pragma once

#include "platform/types.h"
#include "store/objread.h"
#include "textengine/werecord.h"

namespace kv {

// Puts the text of the ruler word `token` for the record's selection into the handle: a value
// that differs over the selection reads "mixed"; `rulerInfo` gives "name=value" lines in a
// fixed order, the last without a return. 0, or a status.
i16 GetRulerInfoFromWERec(WEReference we, Handle text, u16 token);

// A parsed ruler: the paragraph fields and the mask of those to apply (bit 0 alignment, 1
// direction, 3 border style, 4 left, 5 right and 6 first-line indent, 7 line spacing, 8 space
// before, 9 space after).
struct rulerinforec {
  WERuler ruler;
  u32 mask;
};
// The text engine's ruler mode of a mask.
u16 rulerinfomode(u32 mask);

// Applies a parsed ruler to the paragraphs of a field's chunk, or of its whole text (the open
// field: its selection): through the open field's record, the field's live record, or a
// temporary record over its stored text that is packed back and disposed. 0; 11 when the
// reference names no object, 210 when it is no field of the text engine; 37 without memory.
// The selection, the pen and the record's redraw setting are restored on every path.
i16 ApplyRulerInfoToRead(const objread& obj, const rulerinforec& info);
// The same over a record's selection: 1 when any field was applied.
i16 ApplyRulerInfoToWERec(WEReference we, const rulerinforec& info);

}  // namespace kv
