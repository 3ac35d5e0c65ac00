// The text record itself and the routines the engine's own files share. Only textengine/ (and
// its tests) includes this header; the rest of the system goes through werecord.h.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

#include "platform/collections/collections.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/text/unicodeconverters.h"
#include "platform/tsm/tsm.h"
#include "textengine/werecord.h"

namespace kv {

// --- The record ------------------------------------------------------------------------------
// Created zero-filled by WENew. The text and every table live in handles owned by the record:
// hLines holds nLines + 1 line records (the sentinel starts at textLength), hRuns and
// hParaRuns nRuns + 1 and nParaRuns + 1 entries (sentinels {textLength + 1, -1}), hStyles and
// hRulers nStyles and nRulers table entries, hUserInfo {tag, value} pairs ended by tag 0.
struct WERec {
  CGrafPtr port;
  Handle hText;
  Handle hLines;
  Handle hStyles;
  Handle hRuns;
  Handle hRulers;
  Handle hParaRuns;
  i32 textLength;
  i32 nLines;
  i32 nStyles;
  i32 nRuns;
  i32 nRulers;
  i32 nParaRuns;
  LongRect viewRect;
  LongRect destRect;
  i32 selStart;
  i32 selEnd;
  u32 flags;
  u32 features;
  u32 caretTime;
  u32 clickTime;
  u32 ausd;  // kept for selector 'ausd'; the engine does not read it
  i32 clickLoc;
  i32 anchorStart;
  i32 anchorEnd;
  u8 firstByte;
  u8 clickEdge;
  u16 clickCount;
  GWorldPtr offscreenWorld;
  RgnHandle viewRgn;
  u32 refCon;
  Handle hUserInfo;
  Collection properties;
  u32 tsmDocument;
  i32 tsmAreaStart;
  i32 tsmAreaEnd;
  u32 currentDrag;
  i32 dragCaretOffset;
  Handle undoStack;
  Handle redoStack;
  i32 modCount;
  WEStyle nullStyle;
  Handle objectList;
  Handle hoveredObject;
  Handle objectHandlers;
  u32 tluc;  // kept for selector 'tluc'; the engine does not read it
  WEClickLoopProcPtr clickLoop;
  WEScrollProcPtr scrollProc;
  WEProcPtr tsmPreUpdate;
  WEProcPtr tsmPostUpdate;
  WEProcPtr hidn;  // kept for selector 'hidn'; the engine does not call it
  WEProcPtr ptrk;  // kept for selector 'ptrk'; the engine does not call it
  WEProcPtr translateDragHook;
  WEHiliteDropAreaProcPtr hiliteDropAreaHook;
  WEDrawTextProcPtr drawTextHook;
  WEPixelToCharProcPtr pixelToCharHook;
  WECharToPixelProcPtr charToPixelHook;
  WELineBreakProcPtr lineBreakHook;
  WEWordBreakProcPtr wordBreakHook;
  WECharByteProcPtr charByteHook;
  WECharTypeProcPtr charTypeHook;
  WEEraseProcPtr eraseHook;
  WEDrawTSMHiliteProcPtr drawTSMHiliteHook;
  WEFluxProcPtr fluxProc;
  WEProcPtr undoProc;
  WEProcPtr preparePrintProc;
  WEFontNameToFamilyProcPtr fontNameToFamilyHook;
  WEFontFamilyToNameProcPtr familyToFontNameHook;
};
static_assert(std::is_standard_layout_v<WERec> && std::is_trivially_copyable_v<WERec>,
              "selectors reach record fields by offset");

// The top bit of a style's direction byte: the run is written right to left.
constexpr u8 kRightToLeftRun = 0x80;

// flags: internal state and environment bits.
enum : u32 {
  weFlagColor = 1u << 31,        // colour drawing available
  weFlagMultiScript = 1u << 28,  // more than one script enabled
  weFlagDoubleByte = 1u << 27,   // a two-byte script is installed
  weFlagBidi = 1u << 26,         // a right-to-left script is present
  weFlagCaretRTL = 1u << 25,     // the caret was last drawn for a right-to-left keyboard
  weFlagCaretShown = 1u << 24,
  weFlagTracking = 1u << 23,        // a click is being tracked
  weFlagBackwards = 1u << 22,       // the selection's start is its active end
  weFlagNullStyleValid = 1u << 21,  // nullStyle is current
  weFlagActive = 1u << 20,
  weFlagDropHilited = 1u << 19,     // the drop area of a drag is highlighted
  weFlagDragAcceptable = 1u << 18,  // the drag being tracked can be dropped here
  weFlagDragCaret = 1u << 17,       // the drag caret is drawn
  weFlagScrollPending = 1u << 16,   // the scroll procedure awaits notification
  weFlagPrinting = 1u << 15,
  weFlagActionGroup = 1u << 14,  // an action group is open
  weFlagNewSystem = 1u << 13,    // system version at least 0x860
};

// The live record an id names, or null.
WERec* werec(WEReference we);
// Number of live records (tests use it to find leaks).
std::size_t liverecordcount();

// One embedded object's descriptor, a block of its own; the record's objectList chains them in
// increasing offset order and ends with a sentinel whose offset is textLength + 1.
// handlerTable tells where the kind's handler row was found: none, the owner's table or the
// global one; handlerIndex is the row (-1 none).
enum : u32 { weNoHandlerTable = 0, weRecordHandlerTable = 1, weGlobalHandlerTable = 2 };
struct WEObjectDesc {
  Handle next;
  Handle previous;
  i32 offset;
  OSType kind;
  Handle data;
  u32 handlerTable;
  i32 handlerIndex;
  WEReference owner;
  u32 refCon;
  Collection properties;
  i16 height;
  i16 width;
  i16 baseline;
};
// Whether a handle holds an object descriptor.
bool _WEIsObject(Handle object);

// A row of a handler table: the kind, its six handlers and the value new objects of the kind
// take. The record's table is a block of rows (objectHandlers); the global table is in memory.
struct WEObjectHandlerRow {
  OSType kind;
  WENewObjectProcPtr newHandler;
  WEDisposeObjectProcPtr freeHandler;
  WEDrawObjectProcPtr drawHandler;
  WEClickObjectProcPtr clickHandler;
  WEStreamObjectProcPtr streamHandler;
  WEHoverObjectProcPtr hoverHandler;
  u32 refCon;
};
// The row of the kind in a table (the record's, or none: the global one), -1 when none.
i32 _WELookupObjectType(OSType kind, WEReference tableOwner);
// The kind of row `index`, counting the record's rows first, then the global ones.
OSErr _WEGetIndObjectType(i32 index, OSType* kind, WEReference we);

// Makes an object of a kind at an offset with the data (which the descriptor then owns): its
// handlers are the kind's row of the record's table, else of the global one; size 32 x 32
// unless the new handler gives another. A new handler's refusal leaves nothing behind and is
// returned. The object is linked into the chain after those at or before its offset.
OSErr _WENewObject(OSType kind, Handle data, i32 offset, WEReference we, WEObjectDescHandle* object);
// Inserts the object byte 1 at the offset with a new object of the kind in its run (the size
// when it is not 0 x 0).
OSErr _WEInsertObjectAtOffset(i32 offset, OSType kind, Handle data, Point size, WEReference we);
// Frees an object: unlinks it from its record's chain, lets its free handler have the data (or
// disposes of it), and disposes of its properties and descriptor. nilHandleErr for none.
OSErr _WEFreeObject(Handle object);
// Draws the object standing on the pen's baseline (its handler, or a frame for a kind without
// handlers); the pen ends at the object's right edge on the same baseline.
OSErr _WEDrawObject(WEObjectDescHandle object);
// True when the hover handler set the cursor; true when the click handler took the click.
bool _WEHoverObject(i16 state, Point mouse, RgnHandle frame, WEObjectDescHandle object);
bool _WEClickObject(Point hitPt, u16 modifiers, u32 clickTime, WEObjectDescHandle object);
// The object's data as streamed: the stream handler decides, else the descriptor's own data
// (the caller's block is disposed of and *data becomes the descriptor's, which the caller must
// not dispose of: *callers turns false). *kind is the object's kind unless the handler says.
OSErr _WEStreamObject(i16 flags, OSType* kind, Handle* data, bool* callers, WEObjectDescHandle object);
// A copy of an object (its kind, a copy of its data, its size and baseline) at an offset.
OSErr _WEDuplicateObject(WEObjectDescHandle source, i32 offset, WEReference we, WEObjectDescHandle* object);

// The soup of embedded objects: per object a 24-byte header {i32 offset relative to the range,
// u32 kind, u32 0, i32 data size, i16 height, i16 width, i16 baseline, u16 0} and its data.
#define KV_WESOUPHEADER_FIELDS(F)                                                                  \
  F(i32, offset, 0)                                                                                \
  F(OSType, kind, 4) F(u32, reserved, 8) F(i32, dataSize, 12) F(i16, height, 16) F(i16, width, 18) \
      F(i16, baseline, 20) F(u16, zero, 22)
KV_STORED_RECORD(WESoupHeader, 24, KV_WESOUPHEADER_FIELDS)
// Re-creates the soup's objects in the text inserted at [start, end): weMalformedScrapErr for
// an entry whose data runs past the soup or whose object would lie outside that range.
OSErr _WEApplySoup(i32 start, i32 end, Handle soup, WEReference we);
// Adds an object (streamed for the engine's own use) at the end of a soup at `offset`, or at
// its front at 0 with the later entries moved on by delta.
OSErr _WEAppendObjectToSoup(Handle soup, WEObjectDescHandle object, i32 offset);
OSErr _WEPrependObjectToSoup(Handle soup, WEObjectDescHandle object, i32 delta);

// --- Undo ----------------------------------------------------------------------------------------
// An undo action, a block of its own. next links the stack (or a compound action's children);
// the range [rangeStart, rangeStart + currentLength) is what undoing removes, and the saved
// content (savedLength bytes) what it puts back. The saved parts are blocks the action owns:
// the text, a private style scrap, a soup and a private ruler scrap (through one byte past the
// range). An object-geometry action keeps instead the object (savedText), its size as
// (width << 16) | height (savedStyles) and its baseline (savedObjects); a compound action the
// head of its child list (savedText).
#define KV_WEACTION_FIELDS(F)                                                                                \
  F(Handle, next, 0)                                                                                         \
  F(i16, kind, 4) F(u16, flags, 6) F(WEReference, owner, 8) F(i32, rangeStart, 12) F(i32, currentLength, 16) \
      F(i32, savedLength, 20) F(i32, selStart, 24) F(i32, selEnd, 28) F(Handle, savedText, 32)               \
          F(Handle, savedStyles, 36) F(Handle, savedObjects, 40) F(Handle, savedRulers, 44)
KV_STORED_RECORD(WEAction, 48, KV_WEACTION_FIELDS)
// Action flags.
enum : u16 {
  weActionSavedText = 0x1,
  weActionSavedStyles = 0x2,
  weActionSavedObjects = 0x4,
  weActionSavedRulers = 0x8,
  weActionSavedGeometry = 0x10,
  weActionSavedAll = 0xF,
  weActionRedo = 0x100,      // the action belongs on the redo stack
  weActionCompound = 0x200,  // a group of actions
};
// The kind of a compound action whose group is still open.
constexpr i16 weAKOpenGroup = -1;

// Records an edit for undo before it is made: the modification count grows; with undo on, the
// redo stack goes (and, with single undo outside a group, the undo stack) and an action of the
// kind saving what the flags ask from [start, end) is pushed. `length` is the range's length
// after the edit.
OSErr _WEModify(i32 start, i32 end, i32 length, i16 kind, u16 flags, WEReference we);
// The typing primitives of WEKey: a byte typed over the selection (a two-byte character's first
// byte is held in firstByte), backspace and forward delete (a two-byte character whole).
OSErr _WETypeChar(u8 byte, WEReference we);
OSErr _WEBackspace(WEReference we);
OSErr _WEForwardDelete(WEReference we);
// The style the next typed character takes, set by mode (switching the keyboard to the new
// font's script where that applies); an empty text's run takes it too.
OSErr _WESetNullStyle(u32 mode, const WETextStyle* style, WEReference we);
// The font over [start, end) only where the text is of its script: runs whose font is of that
// script, and with extract, the pieces of other runs that are.
OSErr _WESmartSetFont(i32 start, i32 end, bool extract, const WETextStyle* style, WEReference we);
// The clipboard: whether it holds the type, and a copy of the type's bytes in a new block of
// the allocation mode (the scrap's error, -102 when the type is missing; none on failure).
bool _WEHasScrapFlavor(OSType type);
OSErr _WEGetScrapHandle(OSType type, i16 allocation, Handle* out);
// The rows of the paste's walk over the styled flavours: the type, the row next when the
// clipboard has it and when it does not; a type of 0 ends the walk.
struct WEPasteLookupRow {
  OSType type;
  u8 found, missing;
};
extern const WEPasteLookupRow __wePasteLookupTable[];
// Makes an action (nothing is left behind on failure).
OSErr _WENewAction(i32 start, i32 end, i32 length, i16 kind, u16 flags, WEReference we, Handle* action);
// Onto the undo stack, or the redo stack for a redo action; into the child list of an open
// group on top of that stack.
void _WEPushAction(Handle action);
// Does an action: the inverse goes on the other stack, the saved content replaces the range,
// the selection of the time the action was made comes back and the changed range is redrawn.
// paramErr, changing nothing, when the action's range no longer lies within the text.
OSErr _WEDoAction(Handle action);
// Frees an action and what it owns (a compound action's children too); answers its next.
Handle _WEDisposeAction(Handle action);
void _WEForgetAction(Handle* stack);
// The kind of the typing action the caret stands at the end of (2, 9 or 10), else 0.
i16 _WEGetTypingActionKind(WEReference we);
// Adds delta to the current length of the top undo action (the first child of a group).
void _WEAdjustUndoRange(i32 delta, WEReference we);
// The action a key of the kind extends (with undo on, the top undo action or the first child of
// a group, when it is of that kind, not a redo, and the caret stands at its range's end), else
// none.
Handle _WETypingAction(i16 kind, WEReference we);

// --- Standard and program hooks ----------------------------------------------------------------
// Fills every hook of the record that is still none with the engine's standard procedure. The
// standard procedures come from the procedure table (slots 323-334), chosen once per run and
// again when the number of enabled scripts changes: the line break is the engine's Roman
// break with one script, the platform's with more.
void _WESetStandardHooks(WEReference we);
void _WEStdDrawText(const u8* text, i32 length, Fixed slop, i16 styleRunPosition, WEReference we);
i32 _WEStdPixelToChar(const u8* text, i32 length, Fixed slop, Fixed* width, bool* leadingEdge, i16 styleRunPosition,
                      i32 startPosition, WEReference we);
i32 _WEStdCharToPixel(const u8* text, i32 length, Fixed slop, i32 offset, i16 direction, i16 styleRunPosition,
                      i32 startPosition, WEReference we);
i16 _WEStdLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we);
i16 _WERomanLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we);
void _WEStdWordBreak(const u8* text, i32 length, i32 offset, bool leadingEdge, OffsetTable offsets, i16 script,
                     WEReference we);
