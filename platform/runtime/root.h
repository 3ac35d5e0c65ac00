// The runtime root: every piece of mutable state of the running system hangs from here.
//
// Each module keeps its state in one struct of its own and reaches it with state<T>(). The
// struct is created (value-initialised) on first use and destroyed by resetruntime(), which
// brings the whole system back to its start state. Destruction runs in reverse creation
// order, so a module's destructor may still release handles; whatever handles remain after
// that were leaked, and resetruntime() reports their count.
#pragma once

#include <cstddef>
#include <utility>

namespace kv {

namespace rootdetail {
struct Slot {
  void* object;
  void (*destroy)(void*);
  void** cache;  // the per-type fast pointer, cleared on reset
};
void registerslot(Slot s);

template <class T>
struct Cache {
  static inline T* ptr = nullptr;
};

template <class T>
void destroyobject(void* p) {
  delete static_cast<T*>(p);
}
}  // namespace rootdetail

template <class T>
T& state() {
  T* p = rootdetail::Cache<T>::ptr;
  if (p == nullptr) [[unlikely]] {
    p = new T();
    rootdetail::Cache<T>::ptr = p;
    rootdetail::registerslot({p, &rootdetail::destroyobject<T>, reinterpret_cast<void**>(&rootdetail::Cache<T>::ptr)});
  }
  return *p;
}

// True when the module state of type T exists (used by teardown paths that must not create it).
template <class T>
bool hasstate() {
  return rootdetail::Cache<T>::ptr != nullptr;
}

struct ResetReport {
  std::size_t leakedhandles = 0;  // handles still live once every module state was destroyed
  std::size_t leakedbytes = 0;
};

// Destroys every module state (newest first), then frees every handle that is still live.
ResetReport resetruntime();

}  // namespace kv
