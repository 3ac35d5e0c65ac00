// The styled-text engine's interface: text records (`WEReference`, a registry id of type
// werec, checked on every call), their element records, the engine's 32-bit coordinates, the
// keyed attachments of a record and the calls the rest of the system makes on records.
//
// A call on none or on a disposed record changes nothing and answers as for none: status
// calls give paramErr, accessors their neutral answer (0, an empty range, nothing copied).
// Text offsets are signed 32-bit byte offsets; ranges are half-open [start, end).
#pragma once

#include <string>
#include <vector>

#include "platform/memory/stored.h"
#include "platform/print/print.h"
#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "textengine/wehooks.h"

namespace kv {

// WEReference (a RegistryId of RegType::werec) is declared with the hook types.

constexpr OSErr weBadReferenceErr = paramErr;
constexpr OSErr weNoPropertyErr = -5751;  // the record or object has no such property
constexpr OSErr weBufferTooSmallErr = -9471;
constexpr u32 kWEVersion = 0x02006003;

// --- Long coordinates ------------------------------------------------------------------------
// Points and rectangles of 32-bit coordinates, in QuickDraw's field order.
struct LongPoint {
  i32 v, h;
};
struct LongRect {
  i32 top, left, bottom, right;
};
inline bool operator==(const LongPoint& a, const LongPoint& b) { return a.v == b.v && a.h == b.h; }
inline bool operator==(const LongRect& a, const LongRect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// high when value > high, low when value < low, else value.
i32 _WEPinInRange(i32 value, i32 low, i32 high);
void WEPointToLongPoint(Point p, LongPoint* lp);
void WERectToLongRect(const Rect* r, LongRect* lr);
// Note the argument order, which differs from the field order.
void WESetLongRect(LongRect* lr, i32 left, i32 top, i32 right, i32 bottom);
void WEOffsetLongRect(LongRect* lr, i32 hOffset, i32 vOffset);
void WEInsetLongRect(LongRect* lr, i32 hInset, i32 vInset);
// The bottom and right edges are outside.
bool WELongPointInLongRect(const LongPoint* lp, const LongRect* lr);
// Narrowing: above 32,767 becomes 32,767, below -32,767 becomes -32,767.
void WELongPointToPoint(const LongPoint* lp, Point* p);
void WELongRectToRect(const LongRect* lr, Rect* r);

// --- Element records -------------------------------------------------------------------------
// These are copied byte for byte by scraps, streams and undo (in host byte order).

// A text style as callers pass it: the 40 bytes of a style after its run metrics.
// `direction` is the face mask of a style being applied; in a stored style its top bit marks a
// right-to-left run. `hiliteStyle` is the inline-input hilite style.
// clang-format off
#define KV_WETEXTSTYLE_FIELDS(F)                                                                 \
  F(i16, font, 0) F(u8, face, 2) F(u8, direction, 3) F(i16, size, 4) F(RGBColor, color, 6)        \
  F(u32, object, 12) F(u16, hiliteStyle, 16) F(i16, vShift, 18) F(RGBColor, backColor, 20)         \
  F(u16, transferMode, 26) F(u8, extraFace, 28) F(u8, extraFaceMask, 29) F(u16, setting, 30)       \
  F(u32, encoding, 32) F(u32, language, 36)
KV_STORED_RECORD(WETextStyle, 40, KV_WETEXTSTYLE_FIELDS)

// A style as the style table and the null style hold it.
#define KV_WESTYLE_FIELDS(F) F(u16, runHeight, 0) F(u16, runAscent, 2) F(WETextStyle, ts, 4)
KV_STORED_RECORD(WEStyle, 44, KV_WESTYLE_FIELDS)

// A paragraph's ruler. Indents, spacing and space before and after are 16.16 pixels; the
// reserved bytes are copied and compared with the whole ruler and read by nothing.
using WERulerReserved = bytes<126>;
#define KV_WERULER_FIELDS(F)                                                                     \
  F(i8, alignment, 0) F(i8, direction, 1) F(u8, setting, 2) F(u8, borderStyle, 3)                 \
  F(Fixed, leftIndent, 4) F(Fixed, rightIndent, 8) F(Fixed, firstLineIndent, 12)                   \
  F(Fixed, lineSpacing, 16) F(Fixed, spaceBefore, 20) F(Fixed, spaceAfter, 24)                     \
  F(u16, paraFlags, 28) F(WERulerReserved, reserved, 30) F(u32, userValue, 156)
KV_STORED_RECORD(WERuler, 160, KV_WERULER_FIELDS)

// A laid-out line. lineOrigin is the line's top relative to the destination's top; the top
// bit of lineAscent marks the first line of a paragraph.
#define KV_WELINEREC_FIELDS(F)                                                                   \
  F(i32, lineStart, 0) F(i32, lineOrigin, 4) F(u16, lineAscent, 8) F(i16, lineSlop, 10)           \
  F(i16, lineIndent, 12) F(Fixed, lineJustDelta, 14)
KV_STORED_RECORD(WELineRec, 18, KV_WELINEREC_FIELDS)

#define KV_WERUNENTRY_FIELDS(F) F(i32, runStart, 0) F(i32, styleIndex, 4)
KV_STORED_RECORD(WERunEntry, 8, KV_WERUNENTRY_FIELDS)
#define KV_WEPARARUNENTRY_FIELDS(F) F(i32, paraStart, 0) F(i32, rulerIndex, 4)
KV_STORED_RECORD(WEParaRunEntry, 8, KV_WEPARARUNENTRY_FIELDS)
#define KV_WESTYLETABLEENTRY_FIELDS(F) F(i32, refCount, 0) F(WEStyle, style, 4)
KV_STORED_RECORD(WEStyleTableEntry, 48, KV_WESTYLETABLEENTRY_FIELDS)
#define KV_WERULERTABLEENTRY_FIELDS(F) F(i32, refCount, 0) F(WERuler, ruler, 4)
KV_STORED_RECORD(WERulerTableEntry, 164, KV_WERULERTABLEENTRY_FIELDS)

// A style run as the run-info calls give it: its range and the style from runHeight through
// the object reference.
#define KV_WERUNINFO_FIELDS(F)                                                                   \
  F(i32, runStart, 0) F(i32, runEnd, 4) F(u16, runHeight, 8) F(u16, runAscent, 10) F(i16, font, 12) \
  F(u8, face, 14) F(u8, direction, 15) F(i16, size, 16) F(RGBColor, color, 18) F(u32, object, 24)
KV_STORED_RECORD(WERunInfo, 28, KV_WERUNINFO_FIELDS)

// A paragraph run: its range and its ruler.
#define KV_WEPARAINFO_FIELDS(F) F(i32, paraStart, 0) F(i32, paraEnd, 4) F(WERuler, ruler, 8)
// clang-format on
KV_STORED_RECORD(WEParaInfo, 168, KV_WEPARAINFO_FIELDS)

// --- Features --------------------------------------------------------------------------------
enum : i16 {
  weFAutoScroll = 0,      // the selection is scrolled into view after edits and click loops
  weFOutlineHilite = 2,   // an inactive record outlines its selection
  weFReadOnly = 5,        // editing operations refuse
  weFUndo = 6,            // edits are recorded for undo
  weFIntCutAndPaste = 7,  // cut and paste adjust the spaces around words
  weFDragAndDrop = 8,     // the selection can be dragged
  weFInhibitRecal = 9,    // edits neither lay out nor draw
  weFUseTempMem = 10,     // text, runs, tables, scraps and actions prefer temporary memory
  weFDrawOffscreen = 11,  // lines are drawn through an offscreen world
  weFInhibitRedraw = 12,  // layout is recalculated, nothing is drawn
  weFMonoStyled = 13,     // only plain text moves in and out
  weFMultipleUndo = 14,
  weFRTFDocument = 28,     // set by the RTF reader for a document property
  weFNoKeyboardSync = 29,  // the keyboard script is kept when the null style changes
  weFPlainColor = 31,      // plain drawing in colour environments
};

// Procedures kept in the record fields whose callers are not built yet (the inline-input,
// drag, undo and printing procedures); the hooks have their own types (wehooks.h). Every
// procedure field is a procedure pointer's full width.
using WEProcPtr = void (*)();

// --- Style modes -----------------------------------------------------------------------------
// Which attributes of a text style a style change copies (_WECopyStyle and the style setters).
enum : u32 {
  weDoFont = 0x1,  // font (0 is the system font, 1 the application font)
  weDoFace = 0x2,  // face, added to the old one unless toggled or replaced
  weDoSize = 0x4,  // size (0 is 12), pinned to 1..32767
  weDoColor = 0x8,
  weDoAddSize = 0x10,      // the size is added to the old one
  weDoToggleFace = 0x20,   // with weDoFace: toggle
  weDoReplaceFace = 0x40,  // with weDoFace: replace
  weDoFaceMask = 0x200,    // face := (face AND mask) OR (old AND NOT mask)
  weDoExtraFace = 0x00400000,
  weDoExtraFaceMask = 0x00800000,
  weDoLanguage = 0x01000000,
  weDoSetting = 0x02000000,  // the u16 setting (the underline style)
  weDoTransferMode = 0x04000000,
  weDoBackColor = 0x08000000,
  weDoShift = 0x10000000,  // vertical shift, pinned to -8192..8191
  weDoAddShift = 0x20000000,
  weDoHilite = 0x40000000,  // the inline-input hilite style (otherwise every copy clears it)
  weDoObject = 0x80000000,  // the embedded object (and the hilite style cleared)
  weDoAll = 0x1F40004F,     // every attribute but the object and the hilite style
};

// Ruler copy mode bits (WEContinuousRuler and the ruler setters).
enum : u16 {
  weDoDirection = 0x1,
  weDoAlignment = 0x2,
  weDoLeftIndent = 0x4,
  weDoRightIndent = 0x8,
  weDoFirstLineIndent = 0x10,
  weDoLineSpacing = 0x20,
  weDoSpaceBefore = 0x40,
  weDoSpaceAfter = 0x80,
  weDoRulerSetting = 0x200,
  weDoBorderStyle = 0x400,
  weDoAllRuler = 0x6FF,
};

// --- Creation and disposal -------------------------------------------------------------------
// A record with empty text drawing into the current port; null rectangles are empty. On
// failure nothing is left behind, *out is none and the memory error is returned.
OSErr WENew(const LongRect* destRect, const LongRect* viewRect, u32 features, WEReference* out);
void WEDispose(WEReference we);  // none is ignored
bool isvalidwerec(WEReference we);
// Makes the handle the record's text (the record owns it; the old text is freed unless it is
// the same handle) and resets runs, paragraph runs, lines, objects and the selection. Layout
// waits for WECalText.
OSErr WEUseText(Handle text, WEReference we);
u32 WEVersion();
// Feature n: action 1 sets, 0 clears, -1 tests, -2 toggles; answers the state before.
i16 WEFeatureFlag(i16 feature, i16 action, WEReference we);

// --- Accessors (read-only, no allocation; indexes are pinned) -------------------------------
Handle WEGetText(WEReference we);
i32 WEGetTextLength(WEReference we);
// The byte at the offset, 0 outside [0, text length).
u8 WEGetChar(i32 offset, WEReference we);
void WEGetSelection(i32* start, i32* end, WEReference we);  // either may be null
void WEGetDestRect(LongRect* r, WEReference we);
void WESetDestRect(const LongRect* r, WEReference we);
void WEGetViewRect(LongRect* r, WEReference we);
// Also rebuilds the view region. Neither setter lays out or draws.
void WESetViewRect(const LongRect* r, WEReference we);

i32 WECountLines(WEReference we);
i32 WEOffsetToLine(i32 offset, WEReference we);
void WEGetLineRange(i32 line, i32* start, i32* end, WEReference we);
// The height of lines [startLine, endLine), the two pinned and put in order first.
i32 WEGetHeight(i32 startLine, i32 endLine, WEReference we);

i32 WECountRuns(WEReference we);
i32 WEOffsetToRun(i32 offset, WEReference we);
void WEGetRunRange(i32 run, i32* start, i32* end, WEReference we);  // end capped at the text length
void WEGetIndRunInfo(i32 run, WERunInfo* info, WEReference we);
void WEGetRunInfo(i32 offset, WERunInfo* info, WEReference we);  // offset -1: the selection start
// 1 when the run at the offset (-1: the selection start) is right to left; outside the text,
// whether the system direction is right to left.
i16 WEGetRunDirection(i32 offset, WEReference we);

i32 WECountParaRuns(WEReference we);
i32 WEOffsetToParaRun(i32 offset, WEReference we);
void WEGetParaRunRange(i32 paraRun, i32* start, i32* end, WEReference we);
void WEGetIndParaInfo(i32 paraRun, WEParaInfo* info, WEReference we);
void WEGetParaInfo(i32 offset, WEParaInfo* info, WEReference we);  // offset -1: the selection start
// The alignment and direction of the paragraph holding the selection start.
i8 WEGetAlignment(WEReference we);
i8 WEGetDirection(WEReference we);

// --- Continuous style, font tables and Unicode -----------------------------------------------
constexpr OSErr weMalformedScrapErr = -1702;  // a scrap, table or run array that does not hold together
constexpr OSErr weNewerVersionErr = -1706;    // a font table of a version this engine does not read

// Which of the requested attributes (*mode, limited to font, face, size, colour and face mask)
// hold across the selection: the bits of those that do stay set, and *style gets the first
// run's font, face, size and colour (the face bits common to every run; with weDoFaceMask the
// union of the faces as the mask). At an insertion point, the null style and true. True when
// every requested attribute holds.
bool WEContinuousStyle(u16* mode, WETextStyle* style, WEReference we);
// The same for the ruler fields (*mode limited to weDoAllRuler) across the selected
// paragraphs; *ruler (may be null) gets the first paragraph's requested fields.
bool WEContinuousRuler(u32* mode, WERuler* ruler, WEReference we);

// A font table ('FISH'): a 16-byte header {'FISH', version 0x01018000, entry count, 0}, then
// per family {stored family, local family, text encoding, 0, offset of its name}, then the
// length-prefixed names, each padded to a multiple of 4 bytes. Host byte order.
// WEUpdateFontTable maps each name to this machine's family (a font that is not installed
// to its script's default font; the hook may decide) and sets *changed when any differs.
// nilHandleErr, weMalformedScrapErr or weNewerVersionErr for a table that cannot be read.
OSErr WEUpdateFontTable(Handle fontTable, WEFontNameToFamilyProcPtr hook, u8* changed);
// Renumbers the fonts of a 'styl' scrap by a font table WEUpdateFontTable mapped.
OSErr WEUpdateStyleScrap(Handle styleScrap, Handle fontTable);
// The font table of the whole text (the families of its styles, each once); the hook (else
// the record's 'ff2n' hook) may rewrite the names.
OSErr WEBuildFontTable(Handle fontTable, WEFontFamilyToNameProcPtr hook, WEReference we);

// Options of WEGetTextRangeAsUnicode.
enum : u32 {
  weGetAddUnicodeBOM = 0x200,  // a byte-order mark first
  weGetLittleEndian = 0x400,   // UTF-16 units with their bytes swapped
};
// The range [start, end) (-1: the selection's) as Unicode in the given variant and format (0
// UTF-16 in host order, 2 UTF-8) into `unicode`. The run arrays of the range's character and
// paragraph formats ('WEcf', 'WEpf': {i32 offset, i32 index} entries, either may be none)
// have their offsets moved to the same places in the Unicode. In UTF-16 a return becomes
// U+2029 and an object's placeholder U+FFFC. nilHandleErr without `unicode`, paramErr for an
// end before the start, weMalformedScrapErr for run arrays whose offsets descend or leave the
// range.
OSErr WEGetTextRangeAsUnicode(i32 start, i32 end, Handle unicode, Handle charFormat, Handle paraFormat, u32 variant,
                              u32 format, u32 options, WEReference we);

// --- Layout and text (replaced as line layout and the put family land) ---------------------
// Lays the whole text out again for the destination's width.
OSErr WECalText(WEReference we);

// Draws the record's text into its port: the part of the view inside the region (none: the
// whole view).
void WEUpdate(RgnHandle updateRgn, WEReference we);

// --- Undo and redo ---------------------------------------------------------------------------
// The modification count: raised by every edit and redo, lowered by every undo; the reset also
// drops the undo history.
i32 WEGetModCount(WEReference we);
void WEResetModCount(WEReference we);

constexpr OSErr weCantUndoErr = -10015;   // nothing to undo or redo
constexpr OSErr weActionGroupErr = -603;  // a group is open (or none is, for WEEndAction)

// Kinds of undo actions.
enum : i16 {
  weAKNone = 0,
  weAKInsert = 1,  // text put or an object inserted
  weAKTyping = 2,
  weAKCut = 3,
  weAKPaste = 4,
  weAKClear = 5,
  weAKDrop = 6,
  weAKStyle = 7,
  weAKRuler = 8,
  weAKBackspace = 9,
  weAKFwdDelete = 10,
  weAKCaseChange = 11,
  weAKObjectChange = 12,  // an object's size, baseline or placement
};

// Undo takes back the last action (with single undo, an empty undo stack redoes the last undone
// one); redo does the last undone one again. weActionGroupErr while a group is open,
// weCantUndoErr when there is nothing to do, weReadOnlyErr on a read-only record.
OSErr WEUndo(WEReference we);
OSErr WERedo(WEReference we);
// Every action between begin and end becomes one, undone and redone in one step and given the
// kind at the end (paramErr for a kind below 1).
OSErr WEBeginAction(WEReference we);
OSErr WEEndAction(i16 kind, WEReference we);
// The kind of the action undo would take next; *redo (may be null) tells whether it is a redo.
i16 WEGetUndoInfo(bool* redo, WEReference we);
// The kind of the n-th undo action (n > 0, 1 the top) or the n-th redo action (n < 0); 0 for 0
// or beyond the stack.
i16 WEGetIndUndoInfo(i32 index, WEReference we);
// Whether the caret stands at the end of a typing action that the next key would extend.
bool WEIsTyping(WEReference we);
void WEClearUndo(WEReference we);

// --- Editing ------------------------------------------------------------------------------------
// Every edit answers weReadOnlyErr, changing nothing, on a read-only record (feature 5).
// A key: the arrows (28-31) move the selection, backspace (8) and forward delete (127) delete,
// any other byte is typed (a two-byte character's first byte is held until its second comes).
OSErr WEKey(u16 key, u16 modifiers, WEReference we);
// Deletes the selection (widened by intelligent cut); nothing for an empty one.
OSErr WEDelete(WEReference we);
// Replaces the selection with an object of the kind holding the data (the object owns it); size
// 0 lets the kind's handler decide.
OSErr WEInsertObject(OSType kind, Handle data, Point size, WEReference we);
// Sets the mode's attributes of the style over the selection (at an insertion point, the style
// the next typed character takes).
OSErr WESetStyle(u32 mode, const WETextStyle* style, WEReference we);
// Sets the mask's fields of the ruler over the paragraphs of the selection.
OSErr WESetRuler(u16 mask, const WERuler* ruler, WEReference we);
// Alignment (-2 left, -1 right, 0 by direction, 1 centred, 2 justified) and direction of the
// selected paragraphs.
OSErr WESetAlignment(i8 alignment, WEReference we);
OSErr WESetDirection(i8 direction, WEReference we);
// Applies a 'styl' scrap to the selection, or the objects of a 'SOUP' at its start.
OSErr WEUseStyleScrap(Handle styleScrap, WEReference we);
OSErr WEUseSoup(Handle soup, WEReference we);
// Upper case (upper non-zero) or lower case over the selection, by the script of each run.
OSErr WEChangeCase(u16 upper, WEReference we);
// Ends inline input in progress (edits call it first).
// Asks the input method to confirm the text being composed in the record (nothing without an
// active input area).
void WEStopInlineSession(WEReference we);

// --- Cut and paste ---------------------------------------------------------------------------
// The clipboard into the selection: 'TEXT' with the engine's styled flavours ('WEcf' and 'WEst'
// before 'styl'; rulers and objects where the field allows objects; none for a plain paste,
// the program's styled-paste switch off, or a mono-styled record), 'utxt' when preferred or
// alone, else an object of a registered kind where the field allows objects. -102 when the
// clipboard holds nothing usable. The preference for 'utxt' holds for the next paste only.
OSErr WEPaste(WEReference we);
bool WECanPaste(WEReference we);
void WESetPreferUTXTFlag(u16 prefer);
// The selection onto the clipboard, then deleted.
OSErr WECut(WEReference we);
// The clipboard's 'TEXT' without each line's leading white space (unless the caret stands in a
// quoted string), blanks outside quotes made spaces. -102 without 'TEXT'.
OSErr WEPasteTextMinusIndenting(WEReference we);
// Whether an odd number of '"' bytes lie before min(offset, the text's size).
bool inquote(Handle text, i32 offset);

// --- Attributes ------------------------------------------------------------------------------
// Every character and paragraph format by four-character tag ('font', 'ptsz', 'bold', 'pjst',
// 'lein', ...), each value of its tag's fixed size, in host order.
constexpr OSErr weUnknownAttributeValueErr = -9466;  // a tag value outside its list
constexpr OSErr weNotSettableErr = -9470;            // an attribute that can only be read
constexpr OSErr weDuplicateAttributeErr = -9472;     // one format set twice in one call
// The size of the tag's value (0 for any size, and for an unknown tag).
i32 _WEGetAttributeSize(OSType tag);
// Reads attributes at an offset (-1 the selection start; -2 likewise, but the style the next
// typed character takes at an insertion point). paramErr for an unknown tag,
// weBufferTooSmallErr for a size other than the tag's.
OSErr WEGetAttributes(i32 offset, i32 count, const OSType* tags, void* const* values, const i32* sizes, WEReference we);
OSErr WEGetOneAttribute(i32 offset, OSType tag, void* value, i32 size, WEReference we);
// Sets attributes over [start, end) (start -1: the selection); paragraph attributes take whole
// paragraphs. On an empty range the character attributes set the next typed character's style.
OSErr WESetAttributes(i32 start, i32 end, i32 count, const OSType* tags, const void* const* values, const i32* sizes,
                      WEReference we);
OSErr WESetOneAttribute(i32 start, i32 end, OSType tag, const void* value, i32 size, WEReference we);
// Which of `count` candidate values (each `size` bytes, one after another) the attribute takes
// somewhere in [start, end) (-1: the selection's ends): matches[i] is 1 for those it takes;
// *continuous tells whether it is the same throughout.
OSErr WEMatchAttributes(i32 start, i32 end, OSType tag, i32 size, i32 count, const void* candidates, u8* matches,
                        bool* continuous, WEReference we);

// The port the record draws into.
CGrafPtr WEGetPort(WEReference we);
void WESetPort(CGrafPtr port, WEReference we);

// --- Selectors, properties and user info ----------------------------------------------------
// A record field by four-character selector ('refc', 'text', 'clik', 'lbrk', ...). The value is
// the field's own width: 4 bytes for refCon and the ids ('refc', 'text', 'prop', 'tsmd',
// 'drag', 'ausd', 'tluc'), a WEProcPtr for the hooks. paramErr for any other selector.
OSErr WEGetInfo(OSType selector, void* value, WEReference we);
OSErr WESetInfo(OSType selector, const void* value, WEReference we);

// Properties: bytes kept under {creator, tag}. WEGetProperty copies at most `size` bytes into
// data (when given) and the property's size into *outSize (when given); weNoPropertyErr when
// the record has no such property.
OSErr WESetProperty(OSType creator, OSType tag, i32 size, const void* data, WEReference we);
OSErr WEGetProperty(OSType creator, OSType tag, i32 size, i32* outSize, void* data, WEReference we);
OSErr WERemoveProperty(OSType creator, OSType tag, WEReference we);

// User info: 32-bit values under nonzero four-character tags. paramErr for tag 0, and for an
// absent tag when reading (leaving *value untouched) or removing.
OSErr WESetUserInfo(OSType tag, i32 value, WEReference we);
OSErr WEGetUserInfo(OSType tag, i32* value, WEReference we);
OSErr WERemoveUserInfo(OSType tag, WEReference we);

// --- Program hooks ----------------------------------------------------------------------------
// The returns-only line break (fields that do not wrap): installing it, removing it (the
// standard break comes back) and asking for it.
OSErr WEInstallCrOnlyHook(WEReference we);
OSErr WERemoveCrOnlyHook(WEReference we);
bool WEIsCrOnly(WEReference we);
// The erase that restores the program's colours.
OSErr WEInstallEraseHook(WEReference we);
OSErr WERemoveEraseHook(WEReference we);
// Tab stops every tab size pixels: the tab hooks (with the returns-only break for fields that
// do not wrap), the tab marker (property 'VIZU'/'tabs') and the size ('tbsz'; 0 takes the
// global tabSize). A size of 0 or below counts as 36 wherever it is met.
OSErr WEInstallTabHooks(WEReference we, i32 tabSize);
OSErr WERemoveTabHooks(WEReference we);
bool WEIsTabHooks(WEReference we);
i32 WEGetTabSize(WEReference we);
// Nothing while a paste runs; a size of 0 or below takes the global tabSize (36 when that is 0).
OSErr WESetTabSize(i32 size, WEReference we);
// After the global tabSize changed: the tab size of the live record of every field of the two
// text-engine styles in the open windows (none while a paste runs).
void resetglobaltabs();


// --- Embedded objects ------------------------------------------------------------------------
constexpr OSErr weReadOnlyErr = -9476;         // the record is read-only
constexpr OSErr weObjectNotFoundErr = -9477;   // no object there
constexpr OSErr weHandlerNotFoundErr = -9478;  // no handler row for the kind
constexpr OSErr weNotHandledErr = -1708;       // a stream handler leaves the request to the engine
constexpr OSErr weHandlerNotInstalledErr = -1717;

// An object's fields. The size is one 32-bit value: (width << 16) | height.
OSType WEGetObjectType(WEObjectDescHandle object);
Handle WEGetObjectDataHandle(WEObjectDescHandle object);
WEReference WEGetObjectOwner(WEObjectDescHandle object);
u32 WEGetObjectRefCon(WEObjectDescHandle object);
i32 WEGetObjectOffset(WEObjectDescHandle object);
u32 WEGetObjectSize(WEObjectDescHandle object);
i16 WEGetObjectBaseline(WEObjectDescHandle object);
void WESetObjectRefCon(WEObjectDescHandle object, u32 refCon);
void WESetObjectDataHandle(WEObjectDescHandle object, Handle data);
// A new size (v: height, h: width), baseline or both: weReadOnlyErr for a read-only owner,
// 0 at once when nothing changes; otherwise the change is recorded for undo and the object's
// character laid out and drawn again.
OSErr WESetObjectSize(WEObjectDescHandle object, Point size);
OSErr WESetObjectBaseline(WEObjectDescHandle object, i16 baseline);
OSErr WESetObjectPlacement(WEObjectDescHandle object, const WEObjectPlacement* placement);
// An object's properties under {creator, tag}: weNoPropertyErr when the object has none.
OSErr WESetObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, const void* data);
OSErr WEGetObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, i32* outSize, void* data);
OSErr WERemoveObjectProperty(WEObjectDescHandle object, OSType creator, OSType tag);