i16 _WEStdCharByte(const u8* text, i32 length, i32 offset, i16 script, WEReference we);
i16 _WEStdCharType(const u8* text, i32 length, i32 offset, i16 script, WEReference we);
bool _WEStdClickLoop(WEReference we);
OSErr _WEStdHiliteDropArea(u32 drag, bool show, WEReference we);
void _WEStdErase(const Rect* r, WEReference we);
void _WEStdDrawTSMHilite(const Rect* r, u16 hiliteStyle, WEReference we);
// The grey underline of grouped text: 2 pixels thick, 2 below the baseline at `start`, `width`
// long, while the program shows groups. Leaves the pen and its state as they were.
void _WEDrawGroupUnderline(Point start, i32 width);

// The program's hooks: the returns-only line break, the coloured erase and the tab hooks
// (slots 383-386).
i16 _WENoWrapLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we);
void _WEColorizedErase(const Rect* r, WEReference we);
void _WETabDrawText(const u8* text, i32 length, Fixed slop, i16 styleRunPosition, WEReference we);
i32 _WETabPixelToChar(const u8* text, i32 length, Fixed slop, Fixed* width, bool* leadingEdge, i16 styleRunPosition,
                      i32 startPosition, WEReference we);
i32 _WETabCharToPixel(const u8* text, i32 length, Fixed slop, i32 offset, i16 direction, i16 styleRunPosition,
                      i32 startPosition, WEReference we);
