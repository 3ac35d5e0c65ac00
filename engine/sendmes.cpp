// Message sending: the handler search along a path, parameter binding, call levels, and the
// senders that run message texts (`send`, `do`).
#include "engine/sendmes.h"
#include "engine/status.h"

#include <cstring>
#include <string>
#include <vector>

#include "commands/dispatch.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/runblock.h"
#include "engine/scripterror.h"
#include "engine/servicehooks.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "shell/windowmanage.h"
#include "store/commitpoints.h"
#include "core/memoryguard.h"
#include "store/objread.h"
#include "system/appleevents.h"
#include "system/externals.h"

namespace kv {

namespace {

constexpr Size stackneeded = 32768;

// A message text tokenised into a copy of its own; both handles go with it.
struct tokenisedcopy {
  Handle text = nilhandle;
  Handle atoms = nilhandle;
  i16 status = 0;
  explicit tokenisedcopy(Handle message) : text(message) {
    if (HandToHand(&text) != noErr) {
      text = nilhandle;
      status = err::nomemory;
    } else {
      status = tokenize(text, &atoms);
    }
  }
  tokenisedcopy(const tokenisedcopy&) = delete;
  tokenisedcopy& operator=(const tokenisedcopy&) = delete;
  ~tokenisedcopy() {
    if (atoms != nilhandle) DisposeHandle(atoms);
    if (text != nilhandle) DisposeHandle(text);
  }
};

struct SendState {
  u64 searches = 0;
  u32 polltime = 0;  // the tick after which the next event poll is due
};

// Lets the system breathe between messages, once per poll interval: one window waiting for
// its update is redrawn (so that a long handler still repaints a window the user uncovers),
// then the events are looked at (not taken) so that the platform can run its handlers.
void pollevents() {
  SendState& s = state<SendState>();
  u32 now = TickCount();
  if (now < s.polltime) return;
  MainGlobals& g = mainglobals();
  i32 interval = g.notfront != 0 ? g.bgScriptTime : g.fgScriptTime;
  // No update is taken while one is being drawn: the drawing may itself send messages.
  if (g.updating == 0) {
    EventRecord e{};
    if (GetNextEvent(updateMask, &e)) updatewindow(WindowRef(e.message), g.dropunderway ? 0 : 1);
  }
  if (g.dragref == 0) EventAvail(everyEvent, nullptr);
  s.polltime = now + u32(interval < 0 ? 0 : interval);
}

const atom& atomof(Handle atoms, i32 i) { return HandleAs<atom>(atoms)[i]; }

bool isbuiltin(u16 t, bool function) {
  return function ? (t >= firstfunction && t <= lastfunction) : (t >= firstcommand && t <= lastcommand);
}

// A handler name matches the message: by token for keywords, else by its characters.
bool namematches(const hier& entry, i32 name, Handle msgtext, const atom& msg) {
  const atom& a = atomof(entry.atoms, name);
  if (a.token >= firstcommand && a.token == msg.token) return true;
  if (a.length != msg.length) return false;
  Size scriptsize = 0, msgsize = 0;
  const u8* script = derefsize(entry.script, &scriptsize);
  const u8* message = derefsize(msgtext, &msgsize);
  if (Size(a.offset) + a.length > scriptsize || Size(msg.offset) + msg.length > msgsize) return false;
  return equalchars(script + a.offset, message + msg.offset, a.length);
}

// The first atom of the line after the line holding atom i.
i32 nextline(Handle atoms, i32 i) { return atomview(atoms).nextline(i); }

// The `end` atom closing the handler named at `name`; 17 when there is none. The atoms of a
// script never change, so the name atom keeps what the first search found.
i16 handlerend(const hier& entry, i32 name, i32* end) {
  atom& handler = HandleAs<atom>(entry.atoms)[name];
  if (handler.numstate == numhandlerend) {
    *end = i32(handler.value[0]);
    return 0;
  }
  for (i32 line = nextline(entry.atoms, name); tokenat(entry.atoms, line) != tok::endofscript;
       line = nextline(entry.atoms, line)) {
    if (tokenat(entry.atoms, line) != tok::end) continue;
    u16 what = tokenat(entry.atoms, line + 1);
    if (what == tok::if_ || what == tok::switch_ || what == tok::try_ || what == tok::repeat) continue;
    if (what == tok::endofline || what == tok::endofscript) continue;
    if (!namematches(entry, line + 1, entry.script, atomof(entry.atoms, name))) return err::noend;
    *end = line;
    // A number literal keeps its own number in these words.
    atom& named = HandleAs<atom>(entry.atoms)[name];
    if (named.token != tok::numberatom && named.numstate == numnotcached) {
      named.value[0] = u32(line);
      named.numstate = numhandlerend;
    }
    return 0;
  }
  return err::noend;
}

// The message name as the value of argument 0: its text, held inline when it is short (as any
// short text is), else in a handle of its own.
i16 messagename(const atom& a, Handle text, fred* v) {
  atomchars name = atomname(a, text);
  i16 st = shorttonewfred(name.bytes, name.length, v);
  return st == 1 ? atomtonewfred(a, text, v) : st;
}

// The argument variables of a call, gathered before they go into the handler's variable list
// together: the list is made holding them (one allocation for the commonest calls instead of
// an empty list grown once per argument).
class argumentlist {
 public:
  explicit argumentlist(Handle* list) : list_(list) {}
  argumentlist(const argumentlist&) = delete;
  argumentlist& operator=(const argumentlist&) = delete;
  // Anything not handed to the list goes with the object.
  ~argumentlist() {
    for (i32 i = 0; i < count_; ++i) killfred(held_[i].value);
  }
  // Adds an argument variable (nameless, its state the argument number) holding the value,
  // which is consumed.
  i16 add(i16 number, fred* value) {
    varentry e;
    i16 st = argumentcreate(&e);
    if (st == 0) {
      e.state = number;
      if (value->cls == fredtemp) {
        // An owned temporary (what an expression gives) moves into the variable's record,
        // its text handle with it: nothing is copied or written back.
        fred* stored = HandleAs<fred>(e.value);
        stored->type = value->type;
        stored->integer = value->integer;
        stored->real = value->real;
        stored->text = value->text;
        std::memcpy(stored->shorttext, value->shorttext, sizeof stored->shorttext);
        value->cls = freddisposed;
        value->text = nilhandle;
      } else {
        fred stored = *HandleAs<fred>(e.value);
        st = fredtofred(value, &stored);
        disposfred(&stored);
      }
      if (st == 0 && count_ == kHeld) st = flush();
      if (st == 0) {
        held_[count_++] = e;
      } else {
        killfred(e.value);
      }
    }
    disposfred(value);
    return st;
  }
  // Makes the list of what is held, or appends it to the list already made.
  i16 flush() {
    const Size bytes = Size(sizeof(varentry)) * count_;
    if (*list_ == nilhandle) {
      if (memoryrefused(bytes) || calllist(held_, bytes, list_) != 0) return err::nomemory;
    } else if (count_ > 0) {
      if (memoryrefused(GetHandleSize(*list_) + bytes) || PtrAndHand(held_, *list_, bytes) != noErr)
        return err::nomemory;
    }
    count_ = 0;
    return 0;
  }

