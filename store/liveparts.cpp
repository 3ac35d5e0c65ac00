// The table through which the store reaches the live objects of shown cards, and the stand-ins
// that hold until the owners install theirs.
#include "store/liveparts.h"

#include "platform/runtime/root.h"

namespace kv {
namespace {

void standinreleasefield(spot& s) {
  fieldkindtail t = getfieldkindtail(s);
  t.live = 0;
  setfieldkindtail(s, t);
}

void standinreleasecontrol(spot& s) {
  controlpart c = getcontrolpart(s);
  c.control = 0;
  setcontrolpart(s, c);
}

void standinleavelistmode(spot& s) {
  if (s.style == stylefieldlist || s.style == stylefieldscrolllist) standinreleasefield(s);
}

OSErr standinpacklivetext(const spot&, spot&) { return noErr; }
void standinreloadlist(spot&) {}
void standinsetcontrolstate(const spot&, i16, i16) {}
OSErr standinpackfield(spot&) { return noErr; }
OSErr standinembeddedobjects(const spot&, Handle) { return paramErr; }
OSErr standinchangedlivetext(const spot&, Handle) { return paramErr; }
OSErr standinputtext(spot&, i32, i32, const u8*, i32) { return paramErr; }
i16 standinputdownedited() { return 0; }

struct LivePartsState {
  LiveParts parts{standinreleasefield,    standinreleasecontrol,  standinleavelistmode, standinpacklivetext,
                  standinreloadlist,      standinsetcontrolstate, standinpackfield,     standinembeddedobjects,
                  standinchangedlivetext, standinputtext,         standinputdownedited};
};

const LiveParts& table() { return state<LivePartsState>().parts; }

}  // namespace

void installliveparts(const LiveParts& parts) {
  LiveParts& t = state<LivePartsState>().parts;
  if (parts.releasefield) t.releasefield = parts.releasefield;
  if (parts.releasecontrol) t.releasecontrol = parts.releasecontrol;
  if (parts.leavelistmode) t.leavelistmode = parts.leavelistmode;
  if (parts.packlivetext) t.packlivetext = parts.packlivetext;
  if (parts.reloadlist) t.reloadlist = parts.reloadlist;
  if (parts.setcontrolstate) t.setcontrolstate = parts.setcontrolstate;
  if (parts.packfield) t.packfield = parts.packfield;
  if (parts.embeddedobjects) t.embeddedobjects = parts.embeddedobjects;
  if (parts.changedlivetext) t.changedlivetext = parts.changedlivetext;
  if (parts.puttext) t.puttext = parts.puttext;
  if (parts.putdownedited) t.putdownedited = parts.putdownedited;
}

void releaselivefield(spot& s) { table().releasefield(s); }
void releaselivecontrol(spot& s) { table().releasecontrol(s); }
void leavelistmode(spot& s) { table().leavelistmode(s); }
OSErr packlivetext(const spot& original, spot& copy) { return table().packlivetext(original, copy); }
void reloadlivelist(spot& s) { table().reloadlist(s); }
void setlivecontrolstate(const spot& s, i16 value, i16 highlight) { table().setcontrolstate(s, value, highlight); }
OSErr packlivefield(spot& s) { return table().packfield(s); }

void setlivefield(spot& s, u32 live) {
  fieldkindtail t = getfieldkindtail(s);
  t.live = live;
  setfieldkindtail(s, t);
}
OSErr embeddedobjects(const spot& field, Handle out) { return table().embeddedobjects(field, out); }
OSErr changedlivetext(const spot& field, Handle out) { return table().changedlivetext(field, out); }
OSErr putlivetext(spot& s, i32 from, i32 to, const u8* bytes, i32 n) { return table().puttext(s, from, to, bytes, n); }
i16 putdownedited() { return table().putdownedited(); }

}  // namespace kv
