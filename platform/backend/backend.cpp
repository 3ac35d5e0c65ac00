#include "platform/backend/backend.h"

#include "platform/backend/headless.h"
#include "platform/runtime/root.h"

namespace kv {

Backend& backenddetail::makeheadless() {
  Holder& s = state<Holder>();
  if (!s.current) s.current = std::make_unique<HeadlessBackend>();
  return *s.current;
}

void setbackend(std::unique_ptr<Backend> b) { state<backenddetail::Holder>().current = std::move(b); }

HeadlessBackend* headlessbackend() {
  Backend& b = backend();
  return b.headless() ? static_cast<HeadlessBackend*>(&b) : nullptr;
}

}  // namespace kv
