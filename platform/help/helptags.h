// Help tags: after the pointer has rested on a control that has a content routine for the tag
// delay (800 ms at start, 48 ticks), the routine is asked what to show; what it gives shows in
// a small help-class window beside its hot rectangle until the pointer leaves that rectangle,
// the button is pressed or the tags are switched off. The texts come from string lists.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// What a tag shows: a string list's item ('str#': resID, index) or a text of its own ('pstr').
constexpr u32 kHMStringResContent = fourcc("str#");
constexpr u32 kHMPascalStrContent = fourcc("pstr");
constexpr u32 kHMNoContent = fourcc("none");
struct HMHelpContent {
  u32 contentType;
  i16 resID;
  i16 index;
  Str255 text;
};
constexpr i32 kMacHelpVersion = 3;
// Where the tag goes: beside the hot rectangle (global coordinates). Side 10 is below it,
// centred; any other side below it at its left.
constexpr u16 kHMOutsideBottomCenterAligned = 10;
struct HMHelpContentRec {
  i32 version;
  Rect absHotRect;
  u16 tagSide;
  HMHelpContent content[2];  // the minimum content (what the tag shows) and the maximum
};
enum : i16 { kHMSupplyContent = 0, kHMDisposeContent = 1 };
enum : i16 { kHMContentNotProvided = 0, kHMContentProvided = 1 };
using HMControlContentProcPtr = OSStatus (*)(ControlRef control, Point globalMouse, i16 request, i16* provided,
                                             HMHelpContentRec* content);

// The content routine of a control (null: none).
OSStatus HMInstallControlContentCallback(ControlRef control, HMControlContentProcPtr proc);
OSStatus HMGetControlContentCallback(ControlRef control, HMControlContentProcPtr* proc);
// The delay in milliseconds (rounded up to whole ticks).
OSStatus HMSetTagDelay(u32 milliseconds);
u32 HMGetTagDelay();
OSStatus HMSetHelpTagsDisplayed(bool displayed);
bool HMAreHelpTagsDisplayed();
// Hides the tag showing now.
OSStatus HMHideTag();
// The window of the tag showing now (none without one) and the text it shows.
WindowRef helptagwindow();
void helptagtext(Str255 text);

}  // namespace kv