// The object of the style run holding the offset (weObjectNotFoundErr for none).
OSErr WEGetObjectAtOffset(i32 offset, WEObjectDescHandle* object, WEReference we);
// The nearest object after the offset (-1: the first object), or before it (-1: before the
// text's end): its offset, or -1 and none.
i32 WEFindNextObject(i32 offset, WEObjectDescHandle* object, WEReference we);
i32 WEFindPreviousObject(i32 offset, WEObjectDescHandle* object, WEReference we);
// The object the selection is, when it is one character carrying an object.
OSErr WEGetSelectedObject(WEObjectDescHandle* object, WEReference we);
// Where the object lies, in the record's long coordinates (weObjectNotFoundErr when its
// character's run does not carry it).
OSErr WEGetObjectFrame(WEObjectDescHandle object, LongRect* frame);

// Handlers of object kinds, for one record or (none) for all records. Selectors: 'new ',
// 'free', 'draw', 'clik', 'strm', 'hovr', and 'refc' (the value kept for new objects, given as
// the low 32 bits of the handler). paramErr for an unknown selector; weHandlerNotFoundErr when
// the kind has no row; weHandlerNotInstalledErr for a handler that is not the installed one,
// or an empty field.
OSErr WEInstallObjectHandler(OSType kind, OSType selector, WEProcPtr handler, WEReference we);
OSErr WERemoveObjectHandler(OSType kind, OSType selector, WEProcPtr handler, WEReference we);
OSErr WEGetObjectHandler(OSType kind, OSType selector, WEProcPtr* handler, WEReference we);

