// Object, window and region functions: the window lists behind `windows` and `xwindows`, the
// shapes of objects as regions, intersect and within, getSelected and dragData.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "platform/qd/regions.h"
#include "store/records.h"

namespace kv {

struct fred;
struct objread;

// The windows of the screen, front to back, that pass the window-kind test `kind` (100 the
// runtime's windows, 103 the externals') and are neither the message box nor the tool-tip
// window, one per line, into a new value. For kind 100 each is the window's long name, or with
// `idform` its long id (an empty line for a window without a context); for other kinds the
// window's title when it has a title bar. 0, or 37.
i16 buildwindnames(fred* value, bool idform, u16 kind);

// A new region of an object's shape (its rectangle R): the frame of R for rectangles, lines,
// bitmaps, texts, groups, the buttons 200, 203-206, 209-226, 228 and 229 and every field; a
// round rectangle for 101 (its round width and height) and 201 (corners 4 by 4 while
// `modernLook` is on, else half R's height); the oval of R for 102 and 207; the polygon of
// 104 and 202; the wedge of an arc's own oval (the two corner points it keeps) for 107, as the
// arc is painted. No region for any other style. The caller disposes the region. 0.
i16 getrgnfromspot(const spot& object, RgnHandle* out);
// A new region of the shape of the object a descriptor names (as getrgnfromspot; none for a
// style without a shape): 11 when the descriptor names no button, field or graphic.
i16 spotorgn(const objread& obj, RgnHandle* out);

// intersect(object, object): whether the shapes of two buttons, fields or graphics overlap;
// within(object, point): whether the point (h,v in card coordinates) hits the object as a click
// would. 11 when a reference names no button, field or graphic; 2 for a point list of another
// length; 49, 39, 88 for the parentheses and comma.
scriptstatus fungraph(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// getSelected(card or background [, long | short | abbreviated | kind | style]): the selected
// objects of its list (empty with the browse tool). 2 for another object or word; 49, 39, 88
// for the parentheses and comma.
scriptstatus getselected(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// dragData(item, flavour [, type | path]): the data of the drag in progress (empty when it has
// none). 196 for a flavour that is not four characters, 2 for another form.
scriptstatus fundragdata(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

}  // namespace kv
