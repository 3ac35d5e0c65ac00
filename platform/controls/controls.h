// The Control Manager of our platform model: each window's root control and the live scroll
// bar (bounds, value, minimum, maximum, view size, shown, active, hilite), hit testing by
// part, tracking with an action procedure, drawn flat into the window's port or the current
// port; custom controls drawn and hit-tested by their definition procedure, with data kept
// under four-character tags; and the controls of buttons (push, check box, radio button and
// group, bevel, popup, round, slider, disclosure, progress, relevance, little and chasing
// arrows, disclosure triangle, group boxes, popup arrow, placard, window headers, separator,
// image well, tabs, data browser) with their titles, reference constants, fonts, colour
// procedures, draw-event handlers, properties, embedding and best sizes. Those are drawn by
// the painter (painter.h); the model itself draws none of them.
//
// Controls are registry ids (RegType::control), checked on every use. Bounds are in the
// window port's coordinates. A window's controls go with the window; a control never owns
// the menus, icons or pictures it shows: whoever gave them takes them back.
#pragma once

#include <vector>

#include "platform/events/handlers.h"
#include "platform/menus/menus.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

using ControlRef = RegistryId;
// Called while a part is held during TrackControl (the part under the mouse, 0 outside it).
using ControlActionProcPtr = void (*)(ControlRef control, i16 part);

// Control part codes.
enum : i16 {
  kControlNoPart = 0,
  kControlMenuPart = 2,  // a bevel button's menu: an item was chosen
  kControlUpButtonPart = 20,
  kControlDownButtonPart = 21,
  kControlPageUpPart = 22,
  kControlPageDownPart = 23,
  kControlIndicatorPart = 129,
};
constexpr OSStatus errControlIsNotEmbedder = -30590;
constexpr OSStatus errRootAlreadyExists = -30595;
constexpr OSStatus errNoRootControl = -30600;
constexpr OSStatus errInvalidControl = -30584;

// The window's root control (the container of every control embedded in the window).
OSStatus CreateRootControl(WindowRef window, ControlRef* out);
OSStatus GetRootControl(WindowRef window, ControlRef* out);
// A scroll bar, visible, with the window's root control (when there is one) as its container.
OSStatus CreateScrollBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum, i32 viewSize,
                                bool liveTracking, ControlActionProcPtr action, ControlRef* out);
OSStatus EmbedControl(ControlRef control, ControlRef container);
OSStatus GetSuperControl(ControlRef control, ControlRef* out);
// The number of controls embedded directly in a control.
OSStatus CountSubControls(ControlRef control, u16* count);
// Disposes of a control and everything embedded in it.
void DisposeControl(ControlRef control);
bool IsValidControlHandle(ControlRef control);
WindowRef GetControlOwner(ControlRef control);

OSStatus ActivateControl(ControlRef control);
OSStatus DeactivateControl(ControlRef control);
bool IsControlActive(ControlRef control);
void ShowControl(ControlRef control);
void HideControl(ControlRef control);
bool IsControlVisible(ControlRef control);

// The value is kept between the minimum and the maximum.
i32 GetControl32BitValue(ControlRef control);
void SetControl32BitValue(ControlRef control, i32 value);
i32 GetControl32BitMinimum(ControlRef control);
void SetControl32BitMinimum(ControlRef control, i32 minimum);
i32 GetControl32BitMaximum(ControlRef control);
void SetControl32BitMaximum(ControlRef control, i32 maximum);
i32 GetControlViewSize(ControlRef control);
void SetControlViewSize(ControlRef control, i32 size);
Rect* GetControlBounds(ControlRef control, Rect* bounds);
void SetControlBounds(ControlRef control, const Rect* bounds);

