#include "shell/engineservices.h"

#include "engine/servicehooks.h"
#include "media/mediaservice.h"
#include "media/print.h"
#include "media/sounds.h"
#include "media/speech.h"
#include "properties/cursors.h"
#include "render/controlvisibility.h"
#include "shell/eventqueue.h"
#include "shell/redraws.h"

namespace kv {

void installengineservices() {
  installservicehooks(ServiceHooks{
      .checkbusycursor = checkbusycursor,
      .checkcontrols = checkcontrols,
      .checksound = checksound,
      .checkflush = checkflush,
      .checkspeech = checkspeech,
      .closebatchprintsession = closebatchprintsession,
      .closekeptsounds = closekeptsounds,
      .redrawprojectwindows = redrawprojectwindows,
  });
}

}  // namespace kv