i16 _WETabLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we);

// --- Line layout -------------------------------------------------------------------------------
// Re-breaks the lines from the one before *first on until the breaks meet the old ones again
// after *last (or the text ends); on return [*first, *last] are the lines whose layout changed.
// The line array keeps its sentinel, the destination's bottom follows the text's height. A
// memory error stops the re-break and is returned.
OSErr _WERecalBreaks(i32* first, i32* last, WEReference we);
// The length of the line that starts at the offset, by the record's line-break hook.
i32 _WEFindLineBreak(i32 lineStart, WEReference we);
// The ascent and descent of the line [start, end): its tallest run, the line spacing, and the
// space before a paragraph's first line and after its last.
void _WECalcHeights(i32 start, i32 end, i16* ascent, i16* descent, WEReference we);
// The free width, justification delta and paragraph mark of lines first..last.
OSErr _WERecalSlops(i32 first, i32 last, WEReference we);
OSErr _WEInsertLine(i32 index, const WELineRec* line, WEReference we);
// Adds delta to the origin of every line record from the index through the sentinel.
void _WEBumpOrigin(i32 index, i32 delta, WEReference we);
// The width a line starting at the offset may take (16.16): the destination's width less the
// paragraph's indents (the first-line indent on a paragraph's first line).
i64 _WEAvailableWidth(i32 lineStart, const WERuler& ruler, WEReference we);
// Whether the offset starts a paragraph (the text's start, or just after a return).
bool _WEParagraphStart(i32 offset, WEReference we);