// The visible, active control under a point of the window's port and the part hit there.
i16 FindControl(Point local, WindowRef window, ControlRef* out);
// The part of a control under a point (port coordinates): a scroll bar's arrows (20, 21),
// page areas (22, 23) and thumb (129); little arrows their arrows (the row between them
// answers 129); tabs the tab's number; any other control of a button 129 inside it. 0 outside.
i16 TestControl(ControlRef control, Point pt);
// Follows the mouse from a press at `start` (port coordinates) until the button goes up:
// arrows and page areas repeat the action procedure while the mouse is over them, the
// indicator follows the mouse; other controls of buttons call it on every poll with the part
// pressed while the mouse is on it and 0 while it is away (tabs: the tab under the mouse), a
// popup button tracks its menu instead. Stops when the control is disposed. Answers the part
// the button went up in, 0 outside (a popup button: the part when an item was chosen, which
// becomes its value; tabs take the tab as their value, self-toggling check boxes and radio
// buttons their new value).
i16 TrackControl(ControlRef control, Point start, ControlActionProcPtr action);
// The mouse TrackControl follows: the real one (null), or one the caller drives (whether the
// button is still down; where the mouse is, in port coordinates), such as a scripted click's.
struct ControlTrackMouse {
  bool (*down)();
  void (*where)(Point* pt);
};
void setcontroltrackmouse(const ControlTrackMouse* mouse);

void Draw1Control(ControlRef control);
// Draws every visible control of the window.
void DrawControls(WindowRef window);

// --- Hilite, drawing in place, custom controls ---------------------------------------------
// The hilite: 0 plain, 255 (or -1) inactive, any other value the part shown pressed (a value
// that is no part of the control draws it plain). Redraws a shown control.
void HiliteControl(ControlRef control, i16 hilite);
u8 GetControlHilite(ControlRef control);
// Shows or hides a control, drawing it into its window only when asked.
OSStatus SetControlVisibility(ControlRef control, bool visible, bool draw);
// Draws a shown control into the current port (an offscreen world, say) at its bounds.
void DrawControlInCurrentPort(ControlRef control);

// The definition procedure of a custom control. Messages: kControlMsgDraw (param: the hilite),
// kControlMsgTest (param: the point, v in the high half and h in the low; answers the part
// hit, 0 none), kControlMsgInit and kControlMsgDispose; and, by the features the definition
// answers to kControlMsgGetFeatures: kControlMsgHandleTracking (param: the start point as for
// the hit test; answers the part) for TrackControl, kControlMsgActivate (param 1 active, 0
// not) for ActivateControl and DeactivateControl, kControlMsgSetData and kControlMsgGetData
// (the record controldataaccess() gives; answers a status) for SetControlData and
// GetControlData. Drawing happens in the current port.
using ControlDefProcPtr = i32 (*)(i16 varCode, ControlRef control, i16 message, i32 param);
enum : i16 {
  kControlMsgDraw = 0,
  kControlMsgTest = 1,
  kControlMsgInit = 3,
  kControlMsgDispose = 4,
  kControlMsgCalcRegions = 10,
  kControlMsgHandleTracking = 15,
  kControlMsgGetFeatures = 19,
  kControlMsgSetData = 20,
  kControlMsgGetData = 21,
  kControlMsgActivate = 22,
  kControlMsgTestNewMsgSupport = 27,
};
enum : u32 {
  kControlWantsActivate = 1u << 4,
  kControlHandlesTracking = 1u << 5,
  kControlSupportsDataAccess = 1u << 6,
  kControlSupportsContextualMenus = 1u << 21,
};
// What a set-data or get-data message works on: the part and tag, the size (of the data given,
// or of the buffer; the definition puts the size of its data there when getting) and the data
// or buffer (may be null when getting).
struct ControlDataAccessRec {
  i16 part;
  OSType tag;
  i32 size;
  void* data;
};
// The record of the set-data or get-data message being handled (null outside one).
ControlDataAccessRec* controldataaccess();
// A custom control, invisible, embedded in the window's root control when there is one.
OSStatus CreateCustomControl(WindowRef window, const Rect* bounds, ControlDefProcPtr def, ControlRef* out);
// Bytes kept on a control under {part, tag}; a later set replaces them. GetControlData copies
// at most bufferSize bytes (buffer may be null) and gives the kept size in *actualSize (may be
// null); errDataNotSupported when the control keeps nothing under the tag. A custom control
// whose definition supports data access answers both itself.
constexpr OSStatus errDataNotSupported = -30583;
OSStatus SetControlData(ControlRef control, i16 part, OSType tag, i32 size, const void* data);
OSStatus GetControlData(ControlRef control, i16 part, OSType tag, i32 bufferSize, void* buffer, i32* actualSize);

