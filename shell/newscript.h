// Script handles of new objects and the default style of new field texts.
#pragma once

#include "platform/types.h"
#include "store/fieldtail.h"

namespace kv {

// Templates of newscript.
enum : u16 { scriptempty = 0, scriptbutton = 1, scriptmenuitem = 2 };

// A new script handle: empty text (template 0) or the button or menu-item handler template,
// followed by the 24-byte script tail with the default script font, size and style. None
// when memory runs out.
Handle newscript(u16 templ);
// Sets a field-text tail's font, size and face from the global textFont, textSize and
// textStyle.
void setdefaultail(fieldtail* tail);

}  // namespace kv
