// Theme drawing of buttons: every button style but 200 and 202 drawn through its platform
// control, one entry point per style, and `getheme`, the theme brush of a window's background
// that everything erasing or drawing behind objects uses.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "shell/desk.h"
#include "store/records.h"

namespace kv {

// The theme brush of a window's background: the high byte of the window record's
// themeBackground word when set; else its low byte (1 15, 2 1, 3 3, 4 7, 5 16, 6 10, 7 9,
// 8 5); else by the window's style (0, 2, 7, 8, 10 and 11 give 5; 3 and 5 give 1; 6 and 9
// give 7; any other 15). 1 without a context or window record.
i16 getheme(const desk* context);

// The button's icon as a picture of 32 by 32 pixels (disabled when the object is), from the
// project's icons or from an 'ICON' resource; none on any failure.
PicHandle GetIconAsPICT(const spot& object);
PicHandle GetIconResourceAsPICT(const spot& object);

// The per-style entry points: the object copy, its list and its index.
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