// --- Line drawing ------------------------------------------------------------------------------
// One segment of a line: the part of one style run that lies on it. `position` is 0 for the
// only segment, 1 the first, 2 the last, 3 a middle one (bit 0: one follows, bit 1: one
// precedes). The line record may be changed; answering true ends the walk.
using WESegmentProcPtr = bool (*)(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text,
                                  i32 start, i32 length, i16 position, WEReference we, void* data);
// Calls the procedure for each segment of lines first..last (pinned), in the record's port with
// each run's font, face and size set.
OSErr _WESegmentLoop(i32 firstLine, i32 lastLine, WESegmentProcPtr proc, void* data, WEReference we);
// The drawing environment of a record's port while the engine works in it.
struct WEQDEnvironment {
  CGrafPtr savedPort;
  GDHandle savedDevice;
  CGrafPtr port;  // the record's port (none when it has no valid port)
  PenState pen;
  i16 font;
  Style face;
  i16 size;
  i16 mode;
  RGBColor fore;
};
// Sets the current port's text font, face and size from a style.
void _WESetTextStyle(const WETextStyle& ts);
// Saves the current port and switches to the record's; saves its pen, text settings and
// foreground and sets a normal pen and text mode or. The restore puts everything back.
void _WESaveQDEnvironment(CGrafPtr port, WEQDEnvironment* saved);
void _WERestoreQDEnvironment(const WEQDEnvironment* saved);
// Draws lines first..last into the record's port, each line's rectangle erased first when
// `erase` is set.
void _WEDrawLines(i32 firstLine, i32 lastLine, bool erase, WEReference we);
// After an edit: the changed lines first..last drawn within the view, and the space below the
// text down to the old text bottom erased.
void _WERedrawChangedLines(i32 firstLine, i32 lastLine, i32 oldBottom, WEReference we);
// A paragraph border of the given length from the pen: 2 in the grey pattern, 3 two pixels
// high, any other style one plain pixel.
void _WEDrawBorder(i16 length, u16 borderStyle);
// The platform's run-direction question of the visual ordering: whether run (first + index) is
// right to left.
struct WESegmentDirectionParams {
  i32 firstRun;
  WEReference we;
};
bool GetSegmentDirection(i16 index, void* params);

// The pen's distance from the line's left edge: the paragraph's indents and alignment, and the
// line's automatic indentation in left-aligned script fields.
i32 _WECalcPenIndent(const WELineRec& line, const WERuler& ruler, WEReference we);

// --- Inline input ------------------------------------------------------------------------------
// The record as an inline-input document (its reference the document's refCon).
OSErr _WERegisterWithTSM(WEReference we);
// Applies hilite ranges (offsets from base, pinned to [low, high]): a caret range (style 1 or
// -1) becomes the selection, any other gives its bytes the inline-input hilite |style|.
void _WEHiliteRangeArray(const TSMTextRanges& ranges, i32 base, i32 low, i32 high, WEReference we);
// The four request handlers (procedure-table slots 313-316).
OSErr _WEHandleUpdateActiveInputArea(const TSMRecord& event, TSMRecord* reply, u32 refCon);
OSErr _WEHandlePositionToOffset(const TSMRecord& event, TSMRecord* reply, u32 refCon);
OSErr _WEHandleOffsetToPosition(const TSMRecord& event, TSMRecord* reply, u32 refCon);
OSErr _WEHandleGetSelectedText(const TSMRecord& event, TSMRecord* reply, u32 refCon);

