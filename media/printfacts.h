// What the printing services know of the printer and the page: the answers behind the paper,
// printer and print-setting functions. Each fills a new value with its fact; a status of
// -30873 or 124 means the system cannot answer.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

constexpr i16 kNoPrintingAnswer = -30873;

// The forms of the paper sizes: in points (0), in inches (1), by name (2).
enum : u16 { paperpoints = 0, paperinches = 1, papername = 2 };

i16 getpapersize(u16 form, fred* value);
i16 getpapersizes(u16 form, fred* value);
i16 getprintablerect(fred* value);
i16 getprinter(fred* value);
i16 getprinterdriver(fred* value);
i16 getprintermodel(fred* value);
i16 getprinters(fred* value);
i16 getprintcopies(fred* value);
i16 getprintorientation(fred* value);
i16 getprintrange(fred* value);

// The print settings a script changes: the paper by its text form, the printer by name, the
// number of copies, the orientation by its word's token, and the first and last page (0,0
// for all pages). A status of -30873 or 124 means the system cannot change them.
i16 setpapersize(ConstStringPtr text);
i16 setprinter(ConstStringPtr name);
i16 setprintcopies(i32 copies);
i16 setprintorientation(u16 word);
i16 setprintrange(i32 first, i32 last);

}  // namespace kv
