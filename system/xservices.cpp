// The runtime services behind the callback requests of externals (see xservices.h).
#include "system/xservices.h"

#include <cstring>
#include <memory>
#include <string>

#include "commands/define.h"
#include "engine/container.h"
#include "engine/fred.h"
#include "engine/scripterror.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "properties/picturedata.h"
#include "properties/userprops.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/quit.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/objectref.h"
#include "store/objects.h"
#include "store/paintcodec.h"
#include "store/recordcache.h"
#include "store/refparse.h"
#include "system/externals.h"
#include "system/externalstate.h"

namespace kv {

namespace {

constexpr i16 kAlertList = 204;  // the unsupported-request alert's texts
constexpr i32 kVersion = 3;      // of the descriptor and reference services

kv_paramblock& block() { return xstate().xcmd; }

ConstStringPtr textin(int word) { return reinterpret_cast<ConstStringPtr>(block().in[word]); }

// The object a request names in the current card's (in[0] non-zero) or background's list,
// among objects of `type`: its index, or -1.
i32 layerobject(objectkey key, u16 type) {
  const kv_paramblock& b = block();
  const desk& d = mainglobals().current;
  Handle list = b.in[0] != 0 ? d.cardspots : d.backspots;
  if (list == nilhandle) return -1;
  i32 index = -1;
  i16 st = 1;
  switch (key) {
    case objectkey::name:
      if (b.in[1] != 0) st = getspotbyname(list, type, textin(1), &index);
      break;
    case objectkey::number: st = getspotbynum(list, type, i16(b.in[1]), &index); break;
    case objectkey::id: st = getspotbyid(list, type, u16(b.in[1]), &index); break;
  }
  return st == 0 ? index : -1;
}

// The reference text of a field of the current card by its layer and id.
std::string fieldreference(i32 index) {
  const desk& d = mainglobals().current;
  bool card = block().in[0] != 0;
  spot s = spotat(card ? d.cardspots : d.backspots, index);
  return std::string(card ? "card" : "background") + " field id " + std::to_string(s.id);
}

// Resolves the object named in in[0], lets `work` act on it and releases it: 0, or the
// status of reading or of the work.
template <class Work>
i16 withobject(Work&& work) {
  objread obj{};
  if (i16 st = objectfromtext(&obj)) return st;
  i16 st = work(obj);
  writeobj(&obj);
  return st;
}

// Stores a new handle with the value's text as a handle id where `at` points.
i16 storevaluehandle(fred* value, u64 at) {
  Handle h = nilhandle;
  if (i16 st = fredtonewh(value, &h)) return st;
  storeat<kv_handle>(reinterpret_cast<u8*>(at), h);
  return 0;
}

// The selectors of the descriptor requests: -1 answers the version, and any but the version
// the unsupported alert. True when that answered the request.
bool answeredselector(i32 selector) {
  if (selector == -1) block().out[0] = kVersion;
  else if (selector != kVersion) forcetrace();
  return selector != kVersion;
}

}  // namespace

i16 handlevalue(Handle h, fred* value) {
  Handle copy = nilhandle;
  makezerohand(h, &copy);
  i16 st = handtonewfred(copy, value);
  DisposeHandle(copy);
  return st;
}

i16 valuetext(fred* v, Handle* out) {
  i16 st = copyfred(v);
  if (st == 0) st = formatfred(v, fredhand);
  if (st == 0 && v->text == nilhandle) st = err::nomemory;
  if (st == 0) {
    *out = v->text;
    v->text = nilhandle;
  }
  disposfred(v);
  return st;
}

i16 objectfromtext(objread* obj) {
  ExternalState& x = xstate();
  return readreference(x.context.hier, x.context.vars, textin(0), obj);
}

scriptstatus readreference(hierpath path, Handle variables, ConstStringPtr reference, objread* obj) {
  *obj = objread{};
  if (reference == nullptr) return err::nomemory;
  tokenised t(reference);
  if (t.status != 0) return t.status;
  savedxcall keep;
  i32 used = 0;
  return readobj(path, t.text, t.atoms, 0, variables, &used, obj);
}

void defineuprop(u16 command) {
  kv_paramblock& b = block();
  ConstStringPtr name = textin(1);
  i16 st = name == nullptr ? 1 : withobject([&](objread& obj) { return lowdefine(obj, name, command); });
  b.result = st != 0 ? 1 : 0;
}

void getuprop(bool byposition) {
  kv_paramblock& b = block();
  ConstStringPtr name = textin(1);
  u64 at = b.in[2];
  i16 st = at == 0 || (!byposition && name == nullptr) ? 1 : withobject([&](objread& obj) {
    fred v{};
    i16 e = byposition ? lowuserpropidx(obj, i32(b.in[1]), &v) : lowuserprop(obj, name, &v);
    if (e == 0) e = storevaluehandle(&v, at);
    disposfred(&v);
    return e;
  });
  b.result = st != 0 ? 1 : 0;
}

void setuprop(bool byposition) {
  kv_paramblock& b = block();
  ConstStringPtr name = textin(1);
  Handle h = Handle(b.in[2]);
  i16 st = !IsValidHandle(h) || (!byposition && name == nullptr) ? 1 : withobject([&](objread& obj) {
    fred v{};
    i16 e = handlevalue(h, &v);
    if (e == 0) e = byposition ? lowsetuserpropidx(obj, i32(b.in[1]), &v) : lowsetuserprop(obj, name, &v);
    disposfred(&v);
    return e;
  });
  b.result = st != 0 ? 1 : 0;
}

void upropnametoidx() {
  kv_paramblock& b = block();
  ConstStringPtr name = textin(1);
  u64 at = b.in[2];
  i16 st = at == 0 || name == nullptr ? 1 : withobject([&](objread& obj) {
    Handle list = nilhandle;
    if (!upropslist(obj, &list)) return i16(2);
    i16 index = -1;
    bool found = findprop(list, &index, name) != 0;
    storeat<i32>(reinterpret_cast<u8*>(at), found ? i32(index) : -1);
    return found ? i16(0) : i16(1);
  });
  b.result = st != 0 ? 1 : 0;
}

void upropidxtoname() {
  kv_paramblock& b = block();
  u64 at = b.in[2];
  i32 position = i32(b.in[1]);
  i16 st = at == 0 ? 1 : withobject([&](objread& obj) {
    Handle list = nilhandle;
    if (!upropslist(obj, &list)) return i16(2);
    i32 count = list == nilhandle ? 0 : i32(HandleCount<uprop>(list));
    if (position < 0 || position >= count) return i16(1);
    Str255 name;
    handtostring(Handle(HandleAs<uprop>(list)[position].name), name);
    std::memcpy(reinterpret_cast<u8*>(at), name, std::size_t(name[0]) + 1);
    return i16(0);
  });
  b.result = st != 0 ? 1 : 0;
}

void getfield(objectkey key) {
  kv_paramblock& b = block();
  b.out[0] = 0;
  b.result = 1;
  i32 index = layerobject(key, typefield);
  if (index < 0) return;
  std::string reference = fieldreference(index);
  ExternalState& x = xstate();
  Handle text = nilhandle;
  i16 st = readfieldtext(x.context.hier, x.context.vars, reference, &text);
  if (st == 0 && appendcharhand(text, 0) != 0) st = err::nomemory;
  if (st != 0) {
    if (text != nilhandle) DisposeHandle(text);
    return;
  }
  b.out[0] = text;
  b.result = 0;
}

void pututility(objectkey key) {
  kv_paramblock& b = block();
  b.result = 1;
  Handle copy = nilhandle;
  makezerohand(Handle(b.in[2]), &copy);
  i32 index = memoryrefused(GetHandleSize(copy)) ? -1 : layerobject(key, typefield);
  if (index >= 0) {
    ExternalState& x = xstate();
    i16 st = writefieldtext(x.context.hier, x.context.vars, fieldreference(index), deref(copy), GetHandleSize(copy));
    b.result = st != 0 ? 1 : 0;
  }
  DisposeHandle(copy);
}

scriptstatus readfieldtext(hierpath path, Handle variables, std::string_view reference, Handle* out) {
  *out = nilhandle;
  tokenised t(reference.data(), Size(reference.size()));
  if (t.status != 0) return t.status;
  savedxcall keep;
  i32 used = 0;
  chunkpart dest{};
  // The container tells a field from other objects; the text itself is read as scripts read
  // it (the open field from its live record).
  if (i16 st = fieldcontainer(path, t.text, t.atoms, 0, variables, &used, &dest)) return st;
  releasefieldcontainer(&dest);
  fred v{};
  if (i16 st = sourceobject(path, t.text, t.atoms, 0, variables, &used, &v)) {
    disposfred(&v);
    return st;
  }
  return valuetext(&v, out);
}

scriptstatus writefieldtext(hierpath path, Handle variables, std::string_view reference, const u8* bytes, Size n) {
  tokenised t(reference.data(), Size(reference.size()));
  if (t.status != 0) return t.status;
  savedxcall keep;
  chunkpart dest{};
  i32 used = 0;
  if (i16 st = fieldcontainer(path, t.text, t.atoms, 0, variables, &used, &dest)) return st;
  return putfield(&dest, dest.start, dest.end, bytes, n, true);
}

void lowpix(objectkey key) {
  kv_paramblock& b = block();
  b.result = 1;
  i32 index = layerobject(key, typeany);
  const desk& d = mainglobals().current;
  bool card = b.in[0] != 0;
  Handle list = card ? d.cardspots : d.backspots;
  if (index < 0) return;
  spot s = spotat(list, index);
  if (s.style != stylebitmap) return;
  kv_bitmapinfo& info = xstate().bitmap;
  bool colour = getgraphictail(s).startangle != 0;
  info.picture = Handle(s.data);
  info.colortable = card ? d.cardclut : d.backclut;
  info.rect[0] = s.rect.top;
  info.rect[1] = s.rect.left;
  info.rect[2] = s.rect.bottom;
  info.rect[3] = s.rect.right;
  info.colour = colour ? 1 : 0;
  info.rowbytes = u16(paintgeometry(s.rect, colour).rowbytes);
  info.ink = s.ink;
  // The external may draw into the bitmap.
  checkerr(changevir(d.store, i32(card ? d.cardrecid : d.backrecid)));
  b.out[0] = u64(reinterpret_cast<std::uintptr_t>(&info));
  b.result = 0;
}

void installpdata() {
  kv_paramblock& b = block();
  const Handle picture = Handle(b.in[1]);
  if (!IsValidHandle(picture)) {
    b.result = 1;
    return;
  }
  // The picture's frame is put in order (in the external's handle too); the object takes a
  // copy, so the handle stays the external's whether or not the request succeeds.
  orderpictureframe(picture);
  i16 st = withobject([&](objread& obj) {
    Handle copy = picture;
    if (memoryrefused(GetHandleSize(picture)) || HandToHand(&copy) != noErr) return i16(err::nomemory);
    return lowsetpicturedata(obj, copy, 1);
  });
  b.result = st != 0 ? 1 : 0;
}

void getread() {
  kv_paramblock& b = block();
  if (answeredselector(i32(b.in[2]))) return;
  objread obj{};
  b.result = 1;
  if (b.in[1] == 0 || objectfromtext(&obj) != 0) return;
  b.result = holdreference(obj, reinterpret_cast<u8*>(b.in[1])) ? 0 : 1;
}

void putread() {
  kv_paramblock& b = block();
  if (answeredselector(i32(b.in[1]))) return;
  b.result = releasereference(reinterpret_cast<const u8*>(b.in[0])) ? 0 : 1;
}

bool holdreference(const objread& obj, u8* into) {
  RegistryId id = xstate().references.add(std::make_unique<objread>(obj));
  if (id == nilid) {
    objread copy = obj;
    writeobj(&copy);
    return false;
  }
  std::memset(into, 0, KV_DESCRIPTOR_SIZE);
  storeat<u32>(into, id);
  return true;
}

bool releasereference(const u8* from) {
  std::unique_ptr<objread> obj = from != nullptr ? xstate().references.remove(loadat<u32>(from)) : nullptr;
  if (obj) writeobj(obj.get());
  return obj != nullptr;
}

void forcetrace() {
  ExternalState& x = xstate();
  x.xcmd.result = 3;
  unsupportedalert((x.context.type == xclasscommand ? "XCMD " : "XFCN ") + runningmessage());
}

void unsupportedalert(std::string_view who) {
  Str255 title, pattern, quit, go, message{};
  GetIndString(title, kAlertList, 1);
  GetIndString(pattern, kAlertList, 2);
  GetIndString(quit, kAlertList, 3);
  GetIndString(go, kAlertList, 4);
  std::string text(pstringview(pattern));
  if (std::size_t at = text.find("^0"); at != std::string::npos) text.replace(at, 2, who);
  pstrassign(message, sizeof message, text.data(), text.size());
  if (runalert(title, message, cautionalert, 0, 2, quit, go, nullptr) == 2) quitfile();
}

i16 globalvalue(ConstStringPtr name, fred* out) {
  varentry e{};
  if (name == nullptr || !findnamedvar(name, mainglobals().globalvars, &e) || !IsValidHandle(e.value)) return 1;
  *out = *HandleAs<fred>(e.value);
  // A copy of its own: the variable keeps its value whatever becomes of the copy.
  out->cls = fredobject;
  return copyfred(out);
}

i16 setglobalvalue(ConstStringPtr name, const fred* value) {
  MainGlobals& g = mainglobals();
  varentry e{};
  if (name == nullptr) return err::nomemory;
  if (!findnamedvar(name, g.globalvars, &e)) {
    if (i16 st = lowcreate(name, &e)) return st;
    e.state = varborrowed;
    if (i16 st = addvars(g.globalvars, e)) {
      killfred(e.value);
      if (e.name != nilhandle) DisposeHandle(e.name);
      return st;
    }
  }
  fred w = *HandleAs<fred>(e.value);
  i16 st = fredtofred(value, &w);
  disposfred(&w);
  return st;
}

void upropcount() {
  kv_paramblock& b = block();
  u64 at = b.in[1];
  i16 st = at == 0 ? 1 : withobject([&](objread& obj) {
    // The shared script and the application have no properties of their own to count.
    bool counted = obj.kind != objshared && obj.kind != objapp;
    Handle list = nilhandle;
    i32 count = counted && upropslist(obj, &list) && list != nilhandle ? i32(HandleCount<uprop>(list)) : 0;
    storeat<i32>(reinterpret_cast<u8*>(at), count);
    return counted ? i16(0) : i16(1);
  });
  b.result = st != 0 ? 1 : 0;
}

i16 findnamedvar(ConstStringPtr name, Handle variables, varentry* out) {
  u32 key = 0;
  getkey(name, &key);
  if (variables == nilhandle || GetHandleSize(variables) < Size(sizeof(varentry))) return 0;
  for (Size i = 0; i < HandleCount<varentry>(variables); ++i) {
    varentry e = HandleAs<varentry>(variables)[i];
    if (e.key == key && e.name != nilhandle && equalhand(e.name, name) != 0) {
      *out = e;
      return 1;
    }
  }
  return 0;
}

}  // namespace kv
