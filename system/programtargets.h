// Program targets: the programs scripts name by text ("eppc://" URLs of programs on other
// machines, names of programs running here, optionally after "*::"), the list of running
// programs, the coercions the event layer uses on the program's behalf, and the address other
// programs reach this one by.
#pragma once

#include <string>

#include "platform/ipc/appleevents.h"
#include "platform/process/process.h"
#include "platform/types.h"

namespace kv {

// The name other programs know this one by (UTF-8): a standalone's own name, else "Kestrove".
std::string programname();
// The program's own address, "eppc://", the first interface's IPv4 address that is up and
// not a loopback, "/" and the program's name. Without such an interface the text is left as
// it was.
void getaddress(StringPtr text);

// 1 when the URL ("eppc://" in any case) names a program its machine lists, else 0.
i16 stringIsValidApplicationURL(ConstStringPtr text);
// 1 when a running program has that name (ignoring case; a leading "*::" is dropped).
i16 stringIsValidLocalProcess(ConstStringPtr text);
// The serial number of the running program of that name: 0, or 1 when none has it. This
// program is {0, 2}; others {0, their id}.
i16 stringtopsnX(ConstStringPtr text, ProcessSerialNumber* psn);
// Appends the running programs' names (Mac Roman, each cut to 31 characters) to `list`, a
// return before every name but the first.
void buildprograms(Handle list);

// Coercions: 'TEXT' to an address (slot 41), a list of files to 'TEXT' (slot 40), and a
// program-to-program target record to 'TEXT' (slot 42).
OSErr Psys7RTtextotarg(const AEDesc* from, DescType wanted, i32 refcon, AEDesc* result);
OSErr Psys7RTfsspectotext(const AEDesc* from, DescType wanted, i32 refcon, AEDesc* result);
OSErr Psys7RTtargtotext(const AEDesc* from, DescType wanted, i32 refcon, AEDesc* result);

// Follows symbolic links of a file named in a folder: the name, volume and folder of the file
// they lead to are written back. 0, or 227 when the file cannot be found or resolved.
i16 resolvename(StringPtr name, i16* volume, u32* folder);

}  // namespace kv
