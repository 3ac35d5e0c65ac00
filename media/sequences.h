// Animations from pictures: picture sequences (a resource file whose 'PICT' resources are the
// frames, recorded from the card by `open pics`, `record pics`, `close pics` and shown by
// `play pics`) and film strips (one picture cut into equal cells, opened under a name by
// `open film`, animated by `play film`, freed by `close film`).
#pragma once

#include "engine/hier.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// `open pics [file] name [at rect]`, at the word "pics": the file "name" of type 'PICS' and
// creator '????' whose resources are kept in "name.rsrc" beside it.
scriptstatus openpics(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `record pics`: the card drawn as the next frame ('PICT' 128, 129, ...).
i16 recordpics();
// `close pics [file]`; with `report` clear (closing all user files) a closed sequence is quiet.
i16 closepics(bool report, Handle atoms, i32 at);
// `play pics [file] name` with its options, at the word "pics".
scriptstatus playpics(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The 'PICT' resource of that name of the current project, copied into a new handle with its
// frame's corners in order: 1, or 0 when there is none (or memory is refused).
i16 lowpict(ConstStringPtr name, Handle* picture);
// Draws the pixels of `src` (a rectangle of the world) at `dst` of the current port in a
// transfer mode: below 256 through CopyBits (in black and white) and the world's mask region,
// from 256 on blended by the pixels' alpha (256 straight, 257 and 258 pre-multiplied).
void drawgworld(GWorldPtr world, const Rect& src, const Rect& dst, i16 mode, RgnHandle mask);

// `open film [data | file | resource] name [using point]` or `open film container value as
// name [using point]`, at the word "film": `it` gets the picture's bounds.
scriptstatus openfilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `play film name` with its options, at the word "film".
scriptstatus playfilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `close film name`, at the word "film".
scriptstatus closefilm(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Frees every open film (quit).
void closeallfilms();

}  // namespace kv