// --- Hit testing, highlighting and caret ---------------------------------------------------------
// A text context never reaches more than this many bytes before or after its offset.
constexpr i32 kWEContextLimit = 16383;
// The offset's paragraph (the bytes the word hooks see), and its style run; each pinned to the
// context limit. The restricted one answers the run's script.
void _WEGetContext(i32 offset, i32* start, i32* end, WEReference we);
i16 _WEGetRestrictedContext(i32 offset, i32* start, i32* end, WEReference we);
// Highlights a range by inversion (an outline when inactive); nothing while text is smoothed,
// when the selection is painted behind the text as lines are drawn.
void _WEHiliteRange(i32 start, i32 end, WEReference we);
// The caret at an offset: one pixel wide over its line, a pixel left of its point; drawn by
// inverting within the view.
void _WEGetCaretRect(i32 offset, i8 edge, Rect* caret, WEReference we);
// A dual caret shows the caret of the paragraph's direction in the line's upper half and the
// caret of the other direction in its lower half.
void _WEDrawCaret(i32 offset, i8 edge, bool dual, WEReference we);
// Whether the caret at an offset is dual: on a record with a right-to-left script, between two
// runs of different directions within a line.
bool _WEAtDirectionBoundary(i32 offset, WEReference we);
// Whether a point at a direction boundary is taken on the right-to-left run's side (the
// direction WEGetPoint is given: -1 right to left, 1 left to right, 0 the paragraph's).
bool _WERightToLeftEdge(i32 offset, i16 direction, WEReference we);
// Whether the character at an offset reads right to left: in a right-to-left run, unless the
// run's order shows it left to right (a digit or Latin letter among the letters).
bool werighttoleftchar(i32 offset, WEReference we);
// Whether the characters either side of an offset, on one line, read in different directions
// (at a boundary of runs, or within a right-to-left run).
bool wedirectionchange(i32 offset, WEReference we);
// The offset on the other side of a direction change within its line: the caret of the
// character before the offset (edge 0) or after it (edge -1) stands where text of the other
// direction has an edge; the offset there. An offset at no change comes back unchanged.
i32 _WECrossDirectionBoundary(i32 offset, i8 edge, WEReference we);
// A segment's width up to its byte k, as the record's hooks measure it (objects whole, slop of
// a justified line spread over the bytes drawn).
i32 wesegmentwidth(const WELineRec& line, const WEStyle& style, const WERuler& ruler, const u8* text, i32 length, i32 k,
                   i16 position, i32 startposition, WEReference we);
// A right-to-left segment as it is shown: its bytes in the order the script's drawing gives the
// run (letters from the right, digits and Latin words left to right among them), placed from
// the segment's left edge. Widths are measured by the record's hooks as they are asked for.
class WEShownRun {
 public:
  WEShownRun(const WELineRec& line, const WEStyle& style, const WERuler& ruler, const u8* text, i32 length,
             i16 position, i32 startposition, WEReference we);
  bool reversed(i32 i) const;  // byte i reads right to left
  i32 left(i32 i);
  i32 width(i32 i);
  i32 leading(i32 i);   // the edge a caret before byte i stands at
  i32 trailing(i32 i);  // the edge a caret after byte i stands at
  // The caret before byte k (after the last at k = length); between characters of two
  // directions, on the character of the direction asked for.
  i32 caret(i32 k, bool righttoleft);
  // The stretch of bytes of one level whose place holds pixel column x: its bytes, left edge
  // and width; false when none does.
  bool stretchat(i32 x, i32* start, i32* end, i32* left, i32* width);
  // The k-th stretch in the text's order; false past the last.
  bool stretch(i32 k, i32* start, i32* end, i32* left, i32* width);
  i32 rightmost();  // the byte shown rightmost
  // The places of bytes s..e-1, each stretch of them shown side by side as one span.
  void spans(i32 s, i32 e, const std::function<void(i32, i32)>& frame);

 private:
  struct Stretch {
    i32 start, end, left;
  };
  i32 prefix(i32 k);  // the width of the first k bytes
  const WELineRec& line_;
  const WEStyle& style_;
  const WERuler& ruler_;
  const u8* text_;
  i32 length_;
  i16 position_;
  i32 startposition_;
  WEReference we_;
  std::vector<u8> level_;
  std::vector<i32> stretch_, prefix_;
  std::vector<Stretch> stretches_;
};

// --- Dragging the selection --------------------------------------------------------------------
// Drags the selection from a click at a local point: 128 when the mouse did not move (the click
// then selects as usual). The drag offers the flavours of the selection ('RTF ', 'TEXT',
// 'styl', 'FISH', 'WEpf', 'WEru', 'WEcf', 'WEst'; 'TEXT' alone when mono-styled; the object's
// own type for one selected object), made by _WESendFlavor when asked for, and 'WE* ' (sender
// only) holding the record's reference.
OSErr _WEDrag(Point mouse, u16 modifiers, u32 clickTime, WEReference we);
OSErr _WEReceiveDragItem(u32 drag, u32 item, i32 offset, WEReference we);
OSErr _WEGetFlavor(u32 drag, u32 item, OSType type, Handle data, i32 dropOffset, WEReference we);
OSErr _WEExtractFlavor(u32 drag, u32 item, OSType type, i16 allocation, Handle* out, i32 dropOffset, WEReference we);
// Moves the drag caret to an offset (-1 takes it away); at the same offset it blinks.
void _WEUpdateDragCaret(i32 offset, WEReference we);
bool _WEIsOptionDrag(u32 drag);
bool _WEIsEngineOriginatedDrag(u32 drag, WEReference we);
void _WEBlinkCaret(WEReference we);
// Hides the caret when it shows.
void _WEHideCaret(WEReference we);
// Takes the frames of the objects in view out of a region, moved by the offset.
void _WESubtractObjectRgns(RgnHandle rgn, Point offset, WEReference we);

// --- Scrolling and selection ---------------------------------------------------------------------
// Scrolls the offset into view (with automatic scrolling): true when it scrolled.
bool _WEScrollIntoView(i32 offset, WEReference we);
// The offset an arrow action reaches from an offset, and the arrow keys (28-31) with their
// modifiers.
i32 _WEArrowOffset(i16 action, i32 offset, WEReference we);
void _WEDoArrowKey(i16 key, u16 modifiers, WEReference we);