// --- Putting text, streaming ranges and the clipboard ----------------------------------------
// The record's own 8-bit text, and UTF-16 in host order: the two encodings WEPut takes.
constexpr u32 kTextEncodingWEText = 0xFFF;

// Replaces [start, end) (-1: the selection's) with the text and applies the flavours given
// with it: 'WEcf' with 'WEst' (the engine's runs and styles, preferred), else 'styl' (with
// 'FISH' renumbering its fonts), and, in fields that allow objects, 'SOUP' and 'WEpf' with
// 'WEru'. Options: 0x1 adds a space where words would run together, 0x200 lets UTF-16 begin
// with a byte-order mark. paramErr for start after end, -9469 for an odd UTF-16 length, -9473
// for another encoding, weReadOnlyErr for a read-only record, -1702 for a flavour that does
// not hold together. The selection follows the text (see the put rules).
OSErr WEPut(i32 start, i32 end, const void* text, i32 length, u32 encoding, u32 options, i32 flavorCount,
            const OSType* flavorTypes, const Handle* flavorHandles, WEReference we);
// WEPut at the selection of the record's own text with 'styl', 'SOUP' (and 'WEpf', 'WEru');
// null handles are passed over; intelligent paste follows feature 7.
OSErr WEInsert(const void* text, i32 length, Handle styles, Handle soup, WEReference we);
OSErr WEInsertFormattedText(const void* text, i32 length, Handle styles, Handle soup, Handle paraFormat, Handle rulers,
                            WEReference we);