 private:
  static constexpr i32 kHeld = 8;
  Handle* list_;
  varentry held_[kHeld];
  i32 count_ = 0;
};

// Evaluates the message's arguments in the caller's context into a new variable list: the
// message name first, then one nameless variable per argument.
scriptstatus bindarguments(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool function,
                           Handle* out) {
  *out = nilhandle;
  i16 st = 0;
  {
    argumentlist args(out);
    fred name;
    st = messagename(atomof(atoms, at), text, &name);
    if (st == 0) st = args.add(0, &name);
    i32 pos = at + 1;
    bool more = true;
    if (st == 0 && function) {
      if (tokenat(atoms, pos) != tok::leftparen) st = err::noparens;
      ++pos;
      if (tokenat(atoms, pos) == tok::rightparen) more = false;
    } else if (st == 0 && (tokenat(atoms, pos) == tok::endofline || tokenat(atoms, pos) == tok::endofscript)) {
      more = false;
    }
    for (i16 number = 1; st == 0 && more; ++number) {
      fred value;
      i32 used = 0;
      st = expression(path, text, atoms, pos, variables, nilhandle, &used, &value);
      if (st != 0) break;
      st = args.add(number, &value);
      pos += used;
      u16 t = tokenat(atoms, pos);
      if (function) {
        if (t == tok::rightparen) break;
        if (t != tok::comma) st = err::cantunderstand;
        ++pos;
      } else {
        if (t == tok::endofline || t == tok::endofscript) break;
        if (t == tok::comma) ++pos;  // a further expression directly after one is also taken
      }
    }
    if (st == 0) st = args.flush();
  }
  if (st != 0 && *out != nilhandle) {
    dumpcallvars(*out);
    *out = nilhandle;
  }
  return st;
}

// Names the arguments after the handler's parameter names; fewer arguments leave the rest
// empty, more leave the extra ones nameless.
i16 bindparameters(const hier& entry, i32 name, Handle list) {
  i32 pos = name + 1;
  for (i16 number = 1;; ++number) {
    u16 t = tokenat(entry.atoms, pos);
    if (t == tok::endofline || t == tok::endofscript) return 0;
    const atom p = atomof(entry.atoms, pos);
    Str255 pname;
    pname[0] = u8(p.length > 255 ? 255 : p.length);
    std::memcpy(pname + 1, deref(entry.script) + p.offset, pname[0]);
    varentry named;
    if (number < HandleCount<varentry>(list)) {
      // The parameter takes over the argument's value. Its name was checked and its key
      // found on the first call: the atom keeps the key.
      const bool known = p.numstate == numparameter;
      if (i16 st = known ? lownamedkey(pname, p.value[0], &named) : lownamed(pname, &named); st != 0) return st;
      if (!known && p.numstate == numnotcached && p.token != tok::numberatom) {
        atom& marked = HandleAs<atom>(entry.atoms)[pos];
        marked.numstate = numparameter;
        marked.value[0] = named.key;
      }
      varentry& arg = HandleAs<varentry>(list)[number];
      if (arg.state != number) {
        if (named.name != nilhandle) DisposeHandle(named.name);
        return err::cantunderstand;
      }
      // The argument's state and value stay.
      arg.key = named.key;
      arg.name = named.name;
    } else {
      if (i16 st = lowcreate(pname, &named); st != 0) return st;
      if (i16 st = addvars(list, named); st != 0) {
        // The list could not take the entry: nothing of it is left behind.
        killfred(named.value);
        if (named.name != nilhandle) DisposeHandle(named.name);
        return st;
      }
    }
    pos += 1;
    t = tokenat(entry.atoms, pos);
    if (t == tok::endofline || t == tok::endofscript) return 0;
    if (t != tok::comma) return err::stray;
    pos += 1;
  }
}

// Runs the handler named at `name` in the path's first entry.
scriptstatus runhandler(hierpath path, i32 name, Handle text, Handle atoms, i32 at, Handle variables, fred* result) {
  // The handler's own commands commit each at its end, whatever change runs the handler.
  HandlerPlace place;
  const hier& entry = path.front();
  i32 end = 0;
  Handle list = nilhandle;
  i16 st = bindarguments(path, text, atoms, at, variables, result != nullptr, &list);
  if (st == 0) st = bindparameters(entry, name, list);
  if (st == 0) st = handlerend(entry, name, &end);
  if (st != 0) {
    dumpcallvars(list);
    return st;
  }
  MainGlobals& g = mainglobals();
  i16 repeats = g.repeatindex, switches = g.switchindex;
  if (result != nullptr) {
    disposfred(result);
    newfred(result, fredtemp, fredstring, 0);
  }
  i32 first = nextline(entry.atoms, name);
  calllevel* level = addlevel(1);
  if (level == nullptr) {
    dumpcallvars(list);
    return g.calllevel >= 0x7FFE ? err::recursion : err::nomemory;
  }
  *level = calllevel{list, entry.script, path.data(), first, sendmeslevel, 0, {13, ',', ' '}, 0};
  u16 delims[3] = {g.lineDelimiter, g.itemDelimiter, g.wordDelimiter};
  bool local = g.localDelimiters != 0;
  if (local) {
    g.lineDelimiter = 13;
    g.itemDelimiter = ',';
    g.wordDelimiter = ' ';
  }
  st = runblock(path, name, first, end, list, result);
  if (local) {
    g.lineDelimiter = delims[0];
    g.itemDelimiter = delims[1];
    g.wordDelimiter = delims[2];
  }
  deletelevel(0);
  restorequeues(repeats, switches);
  dumpcallvars(list);
  return st;
}

// The message text of `send`: words of the text that name a variable of the caller are
// replaced by its value.
i16 sendtext(fred* message, Handle variables, Handle* out) {
  Size n = getfredsize(message);
  std::string source(reinterpret_cast<const char*>(fredaddr(message)), size_t(n));
  std::string built;
  size_t i = 0;
  while (i < source.size()) {
    if (source[i] == ' ' || source[i] == ',') {
      built += source[i++];
      continue;
    }
    size_t j = i;
    while (j < source.size() && source[j] != ' ' && source[j] != ',') ++j;
    std::string word = source.substr(i, j - i);
    i = j;
    bool replaced = false;
    if (word.size() <= 255 && variables != nilhandle) {
      // The word is looked up as a variable through an atom of its own.
      Handle wordtext = nilhandle;
      if (PtrToHand(word.data(), &wordtext, Size(word.size())) != noErr) return err::nomemory;
      atom a{tok::unknown, u16(word.size()), -1, 0, nilhandle, {0, 0}, numnotcached, {0, 0, 0}};
      varentry e;
      if (findvars(&a, wordtext, variables, &e) == 0) {
        fred v = *HandleAs<fred>(e.value);
        v.cls = fredtemp;
        v.link = nilhandle;
        Handle kept = v.text;
        Size vn = getfredsize(&v);
        built.append(reinterpret_cast<const char*>(fredaddr(&v)), size_t(vn));
        if (v.text != kept && v.text != nilhandle) DisposeHandle(v.text);
        replaced = true;
      }
      DisposeHandle(wordtext);
    }
    if (!replaced) built += word;
  }
  return PtrToHand(built.data(), out, Size(built.size())) == noErr ? 0 : err::nomemory;
}

// `send message to <object>`: the object at `at` must end the statement; the message goes
// to it through its dispatcher.
scriptstatus sendto(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle msgtext) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj); st != 0) return st;
  u16 after = tokenat(atoms, at + used);
  i16 st = err::cantunderstand;
  desk d = obj.d;
  if (after == tok::endofline || after == tok::endofscript) {
    std::string message(reinterpret_cast<const char*>(deref(msgtext)), size_t(GetHandleSize(msgtext)));
    st = lowsend(message, path, variables, obj);
  }
  // A message ran since the reference was read: its window may show another card by now.
  safewriteobj(&obj, d.changestamp, d.serial, d.cardnum);
  return st;
}