// --- Runs, lines and tables ------------------------------------------------------------------
// The one search over sorted starts: elements of `stride` bytes whose i32 key is `keyOffset`
// bytes into each. The index i with key(i) <= x < key(i + 1); 0 for count < 1 and for x before
// the first key, count - 1 for x at or past the last.
i32 _WESearchStarts(const u8* elements, i32 stride, i32 keyOffset, i32 count, i32 x);
// The line whose [origin, next origin) holds the pixel v (relative to the destination's top).
i32 _WEPixelToLine(i32 v, WEReference we);

// A style run with its whole style: its start, the next run's start and the style.
#define KV_WEEXTRUNINFO_FIELDS(F) F(i32, runStart, 0) F(i32, runEnd, 4) F(WEStyle, style, 8)
KV_STORED_RECORD(WEExtRunInfo, 52, KV_WEEXTRUNINFO_FIELDS)
void _WEGetIndStyle(i32 run, WEExtRunInfo* info, WEReference we);
void _WEGetExtRunInfo(i32 offset, WEExtRunInfo* info, WEReference we);
// 1 when the run's direction byte marks it right to left.
i16 _WEGetIndDirection(i32 run, WEReference we);
void _WEGetIndRuler(i32 paraRun, WEParaInfo* info, WEReference we);
void _WEGetExtParaInfo(i32 offset, WEParaInfo* info, WEReference we);

void _WECopyRuler(const WERuler* source, WERuler* dest, u16 mode);
// Frees the object of every used style entry and sets every reference count to 0.
void _WEResetStyleTable(WEReference we);
// Brings nullStyle up to date with the style before the selection start.
void _WESynchNullStyle(WEReference we);

// --- Style and paragraph runs -----------------------------------------------------------------
// The primitives on the run arrays. A run is inserted after the given one; every change keeps
// the table entries' counts; a style entry no run uses any more gives up its object.
OSErr _WEInsertStyleRun(i32 run, i32 start, i32 styleIndex, WEReference we);
OSErr _WEInsertParaRun(i32 run, i32 start, i32 rulerIndex, WEReference we);
void _WERemoveStyleRun(i32 run, WEReference we);
void _WERemoveParaRun(i32 run, WEReference we);
void _WEChangeStyleRun(i32 run, i32 styleIndex, bool keepObject, WEReference we);
void _WEChangeParaRun(i32 run, i32 rulerIndex, WEReference we);
// The table entry for the attributes (or the ruler): an equal entry in use, else a free entry or
// a new one, filled and left with count 0 (the caller counts the use). A new style takes its
// text encoding from the font and its run metrics from an entry of the same font, face and size,
// else from the font.
OSErr _WENewStyle(const WETextStyle* attributes, i32* index, WEReference we);
OSErr _WENewRuler(const WERuler* ruler, i32* index, WEReference we);
// Add delta to the starts from the element through the sentinel; objects at or after offset.
void _WEBumpStyleRunStart(i32 run, i32 delta, WEReference we);
void _WEBumpParaRunStart(i32 run, i32 delta, WEReference we);
void _WEBumpLineStart(i32 line, i32 delta, WEReference we);
void _WEBumpObjectOffsets(i32 offset, i32 delta, WEReference we);
// Whole paragraphs: the start back to its paragraph's start, the end on through the next
// return (an empty range first takes the byte after it, unless at the text's end).
void _WEExtendToParaBoundaries(i32* start, i32* end, WEReference we);
// The start of start's line, and the start of the line after end's line less one.
void _WEExtendToLineBoundaries(i32* start, i32* end, WEReference we);
// Removes the line records of the lines after start's through end's and moves later starts.
void _WERemoveLineRange(i32 start, i32 end, WEReference we);

// Edits. Inserted text joins the run of the byte before it and takes the null style (all of
// it while the null style is current, else only its object reference); a deletion makes the
// style at its start the null style. The change hook ('flux') hears of both.
OSErr _WEInsertText(i32 offset, const void* text, i32 length, WEReference we);
OSErr _WEDeleteRange(i32 start, i32 end, WEReference we);
void _WERemoveStyleRunRange(i32 start, i32 end, WEReference we);
void _WERemoveParaRunRange(i32 start, i32 end, WEReference we);
// A style (the mode's attributes; a toggle goes by the range's continuous face) or a ruler (the
// mask's fields; whole paragraphs) over a range.
OSErr _WESetStyleRange(i32 start, i32 end, u32 mode, const WETextStyle* attributes, WEReference we);
OSErr _WESetRulerRange(i32 start, i32 end, u16 mask, const WERuler* ruler, WEReference we);
// The whole ruler, every byte of it, over the paragraphs of a range.
OSErr _WEReplaceRulerRange(i32 start, i32 end, const WERuler* ruler, WEReference we);
// After an edit: the text is laid out again (nothing while recalculation is inhibited).
OSErr _WERedraw(i32 start, i32 end, WEReference we);

// Scraps applied over [start, end): the 'styl' scrap (u16 count, 20-byte elements), 'WEcf'
// runs over parsed 'WEst' styles (WETextStyle entries), 'WEpf' runs over parsed 'WEru' rulers,
// and an encoding scrap ({i32 offset, u32 encoding} entries). Offsets are relative to start;
// spans are clipped to the range; elements whose offsets are negative or descend, and runs
// whose index names no style or ruler, apply nothing.
OSErr _WEApplyTextEditStyleScrap(i32 start, i32 end, Handle styleScrap, WEReference we);
OSErr _WEApplyCharacterFormatting(i32 start, i32 end, Handle runs, Handle styles, WEReference we);
OSErr _WEApplyParagraphFormatting(i32 start, i32 end, Handle runs, Handle rulers, WEReference we);
OSErr _WEApplyEncodingScrap(i32 start, i32 end, Handle encodings, WEReference we);

