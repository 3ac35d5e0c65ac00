#include "platform/runtime/bigstack.h"

#include <pthread.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kv {

// The bounds of the big-stack thread; only that thread reads them.
thread_local constinit std::uintptr_t bigstackdetail::lowest = 0;

namespace {

struct Launch {
  const std::function<int()>* fn;
  int result;
};

void* trampoline(void* p) {
  auto* l = static_cast<Launch*>(p);
  pthread_attr_t attr;
  void* base = nullptr;
  std::size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstack(&attr, &base, &size);
    pthread_attr_destroy(&attr);
    bigstackdetail::lowest = reinterpret_cast<std::uintptr_t>(base) + kStackReserve;
  }
  l->result = (*l->fn)();
  return nullptr;
}

}  // namespace

int runonbigstack(const std::function<int()>& fn) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kBigStackSize);
  Launch l{&fn, 0};
  pthread_t t;
  if (pthread_create(&t, &attr, trampoline, &l) != 0) {
    std::fprintf(stderr, "kestrove: cannot start the main thread\n");
    std::exit(70);
  }
  pthread_join(t, nullptr);
  pthread_attr_destroy(&attr);
  return l.result;
}

}  // namespace kv