// --- User panes and keyboard focus ----------------------------------------------------------
// A user pane does what the procedures kept in its control data (part 0, each tag holding one
// procedure pointer) do: 'draw' when it is drawn, 'hitt' to hit-test a point within its
// bounds, 'trak' to follow a click (TrackControl), 'idle' at IdleControls, 'keyd' at
// HandleControlKey, 'acti' when it is activated or deactivated (then it is drawn again) and
// 'foci' when the keyboard focus comes or goes (then too). A missing procedure does nothing.
using ControlUserPaneDrawProcPtr = void (*)(ControlRef control, i16 part);
using ControlUserPaneHitTestProcPtr = i16 (*)(ControlRef control, Point where);
using ControlUserPaneTrackingProcPtr = i16 (*)(ControlRef control, Point start, ControlActionProcPtr action);
using ControlUserPaneIdleProcPtr = void (*)(ControlRef control);
using ControlUserPaneKeyDownProcPtr = i16 (*)(ControlRef control, i16 keyCode, i16 charCode, i16 modifiers);
using ControlUserPaneActivateProcPtr = void (*)(ControlRef control, bool activating);
// Answers the part that has the focus afterwards (0: none).
using ControlUserPaneFocusProcPtr = i16 (*)(ControlRef control, i16 part);
constexpr u32 kControlKindUserPane = fourcc("upan");
constexpr i16 kControlUserPaneProc = 256;  // NewControl's definition number of a user pane
// Focus parts: none, and the part a click gives.
enum : i16 { kControlFocusNoPart = 0, kUserClickedToFocusPart = 100 };
// A visible user pane whose value is its feature bits, embedded in the window's root control.
OSStatus CreateUserPaneControl(WindowRef window, const Rect* bounds, u32 features, ControlRef* out);
// Gives the window's keyboard focus to the control's part (kControlFocusNoPart: takes it away);
// the control that had it loses it first. errInvalidControl for a control of another window.
OSStatus SetKeyboardFocus(WindowRef window, ControlRef control, i16 part);
OSStatus GetKeyboardFocus(WindowRef window, ControlRef* control);
// A key for the control: its 'keyd' procedure's answer (0 without one).
i16 HandleControlKey(ControlRef control, i16 keyCode, i16 charCode, i16 modifiers);

// --- Controls of buttons -------------------------------------------------------------------

// The control sizes the theme's metrics name (kThemeMetric... of theme.h beyond the scroll
// bar's width), from the sizes the controls are drawn at; paramErr for another selector.
OSStatus controlsizemetric(i32 selector, i32* out);

// Kinds (GetControlKind).
constexpr u32 kControlKindRoot = fourcc("root");
constexpr u32 kControlKindScrollBar = fourcc("sbar");
constexpr u32 kControlKindCustom = fourcc("cstm");
constexpr u32 kControlKindPushButton = fourcc("push");
constexpr u32 kControlKindPushIconButton = fourcc("picn");
constexpr u32 kControlKindCheckBox = fourcc("cbox");
constexpr u32 kControlKindRadioButton = fourcc("rdio");
constexpr u32 kControlKindRadioGroup = fourcc("rgrp");
constexpr u32 kControlKindBevelButton = fourcc("bevl");
constexpr u32 kControlKindPopupButton = fourcc("popb");
constexpr u32 kControlKindRoundButton = fourcc("rndb");
constexpr u32 kControlKindSlider = fourcc("sldr");
constexpr u32 kControlKindDisclosureButton = fourcc("disb");
constexpr u32 kControlKindProgressBar = fourcc("prgb");
constexpr u32 kControlKindRelevanceBar = fourcc("relb");
constexpr u32 kControlKindLittleArrows = fourcc("larr");
constexpr u32 kControlKindChasingArrows = fourcc("carr");
constexpr u32 kControlKindDisclosureTriangle = fourcc("dist");
constexpr u32 kControlKindGroupBox = fourcc("grpb");
constexpr u32 kControlKindPopupArrow = fourcc("parr");
constexpr u32 kControlKindPlacard = fourcc("plac");
constexpr u32 kControlKindWindowHeader = fourcc("whed");
constexpr u32 kControlKindSeparator = fourcc("sepa");
constexpr u32 kControlKindImageWell = fourcc("well");
constexpr u32 kControlKindTabs = fourcc("tabs");
constexpr u32 kControlKindDataBrowser = fourcc("datb");