// Private scraps (undo): u32 count, then {i32 offset from the range start, style attributes} or
// {i32 offset, ruler} per run of the range, in host order.
#define KV_WEPRIVATESTYLE_FIELDS(F) F(i32, offset, 0) F(WETextStyle, style, 4)
KV_STORED_RECORD(WEPrivateStyle, 44, KV_WEPRIVATESTYLE_FIELDS)
#define KV_WEPRIVATERULER_FIELDS(F) F(i32, offset, 0) F(WERuler, ruler, 4)
KV_STORED_RECORD(WEPrivateRuler, 164, KV_WEPRIVATERULER_FIELDS)
OSErr _WEBuildPrivateStyleScrap(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEBuildPrivateRulerScrap(i32 start, i32 end, Handle scrap, WEReference we);
// Append: a new last element at `offset` unless the style (ruler) equals the last one. Prepend:
// a new first element at 0 unless it equals the first one; the later elements move on by delta.
OSErr _WEAppendStyleToPrivateStyleScrap(Handle scrap, const WETextStyle* style, i32 offset);
OSErr _WEPrependStyleToPrivateStyleScrap(Handle scrap, const WETextStyle* style, i32 delta);
OSErr _WEAppendRulerToPrivateRulerScrap(Handle scrap, const WERuler* ruler, i32 offset);
OSErr _WEPrependRulerToPrivateRulerScrap(Handle scrap, const WERuler* ruler, i32 delta);
// Applies a private scrap to [start, end): each element's style (every attribute but the
// object) or whole ruler from its offset to the next one's.
OSErr _WEApplyPrivateStyleScrap(i32 start, i32 end, Handle scrap, WEReference we);
OSErr _WEApplyPrivateRulerScrap(i32 start, i32 end, Handle scrap, WEReference we);

// Intelligent cut and paste. Cut widens a whole-word range by the space before it (else the
// one after it); paste answers 1 (a space goes after the pasted range), -1 (before it) or 0.
void _WEIntelligentCut(i32* start, i32* end, WEReference we);
i16 _WEIntelligentPaste(i32 start, i32 end, WEReference we);
bool _WEIsWordRange(i32 start, i32 end, WEReference we);
// Punctuation or blank (outside the text counts as a blank).
bool _WEIsPunct(i32 offset, WEReference we);

// --- Fonts and continuous style ------------------------------------------------------------
// Copies the attributes the mode names from a text style into another (see the weDo modes);
// `continuousFace` holds the face bits set across the whole range a toggle applies to. The
// text encoding is never copied.
void _WECopyStyle(const WETextStyle* source, WETextStyle* dest, u8 continuousFace, u32 mode);
// The style's run height and ascent from its font, size (0 becomes 12) and face.
OSErr _WECalcFontMetrics(WEStyle* style, WEReference we);
// 0 the system font, 1 the application font, any other value itself.
i16 _WEResolveFontDesignator(i16 font);
// True when the byte before the offset (the byte at it, on a leading edge) lies in [start, end).
bool _WEOffsetInRange(i32 offset, bool leadingEdge, i32 start, i32 end);
void _WEContinuousStyleRange(i32 start, i32 end, u16* mode, WETextStyle* style, WEReference we);
// The family of a font name on this machine: an unknown font becomes the default font of the
// script (of the system script when that one is not enabled); the system font's name stays
// the system font. The hook, when given, decides last.
OSErr _WEMapFontName(ConstStringPtr name, i16 storedFamily, u8 script, WEFontNameToFamilyProcPtr hook, i16* family);
// The same with the script of a text encoding, asking the font catalogue's name look-up first.
OSErr _WEQDFontNameToFontFamily(ConstStringPtr name, i16 storedFamily, TextEncoding encoding,
                                WEFontNameToFamilyProcPtr hook, i16* family);
// The name of a family (empty when it names none); the hook, when given, may rewrite it.
OSErr _WEFontFamilyToQDFontName(i16 family, Str255 name, WEFontFamilyToNameProcPtr hook);
OSErr _WEBuildFontTableForRange(i32 start, i32 end, Handle fontTable, WEFontFamilyToNameProcPtr hook, WEReference we);

// --- Unicode ---------------------------------------------------------------------------------
OSErr _WEFontFamilyToTextEncoding(i16 family, TextEncoding* encoding);
OSErr _WETextEncodingToFontFamily(TextEncoding encoding, i16* family);
// 0 for families below 16384, else (family - 15872) >> 9.
i16 _WEFontFamilyToScript(i16 family);
// The conversions with a growing output. Output is appended to `out` at *written (in/out);
// `sourceOffsets` (count of them, ascending) come back in `outOffsets` as offsets into `out`.
OSErr _WEConvertTextToUnicode(const u8* text, i32 length, const TextToUnicodeInfo& converter, u32 flags, Handle out,
                              i32* written, i32 count, const i32* sourceOffsets, i32* outOffsets);
OSErr _WEConvertUnicodeToText(const u8* unicode, i32 length, const UnicodeToTextInfo& converter, u32 flags, Handle out,
                              i32* written, i32 count, const i32* sourceOffsets, i32* outOffsets);
// Unicode (UTF-16 units) spread over the enabled scripts' encodings: the text and an
// encoding scrap of {u32 offset, u32 encoding} entries (may be none). nilHandleErr without a
// text handle.
OSErr _WEConvertUnicodeToMultiScriptText(const UniChar* text, i32 units, Handle textOut, Handle encodingsOut);
// Unicode with 'WEcf' and 'WEpf' run arrays over a parsed style array (WETextStyle entries)
// into 8-bit text, each run in its style's encoding; the run offsets become text offsets.
OSErr _WEConvertStyledUnicode(const void* unicode, i32 byteLength, TextEncoding unicodeEncoding, Handle charFormat,
                              Handle paraFormat, Handle styles, Handle textOut);
// The merged, ascending offsets of two run arrays (either may be none), each offset once; and
// converted offsets (same order) written back into both.
OSErr _WESpliceRunArrays(Handle a, Handle b, Handle* offsets);
void _WERemapRunArrays(Handle a, Handle b, Handle offsets);
void _WEBumpRunArray(Handle runs, i32 delta);
void _WEEndianSwap(const UniChar* source, UniChar* dest, i32 count);
// Return <-> U+2029 and the object placeholder 1 <-> U+FFFC, in place.
void _WEMapCCsMacToUnicode(UniChar* units, i32 count);
void _WEMapCCsUnicodeToMac(UniChar* units, i32 count);
OSStatus _WEUnicodeToTextFallbackProc(const UniChar* source, ByteCount sourceLength, ByteCount* sourceUsed, u8* dest,
                                      ByteCount destRoom, ByteCount* destUsed);
// For tests: the first output estimate of the conversions in bytes (0: the standard estimate).
void _WESetConversionEstimate(i32 bytes);

// --- Scraps ----------------------------------------------------------------------------------
// The distinct styles of the runs from the one holding start to the one holding the range's
// last character (the run at start for an empty range), in style-table order.
#define KV_WEUNIQUESTYLE_FIELDS(F) F(i32, index, 0) F(WEStyle, style, 4)
KV_STORED_RECORD(WEUniqueStyle, 48, KV_WEUNIQUESTYLE_FIELDS)
OSErr _WEGetUniqueStyles(i32 start, i32 end, Handle out, WEReference we);

// --- Selectors -------------------------------------------------------------------------------
// A selector table row: the field's offset and width in the base record (width 0 ends the
// table).
struct WESelectorRow {
  OSType selector;
  u16 offset;
  u16 size;
};
extern const WESelectorRow __weMainSelectorTable[];
// The selectors of a handler row's fields: 'new ', 'free', 'draw', 'clik', 'strm', 'hovr', 'refc'.
extern const WESelectorRow __weObjectHandlerSelectorTable[];
// The row of the selector, or the table's ending row.
const WESelectorRow& _WELookupSelector(const WESelectorRow* table, OSType selector);
// Read or write the selected field of the record at base; paramErr for an unknown selector.
OSErr _WEGetField(const WESelectorRow* table, OSType selector, void* value, const void* base);
OSErr _WESetField(const WESelectorRow* table, OSType selector, const void* value, void* base);

// --- Find --------------------------------------------------------------------------------------
// The skip table of a key (256 entries) for the folding table (256 bytes).
void _WEInitBoyerMooreSearch(const u8* key, i32 keyLength, const u8* fold, i32* skip);
// The first match of the key in the text, folded; weTextNotFoundErr with both outputs -1.
OSErr _WEDoBoyerMooreSearch(const u8* text, i32 textLength, const u8* key, i32 keyLength, const u8* fold,
                            const i32* skip, i32* matchStart, i32* matchEnd);

// --- Printing ----------------------------------------------------------------------------------
// The block of a print session.
struct WEPrintSessionRec {
  WEReference record;
  Handle hLines;       // its own line array when laid out for another width, else none
  Handle hPageBreaks;  // i32: the first line of each page, then the line count
  i32 nLines;
  i32 nPages;
  Rect pageRect;
  i16 firstPageExtra;  // added to the first page's height by WEGetPageHeight
};
// The first line of a page and the first of the next (the page pinned to the pages there are).
void _WEGetPageRange(i32 page, i32* firstLine, i32* endLine, WEPrintSession session);

// --- Utilities -------------------------------------------------------------------------------
enum : i16 {
  weAllocClear = 1,    // the block is cleared
  weAllocTempMem = 2,  // temporary memory is tried first
};
OSErr _WEAllocate(Size size, i16 flags, Handle* block);
// length > 0 inserts that many bytes at the position (-1: the end), copied from data when
// given; length < 0 removes -length bytes there. paramErr for a position outside the block or
// a removal past its end.
OSErr _WESplice(Handle block, const void* data, i32 length, i32 position);
bool _WEBlockCmp(const void* a, const void* b, i32 n);  // true for n < 1
void _WEBlockClr(void* p, i32 n);
void _WEForgetHandle(Handle* h);
void _WEForgetRgn(RgnHandle* rgn);
void _WEForgetUPP(WEProcPtr* proc);
OSErr _WECreateNewRgn(RgnHandle* rgn);
// The block's previous lock state; blocks are never locked on this system.
bool _WESetHandleLock(Handle h, bool lock);
template <class T>
void _WEReorder(T* a, T* b) {
  if (*a > *b) {
    T t = *a;
    *a = *b;
    *b = t;
  }
}

// Elements of the record's tables, read and written by value (they are packed).
template <class T>
T weelement(Handle h, i32 i) {
  T t;
  std::memcpy(&t, deref(h) + std::size_t(i) * sizeof(T), sizeof(T));
  return t;
}
template <class T>
void setweelement(Handle h, i32 i, const T& t) {
  std::memcpy(deref(h) + std::size_t(i) * sizeof(T), &t, sizeof(T));
}

}  // namespace kv
