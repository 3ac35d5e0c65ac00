// The drawing layer's one module state: every region, port, offscreen world and setting of
// the layer lives here, reached by state<QDState>() and destroyed by the runtime reset.
#pragma once

#include <memory>

#include "platform/qd/regionimpl.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"

namespace kv {

struct QDState {
  Registry<RegionData, RegType::region> regions;
};

inline QDState& qd() { return state<QDState>(); }

}  // namespace kv