// Parts.
enum : i16 {
  kControlButtonPart = 10,
  kControlCheckBoxPart = 11,
  kControlInactivePart = 255,
};
// Sizes (the 'size' tag and the creation size of round buttons and popup arrows).
enum : u16 { kControlSizeNormal = 0, kControlSizeSmall = 1, kControlSizeLarge = 2, kControlSizeMini = 3 };

// Data tags of SetControlData.
constexpr u32 kControlPushButtonDefaultTag = fourcc("dflt");         // Boolean
constexpr u32 kControlProgressBarAnimatingTag = fourcc("anim");      // Boolean
constexpr u32 kControlProgressBarIndeterminateTag = fourcc("inde");  // Boolean
constexpr u32 kControlSizeTag = fourcc("size");                      // u16
constexpr u32 kControlTabInfoTag = fourcc("tabi");                   // ControlTabInfoRecV0, by tab
constexpr u32 kControlTabEnabledFlagTag = fourcc("enab");            // Boolean, by tab
constexpr u32 kControlBevelButtonMenuHandleTag = fourcc("mhnd");     // MenuRef
constexpr u32 kControlBevelButtonMenuValueTag = fourcc("mval");      // i16
constexpr u32 kControlBevelButtonContentTag = fourcc("cont");        // ControlButtonContentInfo
constexpr u32 kControlBevelButtonKindTag = fourcc("bebk");           // i16 theme button kind
constexpr u32 kControlBevelButtonTextAlignTag = fourcc("tali");      // i16
constexpr u32 kControlBevelButtonTextOffsetTag = fourcc("toff");     // i16
constexpr u32 kControlBevelButtonGraphicAlignTag = fourcc("gali");   // i16
constexpr u32 kControlBevelButtonGraphicOffsetTag = fourcc("goff");  // Point (v, h)
constexpr u32 kControlBevelButtonTextPlaceTag = fourcc("tplc");      // i16
constexpr u32 kControlImageWellContentTag = fourcc("cont");
constexpr u32 kControlDisclosureTriangleLastValueTag = fourcc("last");       // i16
constexpr u32 kControlDataBrowserIncludesFrameAndFocusTag = fourcc("brdr");  // Boolean
constexpr i16 kControlEntireControl = 0;
constexpr OSStatus controlPropertyNotFoundErr = -5603;

// Event class and kind of a control's draw event, and its parameters: the control (direct
// object) and, when only a part is drawn, the part.
constexpr u32 kEventClassControl = fourcc("cntl");
constexpr u32 kEventControlDraw = 4;
constexpr u32 typeControlRef = fourcc("ctrl");
constexpr u32 kEventParamControlPart = fourcc("cprt");
constexpr u32 typeControlPartCode = fourcc("cprc");

// The regions of a control: its whole structure (what it draws) and its content (where its
// value or items show: a scroll bar's track, a group box's interior, a browser's list; the
// whole control for most kinds), in port coordinates.
enum : i16 { kControlStructureMetaPart = -1, kControlContentMetaPart = -2 };
OSStatus GetControlRegion(ControlRef control, i16 part, RgnHandle region);

// Controls that animate (a default push button, progress and indeterminate bars with their
// 'anim' tag on, chasing arrows with theirs) change their look with the clock. At idle time
// each of the window's shown controls that animates and is placed (not at the parking
// rectangle) is drawn again into the window's port when its phase has moved since it was last
// drawn.
void IdleControls(WindowRef window);