// A range (-1: the selection's start or end) in one flavour into the block: 'TEXT', 'utxt',
// 'UTF8', 'styl', 'STXT', 'WEcf', 'WEst', 'WEpf', 'WEru', 'SOUP', 'FISH'. Flags: 0x100 puts
// the objects into 'WEst'; the low byte goes to the objects' stream handlers (2: the copy is
// for the engine's own stored text or undo). nilHandleErr without a block, paramErr for start
// after end, -1852 for a flavour not streamed.
OSErr WEStreamRange(i32 start, i32 end, OSType flavor, u16 flags, Handle block, WEReference we);
// 'TEXT', 'styl' and 'SOUP' (for the engine's own use) into whichever blocks are given.
OSErr WECopyRange(i32 start, i32 end, Handle text, Handle styles, Handle soup, WEReference we);
// The selection onto the clipboard: one selected object as its own flavour, else every flavour
// of the text ('TEXT' alone for a mono-styled record). -10013 for an empty selection (the
// clipboard is kept); a flavour that cannot be made is left out, except 'TEXT'.
OSErr WECopy(WEReference we);

// The program's object kinds: pictures, TIFF images (made pictures on arrival) and the field
// objects that wrap them. Record none installs into the table every record shares.
OSErr InstallPictureObject(WEReference we);
OSErr InstallTIFFObject(WEReference we);
OSErr InstallIotaObject(WEReference we);
// Pictures, TIFF images and field objects, in that order.
OSErr WEInstallObjectHandlers(WEReference we);
// The 1-based position in the record's object chain of the object whose data is the block (0:
// none); the object at a 1-based position (1, or 0 and none past the last real object); the
// position of the first object at or after an offset.
i32 WEGetObjectIndex(Handle data, WEReference we);
i16 WEGetObjectByIndex(WEReference we, i32 position, WEObjectDescHandle* object);
i32 WECountObjectUpToOffset(WEReference we, i32 offset);