// The search of the path for a handler of the message; true when one took it (its status in
// *st). Kept apart from sendmes, whose commonest call (a built-in no script handles) needs none
// of it.
[[gnu::noinline]] bool searchpath(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, fred* result,
                                  i16* st) {
  ++state<SendState>().searches;
  const atom msg = atomof(atoms, at);  // a copy: the atoms may move while handlers run
  const bool function = result != nullptr;
  std::span<hier> slots = hierslots();
  for (size_t i = 0; i < path.size(); ++i) {
    // A slot copy is taken again when the search reaches it: a handler earlier in the path
    // may have removed or replaced that slot's script (and the old one may be gone). Only
    // the search reads the slot copies of a path, so they are refreshed here and nowhere
    // else.
    if (path[i].slot >= 0 && size_t(path[i].slot) < slots.size()) path[i] = slots[size_t(path[i].slot)];
    const hier& entry = path[i];
    if (entry.atoms != nilhandle && entry.script != nilhandle) {
      i32 count = i32(HandleCount<atom>(entry.atoms));
      i32 name = function ? entry.firstfunction : entry.firsthandler;
      // A function call in the entry's own script remembers the handler found for it there:
      // a script's atoms never change (a changed script is tokenised anew).
      const bool own = function && entry.atoms == atoms;
      const bool remembered = own && msg.numstate == numhandlercall && i32(msg.value[0]) < count;
      if (remembered) name = i32(msg.value[0]);
      for (i32 steps = 0; name >= 0 && name < count && steps < count; ++steps) {
        if (remembered || namematches(entry, name, text, msg)) {
          if (own && msg.numstate == numnotcached) {
            atom& call = HandleAs<atom>(atoms)[at];
            call.numstate = numhandlercall;
            call.value[0] = u32(name);
          }
          i16 ran = runhandler(path.subspan(i), name, text, atoms, at, variables, result);
          if (ran == statuspass) break;  // on to the next entry of the path
          if (ran == statusexitrepeat) ran = 31;
          if (ran == statusnextrepeat) ran = 35;
          if (ran == statusreturn) ran = 0;
          if (ran > 0) posterror(entry, name, entry.script);
          *st = ran;
          return true;
        }
        name = atomof(entry.atoms, name).link;
      }
    }
    if (entry.level == hiershared) break;
  }
  *st = 0;
  return false;
}

}  // namespace