// A control's font, size and face and how its title is justified (flags say which apply).
enum : i16 {
  kControlUseFontMask = 0x0001,
  kControlUseFaceMask = 0x0002,
  kControlUseSizeMask = 0x0004,
  kControlUseJustMask = 0x0040,
};
// Fonts with a meaning of their own, and the size meaning "small".
enum : i16 {
  kControlFontBigSystemFont = -1,
  kControlFontSmallSystemFont = -2,
  kControlFontSmallBoldSystemFont = -3,
  kControlFontViewSystemFont = -4,
};
constexpr i16 kControlSizeSmallFont = -1;  // 65535 as a size word
struct ControlFontStyleRec {
  i16 flags, font, size, style, mode, just;
  RGBColor foreColor, backColor;
};

// What a button shows beside or instead of its title. `data` is a resource id for the resource
// types (1-4) and a handle or icon reference for the others.
enum : i16 {
  kControlContentTextOnly = 0,
  kControlContentIconSuiteRes = 1,
  kControlContentCIconRes = 2,
  kControlContentPictRes = 3,
  kControlContentICONRes = 4,
  kControlContentIconSuiteHandle = 129,
  kControlContentCIconHandle = 130,
  kControlContentPictHandle = 131,
  kControlContentIconRef = 132,
  kControlContentICON = 133,
};
struct ControlButtonContentInfo {
  i16 contentType;
  u32 data;
};

// A tab's information (version 0): its icon suite and name.
struct ControlTabInfoRecV0 {
  i16 version;
  i16 iconSuiteID;
  Str255 name;
};

// The colour procedure a control calls before it erases its background (message 23, "set up
// the background"): 0 when it set the background, else the control uses its default.
using ControlColorProcPtr = OSStatus (*)(ControlRef control, i16 message, i16 depth, bool isColour);
constexpr i16 kControlMsgSetUpBackground = 23;

// The settings a control was created with.
struct ControlSettings {
  u32 kind;                         // kControlKind...
  Rect created;                     // the bounds it was created at
  i16 variant;                      // group box: 1 secondary; window header: 1 list header; progress bar:
                                    // 1 indeterminate; tabs: the definition less 128; data browser: 1 column
                                    // view; bevel button: its thickness
  u16 orientation;                  // slider, popup arrow, disclosure triangle
  u16 size;                         // round button, popup arrow (kControlSize...)
  u16 tickmarks;                    // slider
  bool autotoggle;                  // check box, radio button, disclosure button and triangle
  bool livetracking;                // slider
  bool drawtitle;                   // disclosure triangle
  u16 behavior;                     // bevel button: 0 push, 256 toggles, 512 sticky, with 0x8000 offset content
  i16 menuid;                       // bevel and popup buttons (0, or -12345 for none)
  u16 menubehavior, menuplacement;  // bevel button
  bool variablewidth;               // popup button
  i16 titlewidth, titlejust;        // popup button
  u8 titlestyle;
  u16 iconalignment;  // push button with icon
  i32 increment;      // little arrows
  ControlActionProcPtr action;
};

u32 GetControlKind(ControlRef control);                  // 0 for an invalid control
ControlSettings GetControlSettings(ControlRef control);  // zeros for an invalid control

// The creation family. Every control starts visible, with the title given (at most 255
// bytes), embedded in the window's root control when the window has one. errInvalidWindowRef
// for a window that is not valid; *out is 0 on failure.
OSStatus CreatePushButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, ControlRef* out);
OSStatus CreatePushButtonWithIconControl(WindowRef window, const Rect* bounds, ConstStringPtr title,
                                         const ControlButtonContentInfo* icon, u16 alignment, ControlRef* out);
OSStatus CreateCheckBoxControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i32 value, bool autoToggle,
                               ControlRef* out);
OSStatus CreateRadioButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i32 value,
                                  bool autoToggle, ControlRef* out);
// A container of radio buttons: its value is the number of the member that is on (0: none);
// setting it turns that member on and the others off, and a member turned on sets it.
OSStatus CreateRadioGroupControl(WindowRef window, const Rect* bounds, ControlRef* out);
OSStatus CreateBevelButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, u16 thickness,
                                  u16 behavior, const ControlButtonContentInfo* content, i16 menuID, u16 menuBehavior,
                                  u16 menuPlacement, ControlRef* out);