// --- Hit testing, highlighting and the caret -------------------------------------------------
// Edges of an offset: -1 the character after it (its line starts there), 0 the one before,
// 2 the point lies on an embedded object.
// The offset nearest a point of the record's port.
i32 WEGetOffset(const LongPoint* point, i8* edge, WEReference we);
// The top-left of the caret at the offset and its line's height (either may be null).
void WEGetPoint(i32 offset, i16 direction, LongPoint* point, i16* lineHeight, WEReference we);
// The line, paragraph and word around an offset: [*start, *end).
void WEFindLine(i32 offset, i8 edge, i32* start, i32* end, WEReference we);
void WEFindParagraph(i32 offset, i8 edge, i32* start, i32* end, WEReference we);
void WEFindWord(i32 offset, i8 edge, i32* start, i32* end, WEReference we);
// A new region covering the range (-1: the selection's end) within the view; none when no
// region can be made.
RgnHandle WEGetHiliteRgn(i32 start, i32 end, WEReference we);
void WEActivate(WEReference we);
void WEDeactivate(WEReference we);
bool WEIsActive(WEReference we);
// Sets the cursor over the record (the I-beam over text, an object's own over an object):
// true when the global point lies over the visible text. The mouse region (may be none) is cut
// to the area where that holds, or has it taken out.
bool WEAdjustCursor(Point mouse, RgnHandle mouseRgn, WEReference we);

