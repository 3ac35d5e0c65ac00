// The procedure types of a text record's hooks. A record measures, breaks, classifies, draws and
// erases text only through these; the engine's standard procedures fill every hook its creator
// left empty, and the program's own (returns-only breaks, tab stops, coloured erasing) replace
// some. Every procedure of one hook has the hook's type, so the standard and the program's
// procedures take the same arguments and each uses those it needs; the record comes last.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/text/textservices.h"
#include "platform/types.h"

namespace kv {

using WEReference = RegistryId;

// Draws `length` bytes at the pen, spreading `slop` (16.16) over the spaces; styleRunPosition
// tells where the segment lies on its line (0 alone, 1 first, 2 last, 3 middle).
using WEDrawTextProcPtr = void (*)(const u8* text, i32 length, Fixed slop, i16 styleRunPosition, WEReference we);
// The byte offset a width (16.16, in/out: what is left of it) reaches into the segment, and
// whether the hit lies on a character's leading edge. startPosition is the segment's pixel
// position on its line.
using WEPixelToCharProcPtr = i32 (*)(const u8* text, i32 length, Fixed slop, Fixed* width, bool* leadingEdge,
                                     i16 styleRunPosition, i32 startPosition, WEReference we);
// The pixel position of a byte offset in the segment.
using WECharToPixelProcPtr = i32 (*)(const u8* text, i32 length, Fixed slop, i32 offset, i16 direction,
                                     i16 styleRunPosition, i32 startPosition, WEReference we);
// Breaks a line: text points at the line's start (length bytes to the text's end); the run
// [start, end) is measured against *width (16.16, in/out). Answers 0 a word break, 1 a
// character break, 2 the run fits (the line goes on), with the break offset in *offset.
using WELineBreakProcPtr = i16 (*)(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset,
                                   WEReference we);
// The word around an offset, into offsets[0].
using WEWordBreakProcPtr = void (*)(const u8* text, i32 length, i32 offset, bool leadingEdge, OffsetTable offsets,
                                    i16 script, WEReference we);
// The byte class (first, last or single byte) and the character type of the byte at offset.
using WECharByteProcPtr = i16 (*)(const u8* text, i32 length, i32 offset, i16 script, WEReference we);
using WECharTypeProcPtr = i16 (*)(const u8* text, i32 length, i32 offset, i16 script, WEReference we);
// Called while a click is tracked; false stops the tracking.
using WEClickLoopProcPtr = bool (*)(WEReference we);
// Told after the record scrolled or its text height changed.
using WEScrollProcPtr = void (*)(WEReference we);
// Shows or hides the hilite of a drop area.
using WEHiliteDropAreaProcPtr = OSErr (*)(u32 drag, bool show, WEReference we);
// Erases a rectangle of the record's port.
using WEEraseProcPtr = void (*)(const Rect* r, WEReference we);
// Underlines inline-input text within a segment's rectangle.
using WEDrawTSMHiliteProcPtr = void (*)(const Rect* r, u16 hiliteStyle, WEReference we);
// Told after `delta` bytes were inserted (positive) or removed (negative) at offset.
using WEFluxProcPtr = void (*)(i32 offset, i32 delta, WEReference we);
// Font tables: decides the local family of a font name (in/out), given the family the table
// stored; and may rewrite the name given for a family (in/out).
using WEFontNameToFamilyProcPtr = OSErr (*)(ConstStringPtr name, i16 storedFamily, i16* family);
using WEFontFamilyToNameProcPtr = OSErr (*)(i16 family, Str255 name);

// --- Embedded objects --------------------------------------------------------------------
// An object's descriptor is a memory block (a Handle id); the style run of the object's one
// character holds that id as its object reference.
using WEObjectDescHandle = Handle;
// An object's size (v: height, h: width) and its baseline: how many pixels its bottom edge
// lies above the baseline of its line (negative: below it).
struct WEObjectPlacement {
  Point size;
  i16 baseline;
};
// The handlers of an object kind. new fills in the natural placement (status; non-zero cancels
// the object); free answers a status, after which the engine treats the data as gone; draw
// draws into a rectangle of the current port; click answers true when it took the click (the
// modifiers plus 1 for a double click's second click); stream may give the data in another
// kind (*kind) or block (*data, which it may replace), -1708 when it does not handle the
// request; hover hears 0 when the mouse enters the object, 1 while it stays, 2 when it leaves,
// and answers 0 when it set the cursor.
using WENewObjectProcPtr = OSErr (*)(WEObjectPlacement* placement, WEObjectDescHandle object);
using WEDisposeObjectProcPtr = OSErr (*)(WEObjectDescHandle object);
using WEDrawObjectProcPtr = OSErr (*)(const Rect* destRect, WEObjectDescHandle object);
using WEClickObjectProcPtr = bool (*)(Point hitPt, u16 modifiers, u32 clickTime, WEObjectDescHandle object);
using WEStreamObjectProcPtr = OSErr (*)(i16 flags, OSType* kind, Handle* data, WEObjectDescHandle object);
using WEHoverObjectProcPtr = OSErr (*)(i16 state, Point mouse, RgnHandle frame, WEObjectDescHandle object);

}  // namespace kv
