// A stand-in for the theme drawing of buttons until it is built: the buttons of the theme
// styles draw nothing, and no icon becomes a picture.
#include "render/themebuttons.h"

namespace kv {

PicHandle GetIconAsPICT(const spot&) { return nilhandle; }
PicHandle GetIconResourceAsPICT(const spot&) { return nilhandle; }

void DrawNewPushBtn(spot&, Handle, i16) {}
void DrawNewCheckboxOrRadioBtn(spot&, Handle, i16) {}
void DrawNewBevelBtn(spot&, Handle, i16) {}
void DrawPopupBtn(spot&, Handle, i16) {}
void DrawRoundBtn(spot&, Handle, i16) {}
void DrawNewSliderBtn(spot&, Handle, i16) {}
void DrawTabsBtn(spot&, Handle, i16) {}
void DrawImageWellBtn(spot&, Handle, i16) {}
void DrawDisclosureArrowBtn(spot&, Handle, i16) {}
void DrawNewScrollBarBtn(spot&, Handle, i16) {}
void DrawNewProgressBarBtn(spot&, Handle, i16) {}
void DrawNewIndeterminateBarBtn(spot&, Handle, i16) {}
void DrawNewRelevanceBarBtn(spot&, Handle, i16) {}
void DrawLittleArrowsBtn(spot&, Handle, i16) {}
void DrawChasingArrowsBtn(spot&, Handle, i16) {}
void DrawDisclosureTriangleBtn(spot&, Handle, i16) {}
void DrawPrimaryGroupBtn(spot&, Handle, i16) {}
void DrawSecondaryGroupBtn(spot&, Handle, i16) {}
void DrawPopupArrowBtn(spot&, Handle, i16) {}
void DrawPlacardBtn(spot&, Handle, i16) {}
void DrawWindowHeaderBtn(spot&, Handle, i16) {}
void DrawListHeaderBtn(spot&, Handle, i16) {}
void DrawSeparatorBtn(spot&, Handle, i16) {}
void DrawDataBrowserBtn(spot&, Handle, i16) {}

}  // namespace kv
