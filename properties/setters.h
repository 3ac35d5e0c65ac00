// The setter routines the setter dispatcher (`comset`) chooses by property token. Every
// routine has the setter signature of properties.h: atom `at` is atom 1 of the statement (the
// one after `set`, possibly `the`); each routine skips a leading `the` itself, then reads the
// property word, its own `of <object>` clause where it takes one, `to` and the value.
#pragma once

#include "properties/properties.h"

namespace kv {

#define KV_SETTER(name) scriptstatus name(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, u16 token)

// The dispatcher's own (setters.cpp).
KV_SETTER(nowriteproc);   // 65: the property can be read but not set
KV_SETTER(neversetproc);  // 43: no such property can be set

// Global properties (globalsetters.cpp); the global text defaults set without an object.
KV_SETTER(setglobaltext);

// User-defined properties (userprops.cpp).
KV_SETTER(setuserprop);

// Object geometry (geometrysetter.cpp).
KV_SETTER(setloc);

// Window setters (windowsetters.cpp) and the window property setter (windowpropsetter.cpp).
KV_SETTER(sethesize);
KV_SETTER(setscroll);
KV_SETTER(setoffset);
KV_SETTER(setclut);
KV_SETTER(setmonitor);
KV_SETTER(setwind);

// Object appearance (appearancesetter.cpp); without an object, the global default. Styles
// of objects and windows (stylesetter.cpp).
KV_SETTER(setspot);
KV_SETTER(setstyle);

// Object flags (flagsetter.cpp); ids, names, title bars and command keys (namesetters.cpp).
KV_SETTER(setflags);
KV_SETTER(setid);
KV_SETTER(setname);
KV_SETTER(setitle);
KV_SETTER(setcmdchar);

// Shape, menu-key and rich-text setters (shapesetters.cpp).
KV_SETTER(setpoints);
KV_SETTER(setcmdmodifiers);
KV_SETTER(setrtftext);

// Picture settings (picturesettings.cpp).
KV_SETTER(spotgrcproc);
KV_SETTER(setpictureinfo);

// Families built in files of their own. `setextinfo` without an object sets the global default of the same name.
KV_SETTER(setextinfo);
KV_SETTER(spotfldproc);
KV_SETTER(setpicturedata);
KV_SETTER(setrulerinfo);
KV_SETTER(setcontents);
KV_SETTER(sethilited);
KV_SETTER(setscript);
KV_SETTER(setextdata);
KV_SETTER(setfieldtext);

// The setter routine of a property token (neversetproc for a token without one).
setterproc settertable(u16 token);

}  // namespace kv
