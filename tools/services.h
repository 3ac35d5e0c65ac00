// The service handlers: what the program gives to and takes from a service (another program
// that works on the selection). Installed at start-up for the platform events of class 'serv';
// no Linux desktop sends them, so only the program's own requests (and tests) reach them.
#pragma once

#include "platform/events/handlers.h"
#include "platform/qd/qdtypes.h"
#include "platform/scrap/scrap.h"

namespace kv {

constexpr u32 kEventClassService = fourcc("serv");
enum : u32 { kEventServiceCopy = 1, kEventServicePaste = 2, kEventServiceGetTypes = 3 };
// The parameters: the copy and paste types (type 'cfma': the four-character codes one after
// another, host order) and the scrap (type 'scrp': a ScrapRef).
constexpr u32 kEventParamServiceCopyTypes = fourcc("svsd");
constexpr u32 kEventParamServicePasteTypes = fourcc("svpt");
constexpr u32 kEventParamScrapRef = fourcc("scrp");
constexpr u32 typeCFMutableArrayRef = fourcc("cfma");
constexpr u32 typeScrapRef = fourcc("scrp");

// Adds the types offered for copy and accepted for paste to the event's two arrays.
OSStatus PcopyRThandlegetservicetypesproc(EventHandlerCallRef call, EventRef event, u32 userdata);
// Copies the selection (text, the paint selection, or the selected objects' picture) onto the
// event's scrap.
OSStatus PcopyRThandleservicecopyproc(EventHandlerCallRef call, EventRef event, u32 userdata);
// Pastes the event's scrap: text into what is being typed into, a picture into the field being
// edited or as a new picture graphic, or the object clipboard.
OSStatus PcopyRThandleservicepasteproc(EventHandlerCallRef call, EventRef event, u32 userdata);
// A scrap's picture ('PICT', else 'TIFF' made a picture; scrap 0: the current scrap) pasted into
// the field being edited or as a new picture graphic centred in the visible card: 0, 1 (no
// picture, or the graphic could not take it), the conversion's status, or the status of
// "newGraphic"; *pasted is 1 when the picture went in.
i16 servicespictpaste(ScrapRef scrap, i16* pasted);
// Installs the three handlers on the application.
void installservicehandlers();

}  // namespace kv
