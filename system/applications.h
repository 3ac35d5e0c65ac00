// Listing and launching applications: the `applications` function's list, the `launch`
// command (an application by path or by name, the highest version winning among several of
// one name, with or without a document), and starting an application file with a document.
//
// An application is a desktop entry (a ".desktop" file; its name without the suffix is the
// application's name) or an executable file. Paths given by scripts are POSIX paths, or colon
// paths; a text with either separator is a path, any other text a name.
#pragma once

#include <string>
#include <vector>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// The installed applications' full paths, one per line in case-insensitive order, in a new
// handle: 0, or 37 when memory runs out.
i16 listapplications(Handle* out);

// The `launch` command's work: the application text and the document text, either of which
// may be null or empty. 0, 227 (a path or name that leads nowhere) or the launcher's error.
i16 newlaunch(ConstStringPtr application, ConstStringPtr document);

// The path of the best application of a name among the paths given (the name compared with
// each path's last component, ignoring case; the highest version wins, the earlier one on a
// tie): 0, or 227 when none has that name.
i16 getappurlbyname(std::string_view name, const std::vector<std::string>& applications, std::string* chosen);

// A version text as its four parts packed for comparison: major (two BCD digits), minor and
// revision (a nibble each), stage (0x20 development, 0x40 alpha, 0x60 beta, 0x80 final; none:
// 0xFF), non-release number.
u32 parseversion(std::string_view text);

// Starts an application file with a document (none when the name is empty): noErr, 227 when
// the application cannot be found, or the launcher's error.
OSErr launch(ConstStringPtr name, i16 volume, u32 dirid, ConstStringPtr docname, i16 docvolume, u32 docdirid,
             u16 dontswitch);

// `launch expression [with expression]`.
scriptstatus comlaunch(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// Whether 32-bit colour drawing is present; the shared 80-byte launch parameter block.
bool has32bitqd();
Handle getparmhandle();

}  // namespace kv