// --- Drag and drop -----------------------------------------------------------------------------
// Drags are platform/drag's (registry ids). Tracking a drag over the record: messages 1-5 of
// the tracking handler (the drag caret and the drop highlight follow the mouse). Whether a
// drag can be dropped here: not in a read-only record; every item carries 'TEXT', 'utxt' or
// the type of one of the record's object handlers. The drop at the mouse: moved within the
// record (copied with the option key), else copied, with its formats, in one undo step;
// -1852 for a drag it cannot take, -1857 outside the view or onto the own selection.
OSErr WETrackDrag(i16 message, u32 drag, WEReference we);
bool WECanAcceptDrag(u32 drag, WEReference we);
OSErr WEReceiveDrag(u32 drag, WEReference we);
// Whether the drag was dropped into the user's trash folder.
bool WEDraggedToTrash(u32 drag);
// The flavours a drag of the selection offers, in order: the object's own type for one
// selected object, 'TEXT' for a mono-styled record, else 'RTF ', 'TEXT', 'styl', 'FISH',
// 'WEpf', 'WEru', 'WEcf', 'WEst'.
std::vector<OSType> _WEDragFlavors(WEReference we);
// The selection in one of those flavours into the block: one selected object in its own
// flavour (-1852 for any other), else the range streamed (RTF through the RTF writer).
OSErr _WEStreamSelection(OSType type, Handle block, WEReference we);
// The send procedure of the engine's drags (procedure-table slot 321): the record is the
// reference constant.
OSErr _WESendFlavor(u32 type, u32 refcon, u32 item, u32 drag);
// The selection's highlight region (global) and, when its bounding box's area is within
// `translucentDragLimit`, an image of it (16 bits deep where the field allows objects, else 8).
OSErr _WEMakeDragImage(GWorldPtr* image, RgnHandle* region, WEReference we);
// The region less itself inset by one pixel, as a new region.
OSErr _WEOutlineRgn(RgnHandle region, RgnHandle* outline);

