// Theme drawing of buttons: every button style but 200 and 202 drawn through its platform
// control, one entry point per style, and `getheme`, the theme brush of a window's background
// that everything erasing or drawing behind objects uses.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "core/desk.h"
#include "platform/controls/controls.h"
#include "store/records.h"

namespace kv {

// The theme brush of a window's background: the high byte of the window record's
// themeBackground word when set; else its low byte (1 15, 2 1, 3 3, 4 7, 5 16, 6 10, 7 9,
// 8 5); else by the window's style (0, 2, 7, 8, 10 and 11 give 5; 3 and 5 give 1; 6 and 9
// give 7; any other 15). 1 without a context or window record.
i16 getheme(const desk* context);

// 0 on every system: the program draws no theme of its own (start-up keeps the platform's
// answer as the fact hasAppearanceManager).
i16 hasAppearanceMgr();
// 1 when the system has contextual menus (the 'cmnu' selector's bit 1).
i16 hasContextualMenus();

// Draws one button through its platform control: the control is built or refreshed, drawn
// once into the current port under a clip (the drawn rectangle grown by 1, within the card
// window's interior unless a picture is recorded or the card drawn off the window), given its
// focus rings when the object asks for them, and parked again.
void DrawNewControlSpot(spot& object, Handle list, i16 index);
// 1 when the platform's image well draws no well (probed once a run at the middle of a
// 64 by 64 world): image wells without an icon then get a well of theme pen 29.
i16 imagewellisbroken();

// The button's icon as a picture of 32 by 32 pixels (disabled when the object is), from the
// project's icons or from an 'ICON' resource; none on any failure.
PicHandle GetIconAsPICT(const spot& object);
PicHandle GetIconResourceAsPICT(const spot& object);

// The per-style entry points: the object copy, its list and its index. Check boxes and radio
// buttons less than 15 wide or 12 high draw nothing; the image well draws itself (its well
// when the platform's is broken, and its picture).
void DrawNewPushBtn(spot& object, Handle list, i16 index);
void DrawNewCheckboxOrRadioBtn(spot& object, Handle list, i16 index);
void DrawNewBevelBtn(spot& object, Handle list, i16 index);
void DrawPopupBtn(spot& object, Handle list, i16 index);
void DrawRoundBtn(spot& object, Handle list, i16 index);
void DrawNewSliderBtn(spot& object, Handle list, i16 index);
void DrawTabsBtn(spot& object, Handle list, i16 index);
void DrawImageWellBtn(spot& object, Handle list, i16 index);
void DrawDisclosureArrowBtn(spot& object, Handle list, i16 index);
void DrawNewScrollBarBtn(spot& object, Handle list, i16 index);
void DrawNewProgressBarBtn(spot& object, Handle list, i16 index);
void DrawNewIndeterminateBarBtn(spot& object, Handle list, i16 index);
void DrawNewRelevanceBarBtn(spot& object, Handle list, i16 index);
void DrawLittleArrowsBtn(spot& object, Handle list, i16 index);
void DrawChasingArrowsBtn(spot& object, Handle list, i16 index);
void DrawDisclosureTriangleBtn(spot& object, Handle list, i16 index);
void DrawPrimaryGroupBtn(spot& object, Handle list, i16 index);
void DrawSecondaryGroupBtn(spot& object, Handle list, i16 index);
void DrawPopupArrowBtn(spot& object, Handle list, i16 index);
void DrawPlacardBtn(spot& object, Handle list, i16 index);
void DrawWindowHeaderBtn(spot& object, Handle list, i16 index);
void DrawListHeaderBtn(spot& object, Handle list, i16 index);
void DrawSeparatorBtn(spot& object, Handle list, i16 index);
void DrawDataBrowserBtn(spot& object, Handle list, i16 index);

}  // namespace kv
