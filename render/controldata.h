// What four control styles take from a user property of their button, as plain text: popup
// menus and bevel buttons with a menu ("popupData": the items), tabs ("tabData": name, enabled
// word, icon suite id), data browsers ("columnData": title, type, widths, alignment), radio
// groups ("radioData": the buttons' titles). Lines end with returns, fields with tabs.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The menu of a popup or bevel button: a new menu with the first free id from 20000 and the
// title, its items from "popupData", inserted as a submenu; 0 when no menu could be made.
// *selected is the item to show (1 by default); a button whose hilite is not shared takes the
// name of line `currentValue`.
MenuRef populateMenu(spot& object, ConstStringPtr title, i16* selected, i16* menuid);
// The radio group of a button from its "radioData", its members hidden; 0 when the button has
// no lines of data (*hasdata false) or the group could not be made.
ControlRef BuildRadioGroup(spot& object, i16 background, ConstStringPtr title, bool* hasdata);
ControlRef BuildTabs(spot& object);
ControlRef BuildDataBrowser(spot& object, const Rect& rect);

// Splits a zero-terminated text as strtok does (runs of delimiters separate pieces; a last
// piece without one comes once), keeping its place in *position rather than in a static, so
// that splits may nest. The first call passes the text, later ones null.
char* myStrTok(char* text, const char* delimiters, char** position);

// The data browser's callbacks. Browsers hold no rows: item data answers a read without data
// and refuses a write, comparison answers false, drags are not accepted (there is nothing to
// drop onto) but are received and added, the rest do nothing.
OSStatus MyGetSetItemData(ControlRef browser, u32 item, u32 property, DataBrowserItemDataRef data, bool setValue);
bool MyItemComparison(ControlRef browser, u32 itemOne, u32 itemTwo, u32 sortProperty);
void MyItemNotification(ControlRef browser, u32 item, u32 message);
bool MyAcceptDrag(ControlRef browser, DragReference drag, u32 item);
bool MyReceiveDrag(ControlRef browser, DragReference drag, u32 item);
bool MyAddDragItem(ControlRef browser, DragReference drag, u32 item, u32* itemRef);
void MyItemHelpContent(ControlRef browser, u32 item, u32 property, i16 request, void* content);
void MyGetContextualMenu(ControlRef browser, MenuRef* menu, u32* helpType, u32* helpItem, u32* selection);
void MySelectContextualMenu(ControlRef browser, MenuRef menu, u32 selectionType, u32 menuID, u16 item);

}  // namespace kv
