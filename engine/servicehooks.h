// The services of the folders above the engine that the interpreter and its error and project
// routines call while scripts run: the housekeeping between statements (busy cursor, animated
// controls, sound queues, waiting window output), the speech queue after a message, the print
// job a failing script leaves open, the sounds a closing project keeps, and the redraw of a
// project's windows once its resource file brought font families.
//
// The engine never calls those folders itself: every such call goes through the one table
// below, which their owners fill at start-up (installservicehooks; the program's start-up and
// the test fixture install the whole set through shell/engineservices.h). Until an entry is
// installed its stand-in holds and does nothing, so the engine runs scripts without any of
// those services. A runtime reset brings the stand-ins back.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct ServiceHooks {
  // Between statements, each when it is due (runblock): the busy cursor's next step; the
  // animated controls' turn; the sound queues; window output left waiting.
  void (*checkbusycursor)(u32 now);
  void (*checkcontrols)(u32 now);
  void (*checksound)(u32 now);
  void (*checkflush)(u32 now);
  // After a message was sent while speech is queued (sendmes).
  void (*checkspeech)();
  // A script error ends the print job held open (doerror; its status is not looked at).
  i16 (*closebatchprintsession)();
  // A project with no window left gives back the sounds kept from it (dumpfile).
  void (*closekeptsounds)(RegistryId store);
  // A project's resource file was opened with font families: its open windows lose their
  // platform controls and are drawn again (doresources).
  void (*redrawprojectwindows)(RegistryId store);
};

// Installs the owners' entries; a null entry keeps what was installed before.
void installservicehooks(const ServiceHooks& hooks);

namespace servicehooksdetail {
ServiceHooks standins();
}  // namespace servicehooksdetail

struct ServiceHooksState {
  ServiceHooks hooks = servicehooksdetail::standins();
};

// The table the engine calls through (stand-ins where nothing is installed).
inline const ServiceHooks& servicehooks() { return state<ServiceHooksState>().hooks; }

}  // namespace kv
