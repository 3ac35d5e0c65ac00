// The text record itself and the routines the engine's own files share. Only textengine/ (and
// its tests) includes this header; the rest of the system goes through werecord.h.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/collections/collections.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
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
  WEProcPtr clickLoop;
  WEProcPtr scrollProc;
  WEProcPtr tsmPreUpdate;
  WEProcPtr tsmPostUpdate;
  WEProcPtr hidn;  // kept for selector 'hidn'; the engine does not call it
  WEProcPtr ptrk;  // kept for selector 'ptrk'; the engine does not call it
  WEProcPtr translateDragHook;
  WEProcPtr hiliteDropAreaHook;
  WEProcPtr drawTextHook;
  WEProcPtr pixelToCharHook;
  WEProcPtr charToPixelHook;
  WEProcPtr lineBreakHook;
  WEProcPtr wordBreakHook;
  WEProcPtr charByteHook;
  WEProcPtr charTypeHook;
  WEProcPtr eraseHook;
  WEProcPtr drawTSMHiliteHook;
  WEProcPtr fluxProc;
  WEProcPtr undoProc;
  WEProcPtr preparePrintProc;
  WEProcPtr fontNameToFamilyHook;
  WEProcPtr familyToFontNameHook;
};
static_assert(std::is_standard_layout_v<WERec> && std::is_trivially_copyable_v<WERec>,
              "selectors reach record fields by offset");

// flags: internal state and environment bits.
enum : u32 {
  weFlagColor = 1u << 31,           // colour drawing available
  weFlagMultiScript = 1u << 28,     // more than one script enabled
  weFlagDoubleByte = 1u << 27,      // a two-byte script is installed
  weFlagBidi = 1u << 26,            // a right-to-left script is present
  weFlagCaretRTL = 1u << 25,        // the caret was last drawn for a right-to-left keyboard
  weFlagCaretShown = 1u << 24,
  weFlagTracking = 1u << 23,        // a click is being tracked
  weFlagBackwards = 1u << 22,       // the selection's start is its active end
  weFlagNullStyleValid = 1u << 21,  // nullStyle is current
  weFlagActive = 1u << 20,
  weFlagDragTracking = 1u << 19,
  weFlagDragOverSelf = 1u << 18,
  weFlagDragCaret = 1u << 17,
  weFlagScrollPending = 1u << 16,   // the scroll procedure awaits notification
  weFlagPrinting = 1u << 15,
  weFlagActionGroup = 1u << 14,     // an action group is open
  weFlagNewSystem = 1u << 13,       // system version at least 0x860
};

// The live record an id names, or null.
WERec* werec(WEReference we);
// Number of live records (tests use it to find leaks).
std::size_t liverecordcount();

// One embedded object's descriptor, a block of its own; the record's objectList chains them in
// increasing offset order and ends with a sentinel whose offset is textLength + 1.
struct WEObjectDesc {
  Handle next;
  Handle previous;
  i32 offset;
  OSType kind;
  Handle data;
  Handle handlerTable;
  i32 handlerIndex;
  WEReference owner;
  u32 refCon;
  Collection properties;
  i16 height;
  i16 width;
  i16 baseline;
};

// Frees an object: unlinks it from its record's chain and disposes of its data, properties and
// descriptor. nilHandleErr for none.
OSErr _WEFreeObject(Handle object);

// Fills every hook of the record that is still none with the engine's standard procedure.
void _WESetStandardHooks(WEReference we);

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

// Ruler copy mode bits.
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
};
void _WECopyRuler(const WERuler* source, WERuler* dest, u16 mode);
// Frees the object of every used style entry and sets every reference count to 0.
void _WEResetStyleTable(WEReference we);
// Brings nullStyle up to date with the style before the selection start.
void _WESynchNullStyle(WEReference we);

// --- Selectors -------------------------------------------------------------------------------
// A selector table row: the field's offset and width in the base record (width 0 ends the
// table).
struct WESelectorRow {
  OSType selector;
  u16 offset;
  u16 size;
};
extern const WESelectorRow __weMainSelectorTable[];
// The row of the selector, or the table's ending row.
const WESelectorRow& _WELookupSelector(const WESelectorRow* table, OSType selector);
// Read or write the selected field of the record at base; paramErr for an unknown selector.
OSErr _WEGetField(const WESelectorRow* table, OSType selector, void* value, const void* base);
OSErr _WESetField(const WESelectorRow* table, OSType selector, const void* value, void* base);

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
