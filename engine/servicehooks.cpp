// The stand-ins of the services the engine calls up into, and installing the owners' entries.
#include "engine/servicehooks.h"

namespace kv {
namespace {

void standintick(u32) {}
void standinnone() {}
i16 standinstatus() { return 0; }
void standinproject(RegistryId) {}

}  // namespace

ServiceHooks servicehooksdetail::standins() {
  return ServiceHooks{standintick, standintick,   standintick,    standintick,
                      standinnone, standinstatus, standinproject, standinproject};
}

void installservicehooks(const ServiceHooks& hooks) {
  ServiceHooks& t = state<ServiceHooksState>().hooks;
  if (hooks.checkbusycursor) t.checkbusycursor = hooks.checkbusycursor;
  if (hooks.checkcontrols) t.checkcontrols = hooks.checkcontrols;
  if (hooks.checksound) t.checksound = hooks.checksound;
  if (hooks.checkflush) t.checkflush = hooks.checkflush;
  if (hooks.checkspeech) t.checkspeech = hooks.checkspeech;
  if (hooks.closebatchprintsession) t.closebatchprintsession = hooks.closebatchprintsession;
  if (hooks.closekeptsounds) t.closekeptsounds = hooks.closekeptsounds;
  if (hooks.redrawprojectwindows) t.redrawprojectwindows = hooks.redrawprojectwindows;
}

}  // namespace kv
