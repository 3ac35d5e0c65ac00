// Window kinds: the platform window kind number that the runtime gives every window it
// makes, and the yes/no questions that the event loop, the window table and the layering code
// ask about a window's class.
#pragma once

#include "platform/windows/windows.h"

namespace kv {

// Kinds of the runtime's windows.
enum : i16 {
  kindprojectwindow = 114,  // a project window of a document style
  kindpalettewindow = 115,  // a project window of a palette style
  kindxwindow = 116,        // a document window of an external
  kindxfloating = 117,      // a floating window of an external
  kindmessagebox = 118,
  kindtoolwindow = 119,
  kindcoverwindow = 132,  // the full-screen cover window
};

// Queries of windowkind.
enum : u16 {
  kindqueryruntime = 100,     // 114, 115, 118
  kindqueryproject = 101,     // 114
  kindquerypalette = 102,     // 115
  kindqueryexternal = 103,    // 116, 117
  kindqueryxwindow = 104,     // 116
  kindqueryxfloating = 105,   // 117
  kindqueryordinary = 106,    // 114, 116: the ordinary layer
  kindqueryfloating = 107,    // 115, 117, 118, 119: the floating layer
  kindqueryforeign = 108,     // any kind below 113 or above 131
  kindqueryanyruntime = 109,  // 114-130
  kindquerymessagebox = 110,  // 118
  kindquerycover = 111,       // 132
  kindquerytool = 112,        // 119
  kindqueryscripted = 120,    // the 'VIZu' 'kind' property is 124: a scripted dialog window
  kindquery121 = 121,         // 125, 126
  kindquery122 = 122,         // 127, 128
  kindquery123 = 123,         // 129, 130
  kindquery133 = 133,         // 20000, 20001
};

// 1 when the window is of the class the query asks for; 0 for no window, an invalid window or
// a query outside 100-133.
i16 windowkind(WindowRef window, u16 query);

}  // namespace kv
