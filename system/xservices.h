// The runtime services behind the callback requests of externals: objects named by text, user
// properties, field text, bitmaps and pictures, the descriptors externals hold, and the alert
// of an unsupported request. Each takes its arguments from the parameter block's input words
// and answers in the block: result 0 done, 1 refused, 3 unsupported; output word 0.
//
// The card and background object lists are those of the current window. An object named by
// text is read with the path and variables of the running external's call, the call's block
// and context kept aside meanwhile (reading may run script).
#pragma once

#include <string_view>

#include "engine/hier.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

struct fred;

// How a request names an object of a layer: by name (a length-prefixed text), number or id
// (the low 16 bits).
enum class objectkey : u8 { name, number, id };

// A new script value of the bytes of a handle before its first zero byte (all of them when it
// has none): 0, or 37.
i16 handlevalue(Handle h, fred* value);
// Ends a value, its text (formatted) left in a new handle: 0, or 37 (nothing left).
i16 valuetext(fred* v, Handle* out);

// The object named by the length-prefixed text in in[0]: 0, or the reader's error.
i16 objectfromtext(objread* obj);
// The object a length-prefixed reference names, read with a path and variables (the block and
// call context kept aside meanwhile): 0, or the reader's error.
scriptstatus readreference(hierpath path, Handle variables, ConstStringPtr reference, objread* obj);

// Requests 5014 (tok::define) and 5015 (tok::undefine) of the property named in in[1].
void defineuprop(u16 command);
// 5016 and 5019: a new handle with the value's text stored where in[2] points.
void getuprop(bool byposition);
// 5017 and 5020: the value set from the text of the handle in in[2].
void setuprop(bool byposition);
// 5018: the number of user properties of the object named in in[0] stored as an i32 where
// in[1] points (0 and refused for the shared script and the application).
void upropcount();
// 5021: the position of the named property stored as an i32 where in[2] points (-1 absent).
void upropnametoidx();
// 5022: the name of the property at the 0-based position in[1], as a length-prefixed text
// where in[2] points.
void upropidxtoname();

// 20-22: out[0] a new handle with the field's text and a zero byte; a missing field answers 1
// with out[0] 0.
void getfield(objectkey key);
// 23-25: the field's text replaced by the text of the handle in in[2] (up to a zero byte).
void pututility(objectkey key);
// The whole text of the field a reference names (the open field's live text), read with a path
// and variables: 0 with a new handle, 10 for an object that is no field, 11 for a reference
// that names no object, or the reference's error.
scriptstatus readfieldtext(hierpath path, Handle variables, std::string_view reference, Handle* out);
// Replaces the whole text of the field a reference names: 0, 10, 11, the reference's error or 37.
scriptstatus writefieldtext(hierpath path, Handle variables, std::string_view reference, const u8* bytes, Size n);
// 5000-5002: out[0] the address of the description of a bitmap object (kv_bitmapinfo).
void lowpix(objectkey key);
// 4503: the picture data of the object named in in[0] from the picture handle in in[1] (its
// frame put in order; the object takes a copy and the handle stays the external's).
void installpdata();
// 4500: selector in[2]: -1 out[0] 3; 3 the object named in in[0] read into a descriptor held
// for the external, whose registry id starts the 242 bytes at in[1].
void getread();
// 4501: selector in[1]: -1 out[0] 3; 3 the descriptor at in[0] released (an id that names no
// held descriptor answers 1 and changes nothing).
void putread();
// Holds a descriptor for an external: its registry id starts the 242 bytes at `into` (the
// rest cleared). False when it cannot be held (the descriptor is then released).
bool holdreference(const objread& obj, u8* into);
// Releases the descriptor held under the id that starts the bytes: false when none is.
bool releasereference(const u8* from);
// The alert of an unsupported request or selector (string list 204), naming the kind of the
// external and the message of the innermost handler running: result 3; its Quit button quits.
void forcetrace();
// That alert for the caller named by `who` ("XCMD name", "XRTN name").
void unsupportedalert(std::string_view who);

// The value of the global variable of that name: 0 with a copy the caller owns, 1 when there
// is no such global.
i16 globalvalue(ConstStringPtr name, fred* out);
// Sets the global variable of that name, created when missing, to a copy of the value: 0, or
// a refused name's status (18, 97) or 37.
i16 setglobalvalue(ConstStringPtr name, const fred* value);

// The variable of that name in a list: 1 with a copy of its entry, or 0.
i16 findnamedvar(ConstStringPtr name, Handle variables, varentry* out);

}  // namespace kv
