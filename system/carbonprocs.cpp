// The service table that external code receives, `carbonprocs`, filled from the procedure
// table by runs; `cfmprocs`, never filled; and the formatted printing and reading of the
// system library as externals call it.
#include <array>
#include <cstdio>

#include "platform/runtime/root.h"
#include "system/proctable.h"

namespace kv {

namespace {

// carbonprocs slots first..last take the procedure table's slots from `from` on. The
// carbonprocs slots no run covers stay zero.
struct ProcRun {
  i16 first;
  i16 last;
  i16 from;
};

constexpr ProcRun kRuns[] = {
    {0, 0, 123},     {1, 8, 71},      {10, 52, 80},    {53, 97, 124},   {103, 137, 174}, {139, 152, 209},
    {154, 191, 224}, {192, 193, 263}, {195, 209, 277}, {210, 211, 353}, {212, 220, 338}, {221, 221, 349},
    {222, 223, 347}, {225, 227, 350}, {228, 259, 395}, {263, 264, 430}, {265, 274, 441}, {275, 275, 453},
};

constexpr bool runsfit() {
  i16 next = 0;
  for (const ProcRun& r : kRuns) {
    if (r.first < next || r.last < r.first || r.last >= kCarbonProcsSlots) return false;
    if (r.from < 0 || r.from + (r.last - r.first) >= kProcSlots) return false;
    next = i16(r.last + 1);
  }
  return true;
}
static_assert(runsfit(), "runs in order, within both tables");

struct CarbonProcsState {
  std::array<u64, kCarbonProcsSlots> carbonprocs{};
  std::array<u64, kCarbonProcsSlots> cfmprocs{};
  bool filled = false;
};

CarbonProcsState& cps() { return state<CarbonProcsState>(); }

}  // namespace

const u64* fillcarbonprocs() {
  CarbonProcsState& s = cps();
  if (!s.filled) {
    for (const ProcRun& r : kRuns)
      for (i16 i = r.first; i <= r.last; ++i) s.carbonprocs[std::size_t(i)] = getproc(i16(r.from + (i - r.first)));
    s.filled = true;
  }
  return s.carbonprocs.data();
}

const u64* carbonprocs() { return cps().carbonprocs.data(); }

const u64* cfmprocs() { return cps().cfmprocs.data(); }

int mysprintf(char* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsprintf(out, format, args);
  va_end(args);
  return n;
}

int mysscanf(const char* text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsscanf(text, format, args);
  va_end(args);
  return n;
}

int myvsprintf(char* out, const char* format, va_list args) { return std::vsprintf(out, format, args); }

int myvsscanf(const char* text, const char* format, va_list args) { return std::vsscanf(text, format, args); }

}  // namespace kv
