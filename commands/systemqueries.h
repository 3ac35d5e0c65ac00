// Functions that ask the machine and the file system: shell, hasMemory, diskSpace, version and
// exists; the machine facts behind machine, processor and their kin; the probe switch.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// shell(command [, ticks] [, raw]) in either order of the two options: the command line run
// through the system shell, its whole output the answer, line feeds turned into returns unless
// `raw` is given; the delay (default 1 tick, low 28 bits) is waited before the output is read.
// 212 when the command cannot be started, 37 when the memory guard refuses the output (the
// command is ended), 2 for a word other than raw, 88 for a second raw or a missing ")".
scriptstatus funshell(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// hasMemory(x), hasMemory of x, the hasMemory of x: true for a reference that resolves;
// otherwise whether the memory guard grants x bytes (x outside 0..2,147,483,647 asks for
// 2,147,483,647), after the caches have given up what they can.
scriptstatus funhasmemory(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// the diskSpace, diskSpace(), diskSpace(project), the diskSpace of project: free kilobytes of
// the volume holding the (current) project. The same forms of `version`: "Kestrove 4.6.3
// Player" ("Plugin 1.0" in plug-in mode), or with a project the file format's version.
// 8 for "the" before "(", 2 for a reference to anything but a project.
scriptstatus fundisk(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// exists(file path), exists(folder path), exists(reference), exists(variable name).
scriptstatus funexists(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The machine fact of a selector: 3 the long machine name, 4 the machine, 6 the processor,
// 7 the processor count, 8 its speed, 9 the physical memory, 10 the bus speed, 11 the ROM
// version, 12 the serial number. The text (the caller's default) is replaced only by a value
// that is known. Always 0.
i16 hardware_profiler(i16 selector, StringPtr text);

// Sets the probe switch and answers its previous value; while the probes are not armed it
// changes nothing and answers 0.
i16 installsigcatchers(i16 flag);
void armsigcatchers(bool armed);

}  // namespace kv
