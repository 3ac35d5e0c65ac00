#include "commands/commandforms.h"

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "platform/qd/ports.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"

namespace kv {

scriptstatus textoperand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Str255 out) {
  fred value;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &value); st != 0) return st;
  fredtostring(&value, out);
  disposfred(&value);
  return 0;
}

KeepContext::KeepContext() : saved_(mainglobals().current), port_(nilid) { GetPort(&port_); }

KeepContext::~KeepContext() {
  SetPort(port_);
  desk back = saved_;
  if (saved_.window != nilid) getwind(saved_.window, &back);
  mainglobals().current = back;
}

}  // namespace kv
