// The procedure table, `carbonproctable`: 454 numbered slots (0-453) through which the runtime
// reaches its platform callbacks (dialog filters, control actions, drawing bottlenecks, event
// handlers, ...) and its replaceable services. Code that installs a callback or calls such a
// service never names the routine: it fetches the slot by number at the moment of use, with
// getproc<N>(), which answers a routine of the slot's own type (system/procslots.h).
//
// The table is data, one row per slot in slot order (system/proctable.cpp): a slot left empty
// has no row; a row whose routine is not built yet holds none, and the change that builds the
// routine fills its row in place and declares its type beside its number.
//
// `carbonprocs` is the service table that external code receives: 276 64-bit slots filled
// once from the procedure table (fillcarbonprocs); its slot numbers never change. `cfmprocs`
// has the same form and is never filled.
#pragma once

#include <cstdarg>
#include <span>

#include "platform/types.h"
#include "system/procslots.h"

namespace kv {

constexpr i16 kProcSlots = 454;         // carbonproctable: slots 0-453
constexpr i16 kCarbonProcsSlots = 276;  // carbonprocs and cfmprocs: slots 0-275

// What a slot holds: the callback kind the platform calls it as, a runtime service, or a
// routine of the system library.
enum class ProcKind : u8 {
  service,  // a routine of the runtime, for externals and replaceable calls
  library,  // a routine of the system library
  plain,    // a plain callback address
  modalfilter,
  controlaction,
  controlcolor,
  colorsearch,
  qdtext,  // drawing bottlenecks, one per primitive
  qdline,
  qdrect,
  qdrrect,
  qdoval,
  qdarc,
  qdpoly,
  qdregion,
  qdbits,
  qdcomment,
  drawhook,
  highlighthook,
  aehandler,  // Apple event handler
  aecoercion,
  aeidle,
  aefilter,
  soundcallback,
  useritem,  // dialog user item drawer
  timer,
  carbonevent,  // platform event handler
  windowdefinition,
  iconaction,
  navevent,
  panedraw,  // user pane procedures
  panehittest,
  panetracking,
  paneidle,
  panekeydown,
  paneactivate,
  panefocus,
  teclickloop,
  dragtracking,
  dragreceive,
  dragsend,
  segmentdirection,
  unicodefallback,
  tehook,     // text-engine standard and tab hooks
  objectnew,  // text-engine object handlers
  objectdispose,
  objectdraw,
  objectstream,
  objectclick,
  listsearch,
  listdefinition,
};

// One row of the table. address is null while the routine is not built.
struct ProcRow {
  i16 slot;
  ProcKind kind;
  const char* name;
  u64 (*address)();
};

// The rows, in slot order.
std::span<const ProcRow> procrows();
// The row of a slot, or null for an empty slot or a number outside 0-453.
const ProcRow* procrow(i16 slot);

// Fills the table from its rows (once; start-up calls it before the global initialisation).
void initcarbonprocs();
// The address in slot n: 0 for an empty slot, a routine not built yet, or a number outside
// 0-453. A fetch before start-up's fill fills the table first.
u64 getproc(i16 n);
// The routine in slot N, typed as the slot declares; null when it is not built.
template <i16 N>
procroutine<N> getproc() {
  static_assert(N >= 0 && N < kProcSlots);
  return reinterpret_cast<procroutine<N>>(static_cast<std::uintptr_t>(getproc(N)));
}

// Fills carbonprocs from the procedure table the first time; later calls change nothing.
// Answers the table (kCarbonProcsSlots words).
const u64* fillcarbonprocs();
// carbonprocs as it stands (zeros until filled), and cfmprocs (always zeros).
const u64* carbonprocs();
const u64* cfmprocs();

// The system library's formatted printing and reading as externals receive them (slots 123,
// 135, 224 and 225): the arguments go to the library unchanged and its result comes back. The
// output is as unbounded as the library's sprintf: the caller owns the buffer.
[[gnu::format(printf, 2, 3)]] int mysprintf(char* out, const char* format, ...);
[[gnu::format(scanf, 2, 3)]] int mysscanf(const char* text, const char* format, ...);
[[gnu::format(printf, 2, 0)]] int myvsprintf(char* out, const char* format, va_list args);
[[gnu::format(scanf, 2, 0)]] int myvsscanf(const char* text, const char* format, va_list args);

}  // namespace kv