u64 pathsearches() { return state<SendState>().searches; }

calllevel* addlevel(i16 push) {
  MainGlobals& g = mainglobals();
  if (push == 0) {
    if (g.calllevel >= 0) --g.calllevel;
    return nullptr;
  }
  if (g.calllevels == nilhandle) return nullptr;
  Size capacity = HandleCount<calllevel>(g.calllevels);
  i32 depth = g.calllevel + 1;
  if (depth >= 0x7FFF) return nullptr;  // the depth word can count no further
  if (depth >= capacity) {
    // Grows by half again, so that deep recursion does not copy the stack once per level.
    Size grown = capacity < 16 ? 16 : capacity + capacity / 2;
    SetHandleSize(g.calllevels, grown * Size(sizeof(calllevel)));
    if (MemError() != noErr) return nullptr;
  }
  g.calllevel = i16(depth);
  calllevel* level = HandleAs<calllevel>(g.calllevels) + depth;
  *level = calllevel{nilhandle, nilhandle, nullptr, 0, 0, 0, {13, ',', ' '}, 0};
  return level;
}

void deletelevel(i16) { addlevel(0); }

i16 leveldepth() { return mainglobals().calllevel; }

scriptstatus sendmes(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, fred* result, u8 kind) {
  pollevents();
  if (nostack(stackneeded) != 0) return err::recursion;
  if (kind != sendmeslevel) {
    calllevel* level = addlevel(1);
    if (level == nullptr) return mainglobals().calllevel >= 0x7FFE ? err::recursion : err::nomemory;
    *level = calllevel{variables, text, path.data(), at, kind, 0, {13, ',', ' '}, 0};
  }
  const u16 token = tokenat(atoms, at);
  bool function = result != nullptr;
  i16 st = 0;
  // A built-in that no script of the run has a handler for goes straight to its routine.
  bool handled = (!isbuiltin(token, function) || handlerpresent(token)) &&
                 searchpath(path, text, atoms, at, variables, result, &st);
  if (!handled) {
    // A built-in or external command is one change (send and do only run other statements).
    ChangeScope change(!function && token != tok::send && token != tok::do_);
    i16 found = 0;
    st = mainglobals().plugin != 0 ? scriptstatus(0) : xlookup(path, text, atoms, at, variables, &found, result, 0);
    if (found == 0 || st == statuspass) {
      // No external ran, or one passed the message on: the built-in of that name runs. When
      // an external of that name failed before it ran and no built-in has the name, the
      // failure is the error.
      i16 failed = found == 0 ? st : i16(0);
      if (function) {
        i32 used = 0;
        disposfred(result);
        st = sysfun(path, text, atoms, at, variables, &used, result);
        if (st == err::nosuchfunction && failed > 0) st = failed;
        if (st != 0) newfred(result, fredtemp, fredstring, 0);
      } else {
        st = syscom(path, text, atoms, at, variables);
        if (st == err::wentwrong && failed > 0 && !isbuiltin(token, false)) st = failed;
      }
    }
  }
  if (mainglobals().speechCount > 0) servicehooks().checkspeech();
  if (kind != sendmeslevel) deletelevel(0);
  return st;
}

