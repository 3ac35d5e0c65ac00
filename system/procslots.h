// The routine type of each slot of the procedure table that holds a routine, declared once
// beside its number. getproc<N>() answers a routine of this type, and the table's row for slot
// N accepts only a routine of this type (system/proctable.cpp), so a fetch site and the row it
// reads are checked against each other by the compiler. A slot whose routine is not built yet
// has no line here unless code already fetches it (and goes without while it answers none): the
// change that builds the routine adds its line, or keeps the one there, and fills its row.
//
// Platform callbacks have the signature that the platform layer declares for their kind and
// are called directly. Routines of the system library have the library's own types.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <ctime>

#include "platform/controls/controls.h"
#include "platform/drag/drag.h"
#include "platform/events/eventrecord.h"
#include "platform/events/handlers.h"
#include "platform/ipc/appleevents.h"
#include "platform/lists/lists.h"
#include "platform/movies/movies.h"
#include "platform/qd/icons.h"
#include "platform/qd/qdtypes.h"
#include "platform/sound/channels.h"
#include "platform/sound/tunes.h"
#include "platform/te/te.h"
#include "platform/text/unicodeconverters.h"
#include "platform/tsm/tsm.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "textengine/wehooks.h"

struct kv_listrequest;  // system/kvexternal.h