// A popup button showing the menu with that id in the menu list (-12345: none); its range is
// 1 to the menu's item count.
OSStatus CreatePopupButtonControl(WindowRef window, const Rect* bounds, ConstStringPtr title, i16 menuID,
                                  bool variableWidth, i16 titleWidth, i16 titleJust, u8 titleStyle, ControlRef* out);
OSStatus CreateRoundButtonControl(WindowRef window, const Rect* bounds, u16 size,
                                  const ControlButtonContentInfo* content, ControlRef* out);
OSStatus CreateSliderControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum, u16 orientation,
                             u16 numTickMarks, bool liveTracking, ControlActionProcPtr action, ControlRef* out);
OSStatus CreateDisclosureButtonControl(WindowRef window, const Rect* bounds, i32 value, bool autoToggle,
                                       ControlRef* out);
OSStatus CreateProgressBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                  bool indeterminate, ControlRef* out);
OSStatus CreateRelevanceBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                   ControlRef* out);
OSStatus CreateLittleArrowsControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                   i32 increment, ControlRef* out);
OSStatus CreateChasingArrowsControl(WindowRef window, const Rect* bounds, ControlRef* out);
OSStatus CreateDisclosureTriangleControl(WindowRef window, const Rect* bounds, u16 orientation, ConstStringPtr title,
                                         i32 value, bool drawTitle, bool autoToggles, ControlRef* out);
OSStatus CreateGroupBoxControl(WindowRef window, const Rect* bounds, ConstStringPtr title, bool primary,
                               ControlRef* out);
OSStatus CreatePopupArrowControl(WindowRef window, const Rect* bounds, u16 orientation, u16 size, ControlRef* out);
OSStatus CreatePlacardControl(WindowRef window, const Rect* bounds, ControlRef* out);
OSStatus CreateWindowHeaderControl(WindowRef window, const Rect* bounds, bool isListHeader, ControlRef* out);
OSStatus CreateSeparatorControl(WindowRef window, const Rect* bounds, ControlRef* out);
OSStatus CreateImageWellControl(WindowRef window, const Rect* bounds, const ControlButtonContentInfo* content,
                                ControlRef* out);
// A control by definition number: 0 a push button, 128-135 tabs (128 north, 130 south, 132
// east, 134 west; one more for the small size), 256 a user pane. 0 for another number or an invalid window.
ControlRef NewControl(WindowRef window, const Rect* bounds, ConstStringPtr title, bool visible, i16 value, i16 minimum,
                      i16 maximum, i16 procID, i32 refCon);

// The title and the reference constant.
void SetControlTitle(ControlRef control, ConstStringPtr title);
void GetControlTitle(ControlRef control, Str255 title);
void SetControlReference(ControlRef control, i32 refCon);
i32 GetControlReference(ControlRef control);
// The 16-bit forms of value, minimum and maximum (a 32-bit number beyond 16 bits reads as the
// nearest 16-bit one).
i16 GetControlValue(ControlRef control);
void SetControlValue(ControlRef control, i16 value);
i16 GetControlMinimum(ControlRef control);
void SetControlMinimum(ControlRef control, i16 minimum);
i16 GetControlMaximum(ControlRef control);
void SetControlMaximum(ControlRef control, i16 maximum);

// The size of the data kept under a tag.
OSStatus GetControlDataSize(ControlRef control, i16 part, u32 tag, Size* size);
// Named properties by creator and tag. controlPropertyNotFoundErr for one never set.
OSStatus SetControlProperty(ControlRef control, u32 creator, u32 tag, u32 size, const void* data);
OSStatus GetControlProperty(ControlRef control, u32 creator, u32 tag, u32 bufferSize, u32* actualSize, void* buffer);
OSStatus GetControlPropertySize(ControlRef control, u32 creator, u32 tag, u32* size);
OSStatus RemoveControlProperty(ControlRef control, u32 creator, u32 tag);

