// The getter routines the dispatcher (`property`) chooses by property token. Every routine has
// the getter signature of properties.h and follows the common protocol of the object getters:
// an optional `the`, the property word, `of` (5 when missing), the reference (resolved, and
// released on every path), then the value by the descriptor's kind (2 for a kind the property
// does not have).
#pragma once

#include "properties/properties.h"

namespace kv {

#define KV_GETTER(name)                                                                                            \
  scriptstatus name(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count, \
                    fred* value)

// Dispatcher (getters.cpp).
KV_GETTER(neverproc);   // 43: the word cannot be read
KV_GETTER(propcase);    // `short`, `long`, `abbreviated` before `name` or `id`
KV_GETTER(propglobal);  // `the <global property>`: 55 without `the`

// Identity, geometry and content (identity.cpp, sizes.cpp).
KV_GETTER(propname);
KV_GETTER(propid);
KV_GETTER(propnumber);
KV_GETTER(proploc);
KV_GETTER(propsize);
KV_GETTER(propscript);
KV_GETTER(propcontents);
KV_GETTER(propkind);
KV_GETTER(propstyle);
KV_GETTER(proptitle);
KV_GETTER(propcmdkey);
KV_GETTER(propcmdmodifiers);

// Flags (flaggetters.cpp).
KV_GETTER(propflags);

// Global properties reached directly (globalgetters.cpp).
KV_GETTER(propclut);
KV_GETTER(propmonitor);
KV_GETTER(proplaunchargs);

// User-defined properties (userprops.cpp).
KV_GETTER(propusers);

// Appearance of objects (appearance.cpp) and their text styles and scrolls (textgetters.cpp);
// without `of` the appearance and text words give the global default of the same name.
KV_GETTER(propspot);
KV_GETTER(proptext);
KV_GETTER(propscroll);
KV_GETTER(propmaxscroll);

// Windows and rich text (windowgetters.cpp).
KV_GETTER(propwind);
KV_GETTER(proprtf);

// The property listing of one object (proplisting.cpp).
KV_GETTER(proprops);

// The getter routine of a property token (neverproc for a token without one).
getterproc gettertable(u16 token);

}  // namespace kv