scriptstatus hypesend(hierpath path, Handle variables, Handle message) {
  tokenisedcopy t(message);
  if (t.status != 0) return t.status;
  u16 word = tokenat(t.atoms, 0);
  ChangeScope change(word != tok::send && word != tok::do_);
  i16 found = 0, st = 0;
  if (mainglobals().plugin == 0) st = xlookup(path, t.text, t.atoms, 0, variables, &found, nullptr, 0);
  if (found == 0 || st == statuspass) {
    i16 failed = found == 0 ? st : i16(0);
    st = syscom(path, t.text, t.atoms, 0, variables);
    if (st == err::wentwrong && failed > 0 && !isbuiltin(tokenat(t.atoms, 0), false)) st = failed;
  }
  return st;
}

scriptstatus comsend(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 pos = at + 1;
  bool file = tokenat(atoms, pos) == tok::file;
  if (file) ++pos;
  fred message;
  i32 used = 0;
  i16 st = expression(path, text, atoms, pos, variables, nilhandle, &used, &message);
  if (st != 0) return st;
  Handle msgtext = nilhandle;
  if (tokenat(atoms, pos) == tok::stringatom) {
    st = sendtext(&message, variables, &msgtext);
  } else {
    st = fredtonewh(&message, &msgtext);
  }
  disposfred(&message);
  if (st != 0) return st;
  pos += used;
  u16 t = tokenat(atoms, pos);
  if (t == tok::endofline || t == tok::endofscript) {
    st = hypesend(path, variables, msgtext);
  } else if (t != tok::to) {
    st = err::notoorof;
  } else if (tokenat(atoms, pos + 1) == tok::program) {
    // Messages to other programs go out as requests to them.
    if (mainglobals().plugin != 0) {
      st = err::plugincommand;
    } else {
      const std::string_view sent(reinterpret_cast<const char*>(deref(msgtext)), std::size_t(GetHandleSize(msgtext)));
      st = sendae(path, text, atoms, pos + 2, variables, sent, tokenat(atoms, at + (file ? 2 : 1)) == tok::empty, file);
    }
  } else {
    st = sendto(path, text, atoms, pos + 1, variables, msgtext);
  }
  DisposeHandle(msgtext);
  return st;
}