// The font style record (flags 0: the control's own font); a radio group's members are not
// changed with it.
OSStatus SetControlFontStyle(ControlRef control, const ControlFontStyleRec* style);
OSStatus GetControlFontStyle(ControlRef control, ControlFontStyleRec* style);
// The colour procedure (null: none), and setting up the background before drawing: the
// procedure is called with message 23; its answer, or 1 without one.
OSStatus SetControlColorProc(ControlRef control, ControlColorProcPtr proc);
ControlColorProcPtr GetControlColorProc(ControlRef control);
OSStatus SetUpControlBackground(ControlRef control, i16 depth, bool isColourDevice);
// Handlers of the control's own events (the painter sends kEventControlDraw through them).
OSStatus InstallControlEventHandler(ControlRef control, EventHandlerProc proc, u32 count, const EventTypeSpec* types,
                                    u32 userdata, EventHandlerRef* out);
std::vector<EventHandlerProc> controleventhandlers(ControlRef control, u32 eventClass, u32 eventKind);

// Embedding in radio groups, tabs and group boxes as well as the root control.
OSStatus GetIndexedSubControl(ControlRef control, u16 index, ControlRef* out);

// The rectangle a control would take at its top-left to show its title and parts, from one
// fixed table of heights by kind and size and the width of its texts; *baseline is where its
// text's baseline lies from the bottom (negative).
OSStatus GetBestControlRect(ControlRef control, Rect* best, i16* baseline);

// Bevel buttons, image wells and round buttons: what they show (the 'cont' tag).
OSStatus SetBevelButtonContentInfo(ControlRef control, const ControlButtonContentInfo* content);
OSStatus GetBevelButtonContentInfo(ControlRef control, ControlButtonContentInfo* content);
OSStatus SetImageWellContentInfo(ControlRef control, const ControlButtonContentInfo* content);
OSStatus GetImageWellContentInfo(ControlRef control, ControlButtonContentInfo* content);
// The bevel button's menu item shown as chosen, its text's and graphic's alignment and offset
// and its text's place beside the graphic (kept as data tags).
OSStatus SetBevelButtonMenuValue(ControlRef control, i16 value);
OSStatus GetBevelButtonMenuValue(ControlRef control, i16* value);
OSStatus SetBevelButtonTextAlignment(ControlRef control, i16 align, i16 offset);
OSStatus SetBevelButtonGraphicAlignment(ControlRef control, i16 align, i16 hOffset, i16 vOffset);
OSStatus SetBevelButtonTextPlacement(ControlRef control, i16 placement);
// Text alignments and places of bevel buttons.
enum : i16 {
  kControlBevelButtonAlignTextSysDirection = 0,
  kControlBevelButtonAlignTextCenter = 1,
  kControlBevelButtonAlignTextFlushRight = -1,
  kControlBevelButtonAlignTextFlushLeft = -2,
  kControlBevelButtonAlignCenter = 0,
  kControlBevelButtonAlignLeft = 1,
  kControlBevelButtonAlignRight = 2,
  kControlBevelButtonPlaceNormally = 0,
  kControlBevelButtonPlaceToRightOfGraphic = 1,
  kControlBevelButtonPlaceToLeftOfGraphic = 2,
  kControlBevelButtonPlaceBelowGraphic = 3,
};
// A popup button's menu (it is not disposed with the control).
MenuRef GetControlPopupMenuHandle(ControlRef control);
void SetControlPopupMenuHandle(ControlRef control, MenuRef menu);

// --- Data browser ----------------------------------------------------------------------------
constexpr u32 kDataBrowserListView = fourcc("lstv");
constexpr u32 kDataBrowserColumnView = fourcc("clmv");
constexpr u32 kDataBrowserTextType = fourcc("text");
constexpr u32 kDataBrowserIconType = fourcc("icnr");
constexpr u32 kDataBrowserIconAndTextType = fourcc("ticn");
constexpr u32 kDataBrowserDateTimeType = fourcc("date");
constexpr u32 kDataBrowserCheckboxType = fourcc("chbx");
constexpr u32 kDataBrowserProgressBarType = fourcc("prog");
constexpr u32 kDataBrowserRelevanceRankType = fourcc("rank");
constexpr u32 kDataBrowserPopupMenuType = fourcc("menu");
constexpr u32 kDataBrowserSliderType = fourcc("sldr");
constexpr u32 kDataBrowserCustomType = fourcc("????");
enum : u32 {
  kDataBrowserPropertyIsEditable = 1u << 0,
  kDataBrowserDateTimeRelative = 1u << 8,
  kDataBrowserListViewSelectionColumn = 1u << 16,
  kDataBrowserListViewMovableColumn = 1u << 17,
  kDataBrowserListViewSortableColumn = 1u << 18,
};
constexpr OSStatus errDataBrowserPropertyNotSupported = -4979;
constexpr u32 kDataBrowserListViewAppendColumn = 0xFFFFFFFFu;

