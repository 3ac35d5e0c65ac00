// The grammar of object references: the part parsers that read one piece of a reference from
// the atoms of a tokenised line, the chain builders that string pieces into a window or card
// destination (a form, store/forms.h) or a menu destination (a tray), the resolution of a
// tray, and the lookups of an object in an object list and of an object embedded in a field's
// text.
//
// The parsers take the evaluator's arguments (the running handler's path, the script text,
// its atoms, the atom to start at, the variables), report the atoms they used, and answer a
// status: 0, 2 a missing or unknown word, 14 a name of 255 characters or more, or an error of
// the operand's evaluation.
//
// An operand after a kind word is `id` and an expression (the id, selector 7), or an
// expression whose text is an integer (selector 6) or a name (selector 8); an unknown bare word
// is its own text. The end of the line right after a card, background, window, menu or item
// word gives that part's default.
#pragma once

#include "engine/hier.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "store/forms.h"

namespace kv {

struct objread;

// --- Part parsers --------------------------------------------------------------------------------
// [ordinal | last | middle | any] [card | background] (button | graphic | field | part) operand.
// *layer is layercard or layerbackground (a field without a layer word is a background field,
// the others card objects); *type the object type filter.
scriptstatus viewspot(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, u16* layer,
                      u16* type, selpart* part);
// `object` [id] operand.
scriptstatus viewiota(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, selpart* part);
// One card, background or window part: *kind 4, 5 or 6, or 0 when the atoms hold none (nothing
// used). With `wordfirst` 0 the part must begin with `of`.
scriptstatus viewcard(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                      u16* kind, selpart* part);
// One menu (*kind 2) or item (*kind 1) part, or 0; flag as viewcard.
scriptstatus viewmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                      u16* kind, selpart* part);
// The project part: `this project`, `project` alone (the current project), or [project] and a
// name or path; a name of unknown bare words is the rest of the line.
scriptstatus viewstack(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, selpart* part);
// The source text from atom `at` to the end of its line (empty and 0 atoms at the end of the
// line). 14 for more than 254 characters.
i16 grabstring(Handle text, Handle atoms, i32 at, StringPtr out, i32* used);

// --- Destinations --------------------------------------------------------------------------------
// Card, background, window and project parts in a chain (each optional); flag as viewcard.
scriptstatus buildform(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                       form* f);
// A menu part and a project part; flag as viewcard.
scriptstatus buildtray(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                       tray* t);

// --- Objects in an object list ---------------------------------------------------------------------
// The 0-based index in the whole list of the object a selector part names among the objects of
// the type filter (typeany: every object). 11 when none matches. The selectors prev, next and
// none leave *index unchanged and answer 0.
i16 getspotoff(Handle list, u16 type, const selpart& part, i32* index);
i32 countspots(Handle list, u16 type);
i16 getspotbynum(Handle list, u16 type, i32 n, i32* index);
i16 getspotbyid(Handle list, u16 type, u32 id, i32* index);
i16 getspotbyname(Handle list, u16 type, ConstStringPtr name, i32* index);

// --- Objects embedded in a field's text --------------------------------------------------------------
// The embedded objects of the field a descriptor names, as the text engine holds them: kind
// 'iota' objects count, others only take positions. 225 when none matches (also when the
// field's text cannot be had).
i16 getiotaoff(const objread& field, const selpart& part, i32* position);
i32 countiotas(const objread& field);

}  // namespace kv