i16 meesend(Handle message, Handle variables, hierpath entry, Handle target) {
  tokenisedcopy t(message);
  if (t.status != 0) return t.status;
  i32 count = i32(HandleCount<atom>(t.atoms));
  i32 first = 0;
  while (tokenat(t.atoms, first) == tok::endofline) ++first;
  if (tokenat(t.atoms, first) == tok::endofscript) return 0;
  // The text runs as an entry of its own in front of the path: its statements are sent from
  // there, so that the search for their handlers starts at the object that runs `do`, and `me`
  // is that object. The entry has no level: an error in it is posted at the `do` statement.
  std::vector<hier> path;
  path.reserve(entry.size() + 1);
  hier own{};
  own.script = t.text;
  own.atoms = t.atoms;
  own.descriptor = target != nilhandle ? target : entry.empty() ? nilhandle : entry.front().descriptor;
  path.push_back(own);
  path.insert(path.end(), entry.begin(), entry.end());
  // `the target` is the object whose script runs the lines, while they run.
  MainGlobals& g = mainglobals();
  Handle kept = g.target;
  g.target = nilhandle;
  if (own.descriptor != nilhandle) {
    g.target = own.descriptor;
    if (HandToHand(&g.target) != noErr) g.target = nilhandle;
  }
  i16 repeats = g.repeatindex, switches = g.switchindex;
  i16 st = 0;
  if (calllevel* level = addlevel(1); level == nullptr) {
    st = g.calllevel >= 0x7FFE ? err::recursion : err::nomemory;
  } else {
    *level = calllevel{variables, t.text, path.data(), first, sendmesdo, 0, {13, ',', ' '}, 0};
    // The end-of-script atom stands for the handler's name: no `pass` or `exit` names it.
    st = runblock(hierpath(path), count - 1, first, count, variables, nullptr);
    deletelevel(0);
  }
  restorequeues(repeats, switches);
  if (g.target != nilhandle) DisposeHandle(g.target);
  g.target = kept;
  switch (st) {
    case statusreturn: return 0;  // `return` ends the text; its value is `the result`
    case statusexitrepeat: return 31;
    case statusnextrepeat: return 35;
    case statusexitswitch: return 214;
    default: return st;
  }
}

}  // namespace kv