struct TSMRecord;

// --- Inline input -------------------------------------------------------------------------------
// The handlers of the input method's four requests, installed for the program and removed
// (-1717 when they are not installed).
OSErr WEInstallTSMHandlers();
OSErr WERemoveTSMHandlers();
// Hands an input-method request to the record it names: -1708 for a class other than 'tsvc'.
OSErr WEHandleTSMEvent(const TSMRecord& event, TSMRecord* reply);

// --- Clicks --------------------------------------------------------------------------------------
// A mouse-down at a point of the record's port with the event's modifiers and time: places the
// caret or extends the selection (shift), takes words and paragraphs on double and triple
// clicks, and follows the mouse while the button stays down.
void WEClick(Point hitPt, u16 modifiers, u32 clickTime, WEReference we);
// 0 after a single click, 1 after a double click, 2 after a triple or later one.
u16 WEGetClickCount(WEReference we);

// --- Update, scrolling, selection and arrow keys -----------------------------------------------
// Moves the text by the amounts and brings the view up to date (none: nothing).
OSErr WEScroll(i32 hOffset, i32 vOffset, WEReference we);
// The same, never bringing the text's top below the view's top nor its bottom above the view's.
OSErr WEPinScroll(i32 hOffset, i32 vOffset, WEReference we);
// Scrolls the selection's active end into view.
void WESelView(WEReference we);
// Blinks the caret when due; *sleep (may be null) gets the ticks until the next blink.
void WEIdle(u32* sleep, WEReference we);
// Selects [start, end); an end before the start selects backwards.
void WESetSelection(i32 start, i32 end, WEReference we);
// The byte class and the character type of the byte at an offset (0 outside the text).
i16 WECharByte(i32 offset, WEReference we);
i16 WECharType(i32 offset, WEReference we);