struct DataBrowserPropertyDesc {
  u32 propertyID;
  u32 propertyType;
  u32 propertyFlags;
};
struct DataBrowserListViewHeaderDesc {
  u32 version;
  u16 minimumWidth, maximumWidth;
  i16 titleOffset;
  Str255 titleString;
  u16 initialOrder;
  ControlFontStyleRec btnFontStyle;
  ControlButtonContentInfo btnContentInfo;
};
struct DataBrowserListViewColumnDesc {
  DataBrowserPropertyDesc propertyDesc;
  DataBrowserListViewHeaderDesc headerBtnDesc;
};

// The browser's callbacks (it has no rows here, so only what a caller asks of them runs).
using DataBrowserItemDataRef = u32;
using DragReference = u32;
struct DataBrowserCallbacks {
  u32 version;
  OSStatus (*itemData)(ControlRef browser, u32 item, u32 property, DataBrowserItemDataRef data, bool setValue);
  bool (*itemCompare)(ControlRef browser, u32 itemOne, u32 itemTwo, u32 sortProperty);
  void (*itemNotification)(ControlRef browser, u32 item, u32 message);
  bool (*acceptDrag)(ControlRef browser, DragReference drag, u32 item);
  bool (*receiveDrag)(ControlRef browser, DragReference drag, u32 item);
  bool (*addDragItem)(ControlRef browser, DragReference drag, u32 item, u32* itemRef);
  void (*itemHelpContent)(ControlRef browser, u32 item, u32 property, i16 request, void* content);
  void (*getContextualMenu)(ControlRef browser, MenuRef* menu, u32* helpType, u32* helpItem, u32* selection);
  void (*selectContextualMenu)(ControlRef browser, MenuRef menu, u32 selectionType, u32 menuID, u16 item);
};

// A data browser in list view ('lstv') or column view ('clmv').
OSStatus CreateDataBrowserControl(WindowRef window, const Rect* bounds, u32 style, ControlRef* out);
u32 GetDataBrowserViewStyle(ControlRef browser);
// Adds a list-view column at a position (kDataBrowserListViewAppendColumn: at the end);
// paramErr in column view or for a property id already used.
OSStatus AddDataBrowserListViewColumn(ControlRef browser, const DataBrowserListViewColumnDesc* column, u32 position);
OSStatus GetDataBrowserTableViewColumnCount(ControlRef browser, u32* count);
// The whole description of the column at a 0-based position.
OSStatus GetDataBrowserListViewColumnDesc(ControlRef browser, u32 position, DataBrowserListViewColumnDesc* out);
// Gives each column the width of its title, within its minimum and maximum (a column starts at
// its minimum).
OSStatus AutoSizeDataBrowserListViewColumns(ControlRef browser);
OSStatus GetDataBrowserTableViewNamedColumnWidth(ControlRef browser, u32 property, u16* width);
OSStatus InitDataBrowserCallbacks(DataBrowserCallbacks* callbacks);
OSStatus SetDataBrowserCallbacks(ControlRef browser, const DataBrowserCallbacks* callbacks);
OSStatus GetDataBrowserCallbacks(ControlRef browser, DataBrowserCallbacks* callbacks);
// Drags over the window's controls are tracked for them.
OSStatus SetAutomaticControlDragTrackingEnabledForWindow(WindowRef window, bool enabled);
bool IsAutomaticControlDragTrackingEnabledForWindow(WindowRef window);

}  // namespace kv
