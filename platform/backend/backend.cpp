#include "platform/backend/backend.h"

#include "platform/backend/headless.h"
#include "platform/runtime/root.h"

namespace kv {

Backend& backenddetail::makeheadless() {
  Holder& s = state<Holder>();
  if (!s.current) {
    auto made = std::make_unique<HeadlessBackend>();
    s.headless = made.get();
    s.current = std::move(made);
  }
  return *s.current;
}

void setbackend(std::unique_ptr<Backend> b) {
  backenddetail::Holder& s = state<backenddetail::Holder>();
  s.current = std::move(b);
  s.headless = s.current && s.current->headless() ? static_cast<HeadlessBackend*>(s.current.get()) : nullptr;
}

HeadlessBackend* headlessbackend() {
  Backend& b = backend();
  return b.headless() ? static_cast<HeadlessBackend*>(&b) : nullptr;
}

}  // namespace kv