// --- Find ----------------------------------------------------------------------------------
constexpr OSErr weBadScriptErr = -9473;  // a script code above 31 or a script not enabled
constexpr OSErr weTextNotFoundErr = -9474;
// Options of WEFind.
enum : u32 {
  weFindWholeWords = 1,
  weFindCaseInsensitive = 2,
  weFindDiacriticalInsensitive = 4,
};
// Looks for the key in [rangeStart, rangeEnd) (pinned to the text) of text in the script; the
// first match the options accept goes to *matchStart and *matchEnd (either may be null; -1
// each when nothing is found). paramErr for no key, a key length below 1 or a range that
// ends before it starts. The record is not changed.
OSErr WEFind(const u8* key, i32 keyLength, i16 script, u32 options, i32 rangeStart, i32 rangeEnd, i32* matchStart,
             i32* matchEnd, WEReference we);

// --- Printing --------------------------------------------------------------------------------
// The options of a print session: the page rectangle in the printer's port and a value that
// must lie in 0 .. page height - 1 (0 as the program gives it).
struct WEPrintOptions {
  Rect pageRect;
  i16 reserved;
};
// A print session: the record's text laid out for the page width and broken into pages.
using WEPrintSession = Handle;
// paramErr for no options, a page rectangle without area or the value outside its range; a
// memory error leaves the record's own layout as it was.
OSErr WENewPrintSession(const WEPrintOptions* options, WEReference we, WEPrintSession* out);
void WEDisposePrintSession(WEPrintSession session);
i32 WECountPages(WEPrintSession session);
// The height of a page's lines (the page pinned to the pages there are).
i32 WEGetPageHeight(i32 page, WEPrintSession session);
// Draws page `page` (0-based) into the port, in the page rectangle (none: the session's). The
// record, the port's clip and the windows' update regions are as they were afterwards.
// paramErr for a page that does not exist or a page rectangle of another height.
OSErr WEPrintPage(i32 page, CGrafPtr port, const Rect* pageRect, WEPrintSession session);

// Margins in points (16.16): top, bottom, left, right.
struct WEMargins {
  Fixed top, bottom, left, right;
};
// Raises each margin to the printer's unprintable area, or lowers it to half of the paper less
// 36 points in its direction.
void ValidateMargins(const PMRect* paper, const PMRect* page, WEMargins* margins);
// The paper less the margins, each rounded to whole points.
void CalculatePageRect(const PMRect* paper, const WEMargins* margins, Rect* pageRect);
// A print job of a record's text.
struct WEPrintJob {
  WEReference record;
  u32 unused;
  PMPrintSession session;
  PMPageFormat format;
  PMPrintSettings settings;
};
// Prints the pages of the job's settings (numbered from 1) within the printer's page area,
// until the user cancels (a command-period). Answers the first failure, 0 when every page
// printed or the user cancelled.
OSErr DoPrint(const WEPrintJob* job);

// The indentation levels of the text's lines (lines end at returns; `count` of them) into the
// line records: each laid-out line takes the level of the text line it is part of. True when a
// level changed.
bool WESetLineIndents(const i16* levels, i32 count, WEReference we);

// --- Utilities shared with the field and RTF code -------------------------------------------
// "picture<number>.tiff", the name of a picture attachment.
std::string maketiffname(u32 number);
// Between a language text (a locale string of at most 31 characters, "en_US", "fr", "ja", ...)
// and the 32-bit language code kept in styles (0: no language). weBufferTooSmallErr for a
// longer text or a buffer without room for the text and its terminator; paramErr for an
// unknown language or code.
OSErr _WESetLanguage(const char* text, i32 length, u32* language);
OSErr _WEGetLanguage(u32 language, char* buffer, i32 capacity);

// The changed flag that field text storage keeps in a field's live record (user info "DIRT"):
// none reads as clean and is ignored when set.
bool GetWERecDirtyFlag(WEReference we);
void SetWERecDirtyFlag(WEReference we, bool dirty);

// Installs the engine's entries in the store's table of live parts (start-up).
void installweliveparts();

}  // namespace kv