namespace kv {

struct desk;
struct HighLevelRequest;
struct fred;
struct objread;
struct pictbuffer;
struct spot;
struct LongRect;
struct LongPoint;
struct WETextStyle;

template <i16 Slot>
struct procslot {};
template <i16 Slot>
using procroutine = typename procslot<Slot>::type;

// clang-format off
#define KV_PROCSLOT(slot, ...) \
  template <>                  \
  struct procslot<slot> {      \
    using type = __VA_ARGS__;  \
  }

// The drawing bottlenecks of rectangles and regions.
using QDRectProc = void (*)(GrafVerb verb, const Rect* r);
using QDRgnProc = void (*)(GrafVerb verb, RgnHandle rgn);
// The comparison that the library's searching and sorting take.
using LibraryCompare = int (*)(const void*, const void*);

// --- Drawing callbacks ------------------------------------------------------------------
KV_PROCSLOT(30, TEDrawHook);                                         // PmainRTdrawgrouproc
KV_PROCSLOT(32, ControlActionProcPtr);                               // PcreateRTcontrollscroll

// --- Editing tools ----------------------------------------------------------------------
KV_PROCSLOT(58, i16 (*)());                                          // PtoolsRTfalseproc

// --- Movies (70) ------------------------------------------------------------------------------
KV_PROCSLOT(70, MovieCallBackProc);                                 // PmovieRTmoovcallback

// --- Record cache (71-78, 93-100) and project store (101-113) ---------------------------
KV_PROCSLOT(71, i16 (*)(RegistryId store, i32* id, Handle h));      // addvir
KV_PROCSLOT(72, i16 (*)(RegistryId store, i32 id, Handle* out));    // getvir
KV_PROCSLOT(73, i16 (*)(RegistryId store, i32 id));                 // changevir
KV_PROCSLOT(74, i16 (*)(RegistryId store, i32 id));                 // putvir
KV_PROCSLOT(75, i16 (*)(RegistryId store, i32 id));                 // deletevir
KV_PROCSLOT(76, i16 (*)(RegistryId store, i32 id, StringPtr name)); // namevir
KV_PROCSLOT(77, i16 (*)(RegistryId store, i32 id));                 // savevir
KV_PROCSLOT(78, int (*)(Size bytes));                               // nomemory
KV_PROCSLOT(81, void (*)(Handle text, i32* selstart, i32* selend, i16 tabsize));  // xkv4indent
KV_PROCSLOT(93, i16 (*)(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store));  // openvir
KV_PROCSLOT(94, i16 (*)(RegistryId store));                         // closevir
KV_PROCSLOT(95, i16 (*)(RegistryId store, i32 id, Handle* out));    // revertvir
KV_PROCSLOT(96, i16 (*)(RegistryId store, i32 id, u16* flag));      // testvir
KV_PROCSLOT(97, i16 (*)(RegistryId store, i32 id, u32* size));      // sizevir
KV_PROCSLOT(98, void (*)(RegistryId store));                        // clearvir
KV_PROCSLOT(99, i16 (*)(RegistryId store));                         // islocked
KV_PROCSLOT(100, i16 (*)(RegistryId store, u64 bytes));             // nodiskspace
KV_PROCSLOT(101, i16 (*)(i16 volume, u32 dirid, ConstStringPtr name));  // createstar
KV_PROCSLOT(102, i16 (*)(i16 volume, u32 dirid, ConstStringPtr name));  // deletestar
KV_PROCSLOT(103, i16 (*)(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store));  // openstar
KV_PROCSLOT(104, i16 (*)(RegistryId store));                        // closestar
KV_PROCSLOT(105, i16 (*)(RegistryId store));                        // compactstar
KV_PROCSLOT(106, i16 (*)(RegistryId store));                        // flushstar
KV_PROCSLOT(107, i16 (*)(RegistryId store, u32 nids, u32* bytes));  // totalstar
KV_PROCSLOT(108, i16 (*)(RegistryId store, i32 id, u32* size));     // sizestar
KV_PROCSLOT(109, i16 (*)(RegistryId store, i32 id, Handle h));      // getstar
KV_PROCSLOT(110, i16 (*)(RegistryId store, i32 id, u8* buffer260)); // namestar
KV_PROCSLOT(111, i16 (*)(RegistryId store, i32 id, Handle h));      // savestar
KV_PROCSLOT(112, i16 (*)(RegistryId store, i32* id, Handle h));     // addstar
KV_PROCSLOT(113, i16 (*)(RegistryId store, i32 id));                // delstar

// --- Object services (114-122, 174-183) -------------------------------------------------
KV_PROCSLOT(80, i16 (*)(GWorldPtr* world, RgnHandle* region));      // imagedit
KV_PROCSLOT(82, void (*)(Handle list));                            // drawspot
KV_PROCSLOT(83, i16 (*)(Handle list, i16 index, Point pt));          // ptinspot
KV_PROCSLOT(114, void (*)(const spot& s, Rect* dest, Rect* view));  // destview
KV_PROCSLOT(115, void (*)(u16 settheme));                           // backspot
KV_PROCSLOT(118, void (*)(const objread& obj));                     // drawread
KV_PROCSLOT(119, i16 (*)(const objread& obj));                      // readisfield
KV_PROCSLOT(120, i16 (*)());                                        // putdownfield
KV_PROCSLOT(122, void (*)(Handle list, int depth));                 // dumpspot
KV_PROCSLOT(174, void (*)());                                       // dumpfield
KV_PROCSLOT(175, i16 (*)(ConstStringPtr name, i16 volume, u32 dirid, u16 fromresource, ConstStringPtr resname,
                         i16 resid, Handle* picture));              // getpicture
KV_PROCSLOT(176, i16 (*)(Handle list, i32 index, const Rect& newrect, bool scale));  // mapspot
KV_PROCSLOT(177, void (*)(Handle list, i16 index, Rect* out));      // calcspot
KV_PROCSLOT(178, void (*)(const desk& d, const Rect* area));        // drawedit
KV_PROCSLOT(179, void (*)(spot& object, i16 reuse));                // forcelistload
KV_PROCSLOT(180, i16 (*)(objread& obj, Handle data, i16 mode));     // lowsetpicturedata
KV_PROCSLOT(181, i16 (*)());                                        // PcreateRTweautotext

// --- The system library (123-168, 224-225, 441-450) -------------------------------------
KV_PROCSLOT(123, int (*)(char* out, const char* format, ...));      // mysprintf
KV_PROCSLOT(124, void* (*)(std::size_t));                           // malloc
KV_PROCSLOT(125, void* (*)(std::size_t, std::size_t));              // calloc
KV_PROCSLOT(126, void* (*)(void*, std::size_t));                    // realloc
KV_PROCSLOT(127, void (*)(void*));                                  // free
KV_PROCSLOT(128, double (*)(const char*));                          // atof
KV_PROCSLOT(129, double (*)(const char*, char**));                  // strtod
KV_PROCSLOT(130, int (*)(const char*));                             // atoi
KV_PROCSLOT(131, long (*)(const char*));                            // atol
KV_PROCSLOT(132, long (*)(const char*, char**, int));               // strtol
KV_PROCSLOT(133, unsigned long (*)(const char*, char**, int));      // strtoul
KV_PROCSLOT(134, void* (*)(const void*, const void*, std::size_t, std::size_t, LibraryCompare));  // bsearch
KV_PROCSLOT(135, int (*)(const char* text, const char* format, ...));  // mysscanf
KV_PROCSLOT(136, double (*)(double));                               // acos
KV_PROCSLOT(137, double (*)(double));                               // asin
KV_PROCSLOT(138, double (*)(double));                               // atan
KV_PROCSLOT(139, double (*)(double, double));                       // atan2
KV_PROCSLOT(140, double (*)(double));                               // cos
KV_PROCSLOT(141, double (*)(double));                               // sin
KV_PROCSLOT(142, double (*)(double));                               // tan
KV_PROCSLOT(143, double (*)(double));                               // cosh
KV_PROCSLOT(144, double (*)(double));                               // sinh
KV_PROCSLOT(145, double (*)(double));                               // tanh
KV_PROCSLOT(146, double (*)(double));                               // exp
KV_PROCSLOT(147, double (*)(double, int*));                         // frexp
KV_PROCSLOT(148, double (*)(double, int));                          // ldexp
KV_PROCSLOT(149, double (*)(double));                               // log
KV_PROCSLOT(150, double (*)(double));                               // log10
KV_PROCSLOT(151, double (*)(double, double*));                      // modf
KV_PROCSLOT(152, double (*)(double, double));                       // pow
KV_PROCSLOT(153, double (*)(double));                               // sqrt
KV_PROCSLOT(154, double (*)(double));                               // ceil
KV_PROCSLOT(155, double (*)(double));                               // fabs
KV_PROCSLOT(156, double (*)(double));                               // floor
KV_PROCSLOT(157, double (*)(double, double));                       // fmod
KV_PROCSLOT(158, void (*)(void*, std::size_t, std::size_t, LibraryCompare));  // qsort
KV_PROCSLOT(159, int (*)());                                        // rand
KV_PROCSLOT(160, void (*)(unsigned));                               // srand
KV_PROCSLOT(161, std::clock_t (*)());                               // clock
KV_PROCSLOT(162, double (*)(std::time_t, std::time_t));             // difftime
KV_PROCSLOT(163, std::time_t (*)(std::tm*));                        // mktime
KV_PROCSLOT(164, std::time_t (*)(std::time_t*));                    // time
KV_PROCSLOT(165, char* (*)(const std::tm*));                        // asctime
KV_PROCSLOT(166, char* (*)(const std::time_t*));                    // ctime
KV_PROCSLOT(167, std::tm* (*)(const std::time_t*));                 // gmtime
KV_PROCSLOT(168, std::size_t (*)(char*, std::size_t, const char*, const std::tm*));  // strftime
KV_PROCSLOT(224, int (*)(char* out, const char* format, va_list args));         // myvsprintf
KV_PROCSLOT(225, int (*)(const char* text, const char* format, va_list args));  // myvsscanf
KV_PROCSLOT(234, i16 (*)(const spot& s, pictbuffer* out));          // getcachepicture
KV_PROCSLOT(441, char* (*)(char*, const char*));                    // strtok
KV_PROCSLOT(442, std::size_t (*)(const char*));                     // strlen
KV_PROCSLOT(443, int (*)(const char*, const char*));                // strcmp
KV_PROCSLOT(444, int (*)(const char*, const char*, std::size_t));   // strncmp
KV_PROCSLOT(445, int (*)(const void*, const void*, std::size_t));   // memcmp
KV_PROCSLOT(446, const char* (*)(const char*, int));                // strchr
KV_PROCSLOT(447, const char* (*)(const char*, int));                // strrchr
KV_PROCSLOT(448, const char* (*)(const char*, const char*));        // strstr
KV_PROCSLOT(449, char* (*)(char*, const char*));                    // strcpy
KV_PROCSLOT(450, const char* (*)(const char*, const char*));        // strpbrk

// --- Text engine (184-223, 277-280, 339, 396-431) ---------------------------------------
KV_PROCSLOT(184, OSErr (*)(const LongRect* destRect, const LongRect* viewRect, u32 features, WEReference* out));  // WENew
KV_PROCSLOT(182, WEReference (*)(const LongRect& dest, const LongRect& view, const spot& object, bool dontwrap,
                                 bool canscroll));                   // westupidtext
KV_PROCSLOT(185, void (*)(WEReference we));                         // WEDispose
KV_PROCSLOT(214, OSErr (*)(Handle fontTable, WEFontFamilyToNameProcPtr hook, WEReference we));  // WEBuildFontTable
KV_PROCSLOT(215, OSErr (*)(Handle fontTable, WEFontNameToFamilyProcPtr hook, u8* changed));     // WEUpdateFontTable
KV_PROCSLOT(216, OSErr (*)(Handle styleScrap, Handle fontTable));   // WEUpdateStyleScrap
KV_PROCSLOT(186, void (*)(RgnHandle updateRgn, WEReference we));    // WEUpdate
KV_PROCSLOT(187, OSErr (*)(WEReference we));                        // WECalText
KV_PROCSLOT(188, OSErr (*)(Handle text, WEReference we));           // WEUseText
KV_PROCSLOT(191, void (*)(i32* start, i32* end, WEReference we));   // WEGetSelection
KV_PROCSLOT(194, OSErr (*)(const void* text, i32 length, Handle styles, Handle soup, WEReference we));  // WEInsert
KV_PROCSLOT(203, i32 (*)(i32 offset, WEReference we));              // WEOffsetToLine
KV_PROCSLOT(208, i32 (*)(i32 startLine, i32 endLine, WEReference we));  // WEGetHeight
KV_PROCSLOT(209, i32 (*)(WEReference we));                          // WEGetTextLength
KV_PROCSLOT(210, u8 (*)(i32 offset, WEReference we));               // WEGetChar
KV_PROCSLOT(211, i32 (*)(WEReference we));                          // WECountLines
KV_PROCSLOT(213, u32 (*)());                                        // WEVersion
KV_PROCSLOT(189, void (*)(WEReference we));  // WEActivate
KV_PROCSLOT(190, void (*)(WEReference we));  // WEDeactivate
KV_PROCSLOT(192, void (*)(i32 start, i32 end, WEReference we));  // WESetSelection
KV_PROCSLOT(204, i32 (*)(const LongPoint* point, i8* edge, WEReference we));  // WEGetOffset
KV_PROCSLOT(205, void (*)(i32 offset, i16 direction, LongPoint* point, i16* lineHeight, WEReference we));  // WEGetPoint
KV_PROCSLOT(206, OSErr (*)(i32 hOffset, i32 vOffset, WEReference we));  // WEScroll
KV_PROCSLOT(207, void (*)(WEReference we));  // WESelView
KV_PROCSLOT(217, void (*)(i32 offset, i8 edge, i32* start, i32* end, WEReference we));  // WEFindWord
KV_PROCSLOT(218, void (*)(i32 offset, i8 edge, i32* start, i32* end, WEReference we));  // WEFindLine
KV_PROCSLOT(219, void (*)(i32 offset, i8 edge, i32* start, i32* end, WEReference we));  // WEFindParagraph
KV_PROCSLOT(220, i16 (*)(i32 offset, WEReference we));  // WECharByte
KV_PROCSLOT(221, i16 (*)(i32 offset, WEReference we));  // WECharType
KV_PROCSLOT(222, void (*)(Point hitPt, u16 modifiers, u32 clickTime, WEReference we));  // WEClick
KV_PROCSLOT(223, bool (*)(WEReference we));  // WEIsActive
// Editing the selection.
KV_PROCSLOT(193, OSErr (*)(u16 key, u16 modifiers, WEReference we));  // WEKey
KV_PROCSLOT(195, OSErr (*)(u32 mode, const WETextStyle* style, WEReference we));  // WESetStyle
KV_PROCSLOT(201, OSErr (*)(WEReference we));  // WEDelete
KV_PROCSLOT(202, OSErr (*)(Handle styleScrap, WEReference we));  // WEUseStyleScrap
KV_PROCSLOT(340, OSErr (*)(i8 alignment, WEReference we));  // WESetAlignment
KV_PROCSLOT(404, OSErr (*)(OSType kind, Handle data, Point size, WEReference we));  // WEInsertObject
KV_PROCSLOT(405, OSErr (*)(i32 offset, WEObjectDescHandle* object, WEReference we));  // WEGetObjectAtOffset
KV_PROCSLOT(406, OSErr (*)(WEObjectDescHandle* object, WEReference we));  // WEGetSelectedObject
KV_PROCSLOT(407, i32 (*)(WEObjectDescHandle object));  // WEGetObjectOffset
KV_PROCSLOT(408, u32 (*)(WEObjectDescHandle object));  // WEGetObjectRefCon
KV_PROCSLOT(409, void (*)(WEObjectDescHandle object, u32 refCon));  // WESetObjectRefCon
KV_PROCSLOT(410, OSErr (*)(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, i32* outSize, void* data));  // WEGetObjectProperty
KV_PROCSLOT(411, OSErr (*)(WEObjectDescHandle object, OSType creator, OSType tag, i32 size, const void* data));  // WESetObjectProperty
KV_PROCSLOT(412, OSErr (*)(WEObjectDescHandle object, OSType creator, OSType tag));  // WERemoveObjectProperty
KV_PROCSLOT(413, OSErr (*)(WEObjectDescHandle object, LongRect* frame));  // WEGetObjectFrame
KV_PROCSLOT(414, i16 (*)(WEObjectDescHandle object));  // WEGetObjectBaseline
KV_PROCSLOT(415, OSErr (*)(WEObjectDescHandle object, i16 baseline));  // WESetObjectBaseline
KV_PROCSLOT(416, u32 (*)(WEObjectDescHandle object));  // WEGetObjectSize
KV_PROCSLOT(417, OSErr (*)(WEObjectDescHandle object, Point size));  // WESetObjectSize
KV_PROCSLOT(418, OSErr (*)(WEObjectDescHandle object, const WEObjectPlacement* placement));  // WESetObjectPlacement
KV_PROCSLOT(419, WEReference (*)(WEObjectDescHandle object));  // WEGetObjectOwner
KV_PROCSLOT(420, OSType (*)(WEObjectDescHandle object));  // WEGetObjectType
KV_PROCSLOT(421, i32 (*)(i32 offset, WEObjectDescHandle* object, WEReference we));  // WEFindNextObject
KV_PROCSLOT(422, i32 (*)(i32 offset, WEObjectDescHandle* object, WEReference we));  // WEFindPreviousObject
KV_PROCSLOT(423, Handle (*)(WEObjectDescHandle object));  // WEGetObjectDataHandle
KV_PROCSLOT(430, void (*)(WEObjectDescHandle object, Handle data));  // WESetObjectDataHandle
KV_PROCSLOT(183, OSErr (*)(Handle dest, Handle* uprops, WEReference we, bool fontprops));  // wepacktext
KV_PROCSLOT(197, OSErr (*)(WEReference we));  // WECopy
KV_PROCSLOT(198, OSErr (*)(i32 start, i32 end, Handle text, Handle styles, Handle soup, WEReference we));  // WECopyRange
KV_PROCSLOT(196, OSErr (*)(WEReference we));  // WECut
KV_PROCSLOT(199, OSErr (*)(WEReference we));  // WEPaste
KV_PROCSLOT(200, bool (*)(WEReference we));  // WECanPaste
KV_PROCSLOT(358, WENewObjectProcPtr);      // HandleNewPicture
KV_PROCSLOT(359, WEDisposeObjectProcPtr);  // HandleDisposePicture
KV_PROCSLOT(360, WEDrawObjectProcPtr);     // HandleDrawPicture
KV_PROCSLOT(361, WEStreamObjectProcPtr);   // HandleStreamPicture
KV_PROCSLOT(362, WEClickObjectProcPtr);    // HandleClickPicture
KV_PROCSLOT(363, WENewObjectProcPtr);      // HandleNewTIFF
KV_PROCSLOT(364, WEDisposeObjectProcPtr);  // HandleDisposeTIFF
KV_PROCSLOT(365, WEDrawObjectProcPtr);     // HandleDrawTIFF
KV_PROCSLOT(366, WENewObjectProcPtr);      // HandleNewIota
KV_PROCSLOT(367, WEDisposeObjectProcPtr);  // HandleDisposeIota
KV_PROCSLOT(368, WEDrawObjectProcPtr);     // HandleDrawIota
KV_PROCSLOT(369, WEStreamObjectProcPtr);   // HandleStreamIota
KV_PROCSLOT(370, WEClickObjectProcPtr);    // HandleClickIota
KV_PROCSLOT(397, OSErr (*)(spot& field, WEReference we));  // wenewpacktext
KV_PROCSLOT(402, OSErr (*)(i32 start, i32 end, OSType flavor, u16 flags, Handle block, WEReference we));  // WEStreamRange
KV_PROCSLOT(403, OSErr (*)(i32 start, i32 end, const void* text, i32 length, u32 encoding, u32 options, i32 flavorCount,
                           const OSType* flavorTypes, const Handle* flavorHandles, WEReference we));  // WEPut
KV_PROCSLOT(453, OSErr (*)(const void* text, i32 length, Handle styles, Handle soup, Handle paraFormat, Handle rulers,
                           WEReference we));  // WEInsertFormattedText
KV_PROCSLOT(277, OSErr (*)(OSType selector, void* value, WEReference we));  // WEGetInfo
KV_PROCSLOT(278, OSErr (*)(OSType selector, const void* value, WEReference we));  // WESetInfo
KV_PROCSLOT(279, void (*)(const LongRect* r, WEReference we));      // WESetDestRect
KV_PROCSLOT(280, void (*)(const LongRect* r, WEReference we));      // WESetViewRect
KV_PROCSLOT(338, void (*)(const spot& s, LongRect* dest, LongRect* view));  // ldestview
KV_PROCSLOT(320, bool (*)(i16 index, void* params));              // GetSegmentDirection
KV_PROCSLOT(322, UnicodeToTextFallbackProc);                       // _WEUnicodeToTextFallbackProc
// The standard hooks (323-334; 326 and 327 are the two line breaks) and the tab hooks (383-386).
KV_PROCSLOT(323, WEDrawTextProcPtr);        // _WEStdDrawText
KV_PROCSLOT(324, WEPixelToCharProcPtr);     // _WEStdPixelToChar
KV_PROCSLOT(325, WECharToPixelProcPtr);     // _WEStdCharToPixel
KV_PROCSLOT(326, WELineBreakProcPtr);       // _WEStdLineBreak
KV_PROCSLOT(327, WELineBreakProcPtr);       // _WERomanLineBreak
KV_PROCSLOT(328, WEWordBreakProcPtr);       // _WEStdWordBreak
KV_PROCSLOT(329, WECharByteProcPtr);        // _WEStdCharByte
KV_PROCSLOT(330, WECharTypeProcPtr);        // _WEStdCharType
KV_PROCSLOT(300, ControlUserPaneDrawProcPtr);      // TPPaneDrawProc
KV_PROCSLOT(301, ControlUserPaneHitTestProcPtr);   // TPPaneHitTestProc
KV_PROCSLOT(302, ControlUserPaneTrackingProcPtr);  // TPPaneTrackingProc
KV_PROCSLOT(303, ControlUserPaneIdleProcPtr);      // TPPaneIdleProc
KV_PROCSLOT(304, ControlUserPaneKeyDownProcPtr);   // TPPaneKeyDownProc
KV_PROCSLOT(305, ControlUserPaneActivateProcPtr);  // TPPaneActivateProc
KV_PROCSLOT(306, ControlUserPaneFocusProcPtr);     // TPPaneFocusProc
KV_PROCSLOT(307, WEClickLoopProcPtr);              // TPTEClickLoopProc
KV_PROCSLOT(308, ControlActionProcPtr);            // TPScrollActionProc
KV_PROCSLOT(309, DragTrackingHandler);  // MyDefaultTrackingHandler
KV_PROCSLOT(310, DragReceiveHandler);   // MyDefaultReceiveHandler
KV_PROCSLOT(311, DragSendDataProc);     // MySendTextDataProc
KV_PROCSLOT(312, DragSendDataProc);     // MySendSpotDataProc
KV_PROCSLOT(313, TSMHandler);  // _WEHandleUpdateActiveInputArea
KV_PROCSLOT(314, TSMHandler);  // _WEHandlePositionToOffset
KV_PROCSLOT(315, TSMHandler);  // _WEHandleOffsetToPosition
KV_PROCSLOT(316, TSMHandler);  // _WEHandleGetSelectedText
KV_PROCSLOT(321, DragSendDataProc);        // _WESendFlavor
KV_PROCSLOT(331, WEClickLoopProcPtr);       // _WEStdClickLoop
KV_PROCSLOT(332, WEHiliteDropAreaProcPtr);  // _WEStdHiliteDropArea
KV_PROCSLOT(333, WEEraseProcPtr);           // _WEStdErase
KV_PROCSLOT(334, WEDrawTSMHiliteProcPtr);   // _WEStdDrawTSMHilite
KV_PROCSLOT(351, void (*)(WEReference we));  // PscriRTautoindentproc
KV_PROCSLOT(383, WEDrawTextProcPtr);        // _WETabDrawText
KV_PROCSLOT(384, WEPixelToCharProcPtr);     // _WETabPixelToChar
KV_PROCSLOT(385, WECharToPixelProcPtr);     // _WETabCharToPixel
KV_PROCSLOT(386, WELineBreakProcPtr);       // _WETabLineBreak
KV_PROCSLOT(339, i16 (*)(i16 feature, i16 action, WEReference we));  // WEFeatureFlag
KV_PROCSLOT(393, WEScrollProcPtr);                                  // PobjRTwescrollcallbackproc
KV_PROCSLOT(396, WEReference (*)(const LongRect& dest, const LongRect& view, spot& object));  // westupidertext
KV_PROCSLOT(398, bool (*)(WEReference we));                         // GetWERecDirtyFlag
KV_PROCSLOT(399, void (*)(WEReference we, bool dirty));             // SetWERecDirtyFlag
KV_PROCSLOT(401, ListDefProcPtr);                                   // MyListDefinition
KV_PROCSLOT(424, OSErr (*)(OSType creator, OSType tag, i32 size, i32* outSize, void* data, WEReference we));  // WEGetProperty
KV_PROCSLOT(425, OSErr (*)(OSType creator, OSType tag, i32 size, const void* data, WEReference we));  // WESetProperty
KV_PROCSLOT(426, OSErr (*)(OSType creator, OSType tag, WEReference we));  // WERemoveProperty
KV_PROCSLOT(427, OSErr (*)(OSType tag, i32* value, WEReference we));  // WEGetUserInfo
KV_PROCSLOT(428, OSErr (*)(OSType tag, i32 value, WEReference we));   // WESetUserInfo
KV_PROCSLOT(429, OSErr (*)(OSType tag, WEReference we));            // WERemoveUserInfo
KV_PROCSLOT(431, i16 (*)(WEReference we, i32 position, WEObjectDescHandle* object));  // WEGetObjectByIndex

// --- Files, properties and objects (226-264, 281-283) -----------------------------------
KV_PROCSLOT(226, i16 (*)(ConstStringPtr prompt, i16 count, ConstStringPtr b1, ConstStringPtr b2, ConstStringPtr b3));  // xanswer
KV_PROCSLOT(227, i16 (*)(i16 mode, ConstStringPtr prompt, StringPtr answer, i16 h, i16 v, StringPtr path, bool password,
                         i16* volume, u32* directory));  // xask
KV_PROCSLOT(228, i16 (*)(::kv_listrequest* request, Handle answer));  // xrunlist
KV_PROCSLOT(229, i16 (*)(ConstStringPtr prompt, ConstStringPtr type1, ConstStringPtr type2, ConstStringPtr type3,
                         StringPtr path));  // xanswerfile
KV_PROCSLOT(230, i16 (*)(ConstStringPtr prompt, StringPtr name, i16* volume, u32* directory));  // xanswerfolder
KV_PROCSLOT(231, i16 (*)(StringPtr out, i16 capacity, i16 volume, u32 dirid));  // getpath
KV_PROCSLOT(235, i16 (*)(const objread& obj, ConstStringPtr name, u16 command));  // lowdefine
KV_PROCSLOT(236, i16 (*)(const objread& obj, ConstStringPtr name, fred* value));  // lowuserprop
KV_PROCSLOT(237, i16 (*)(const objread& obj, i32 index, fred* value));  // lowuserpropidx
KV_PROCSLOT(238, i16 (*)(const objread& obj, ConstStringPtr name, Handle* out));  // lowuserprophand
KV_PROCSLOT(239, i16 (*)(const objread& obj, ConstStringPtr name, fred* value));  // lowsetuserprop
KV_PROCSLOT(240, i16 (*)(const objread& obj, i32 index, fred* value));  // lowsetuserpropidx
KV_PROCSLOT(241, void (*)(i16 token));                              // objectcursor
KV_PROCSLOT(242, i16 (*)(Handle list, ConstStringPtr name, fred* value));  // proputil
KV_PROCSLOT(243, i16 (*)(Handle list, i32 index, fred* value));     // proputilidx
KV_PROCSLOT(244, i16 (*)(Handle list, ConstStringPtr name, Handle* out));  // prophandutil
KV_PROCSLOT(245, i16 (*)(Handle list, i32 index, Handle* out));     // prophandutilidx
KV_PROCSLOT(246, i16 (*)(Handle list, fred* value));                // propuserutil
KV_PROCSLOT(247, i16 (*)(Handle list, ConstStringPtr name, fred* value));  // modproperty
KV_PROCSLOT(248, i16 (*)(Handle list, i32 index, fred* value));     // modpropertyidx
KV_PROCSLOT(249, i16 (*)(objread& obj, Handle alt));               // lowmovepicturedata
KV_PROCSLOT(250, i16 (*)(const objread& obj, i32 source, i32 dest, bool redraw));  // shufflepicture
KV_PROCSLOT(251, i16 (*)(objread* obj, i32 source, i32 dest));      // shuffleuprops
KV_PROCSLOT(252, i16 (*)(Handle list, Handle* newlist, i16* changed, u16 command, ConstStringPtr name));  // comodproperty
KV_PROCSLOT(255, i16 (*)(ConstStringPtr s, double* out));           // stringtodouble
KV_PROCSLOT(256, void (*)(double d, StringPtr out));                // doubletostring
KV_PROCSLOT(259, i16 (*)(WindowRef window, i32 code, const EventRecord* event));  // sendxrtnevent
KV_PROCSLOT(260, void (*)(const spot& s));                          // killpictbuffer
KV_PROCSLOT(261, u16 (*)(const u8* text, u16 length));              // stringtotoken
KV_PROCSLOT(263, void (*)(WindowRef window, i16 send));             // updatewindow
KV_PROCSLOT(264, void (*)());                                       // redrawbehind
KV_PROCSLOT(281, OSErr (*)(Handle rec));                            // pack
KV_PROCSLOT(282, OSErr (*)(Handle rec));                            // unpack
KV_PROCSLOT(283, i64 (*)(Handle rec));                              // getsize

// --- Card drawing: the window's interior and clipping (341-345) --------------------------
KV_PROCSLOT(341, void (*)());                                       // lowclipup
KV_PROCSLOT(342, void (*)());                                       // lowclipdown
KV_PROCSLOT(343, void (*)());                                       // lowfixbar
KV_PROCSLOT(344, void (*)());                                       // lowrectbar
KV_PROCSLOT(345, void (*)(Rect* out));                              // lowgetinterior

// --- Platform callbacks -----------------------------------------------------------------
// The controls of buttons: their action, colour, icon and draw-event procedures (266, 267,
// 436, 439 are fetched by the controls' builder before their routines are built: unbuilt, they
// answer none and the control goes without).
KV_PROCSLOT(266, ControlActionProcPtr);                             // PtoolRTtrackbtn
KV_PROCSLOT(267, ControlColorProcPtr);                              // Pfindbehindcolor
KV_PROCSLOT(291, IconActionProcPtr);                                // DetachSuiteMembers
KV_PROCSLOT(436, EventHandlerProc);                                 // PdrawRTsetidlerBGproc
KV_PROCSLOT(439, EventHandlerProc);                                 // PdrawRTDrawMetalWindowControl
KV_PROCSLOT(33, ControlActionProcPtr);                              // PeditRTscrollcard
KV_PROCSLOT(34, void (*)(const Rect* r));                          // PfindRTmyhook
KV_PROCSLOT(12, ColorSearchProcPtr);                                // PdrawRTmatchproc
KV_PROCSLOT(36, ColorSearchProcPtr);                                // PpaintRTmatchproc
KV_PROCSLOT(37, void (*)(i16 kind, i16 dataSize, Handle dataHandle));  // PpaintRTgathercom
KV_PROCSLOT(69, void (*)(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn));  // PpdataRTstdbitsproc
KV_PROCSLOT(14, bool (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogMPstdialog
KV_PROCSLOT(9, bool (*)(RegistryId dialog, EventRecord* event, i16* item));   // PdialogRTviewproc
KV_PROCSLOT(10, bool (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogRTmystdialog
KV_PROCSLOT(56, bool (*)(RegistryId dialog, EventRecord* event, i16* item));  // PcomaRTlistdlog
KV_PROCSLOT(169, bool (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogRTfiltericon
KV_PROCSLOT(170, ControlActionProcPtr);                             // PdialogRTiconscroll
KV_PROCSLOT(392, ListSearchProcPtr);                                // PlistRTasklistmatchproc
KV_PROCSLOT(171, u8 (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogRTfilterprop
KV_PROCSLOT(172, void (*)(RegistryId control, i16 part));           // PdialogRTupropscroll
KV_PROCSLOT(173, i16 (*)());                                        // PdialogRTautotext
KV_PROCSLOT(265, bool (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogRTstdialog
KV_PROCSLOT(292, void (*)(const EventRecord& event, void* ref));   // naveventproc
KV_PROCSLOT(352, u8 (*)(RegistryId dialog, EventRecord* event, i16* item));  // PdialogRTfilterfilter
KV_PROCSLOT(13, QDRectProc);                                        // PdrawRTfakeback
KV_PROCSLOT(47, SndCallBackProc);                                   // PsndRTcallproc
KV_PROCSLOT(48, SndCallBackProc);                                   // PsndRTbackproc
KV_PROCSLOT(270, TuneCallBackProc);                                 // PtuneRTcallproc
KV_PROCSLOT(299, OSErr (*)(const HighLevelRequest& event));          // speechdone
KV_PROCSLOT(39, AEEventHandlerProcPtr);                              // Psys7RTwildwild
KV_PROCSLOT(40, AECoercionHandlerProcPtr);                           // Psys7RTfsspectotext
KV_PROCSLOT(41, AECoercionHandlerProcPtr);                           // Psys7RTtextotarg
KV_PROCSLOT(42, AECoercionHandlerProcPtr);                           // Psys7RTtargtotext
KV_PROCSLOT(43, AEIdleProcPtr);                                      // Psys7RTidleproc
KV_PROCSLOT(44, AEFilterProcPtr);                                    // Psys7RTeventproc
KV_PROCSLOT(275, void (*)());                                       // PxcmdRTcallback
KV_PROCSLOT(285, ColorSearchProcPtr);                               // bwmatchproc
KV_PROCSLOT(288, WindowDefProc);                                    // widget
KV_PROCSLOT(289, WEEraseProcPtr);                                   // _WEDontErase
KV_PROCSLOT(290, QDRectProc);                                       // PdrawRTsanitycheckedrectproc
KV_PROCSLOT(350, EventHandlerProc);                                 // PappRTDockMenuHandlerProc
KV_PROCSLOT(395, EventHandlerProc);                                 // PappRTExpandCollapseWindowProc
KV_PROCSLOT(335, EventHandlerProc);                                 // PeditRTHandleWindowMenuZooms
KV_PROCSLOT(336, EventHandlerProc);                                 // PeditRTRedrawScrollbarsAfterExpand
KV_PROCSLOT(388, EventHandlerProc);                                 // PeditRTRedrawForLiveResize
KV_PROCSLOT(353, QDRectProc);                                       // PdrawRTdonteraserectproc
KV_PROCSLOT(354, QDRgnProc);                                        // PdrawRTdonterasergnproc
KV_PROCSLOT(355, EventHandlerProc);                                 // PcopyRThandlegetservicetypesproc
KV_PROCSLOT(356, EventHandlerProc);                                 // PcopyRThandleservicecopyproc
KV_PROCSLOT(357, EventHandlerProc);                                 // PcopyRThandleservicepasteproc
KV_PROCSLOT(437, QDRectProc);                                       // PobjRTmetaleraserectproc
KV_PROCSLOT(438, QDRgnProc);                                        // PobjRTmetalerasergnproc
KV_PROCSLOT(440, void (*)());                                       // PxcmdRTcallback
KV_PROCSLOT(451, EventHandlerProc);                                 // PeditRTHandleDiskEvent

#undef KV_PROCSLOT
// clang-format on

}  // namespace kv
