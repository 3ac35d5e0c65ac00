// The live objects that a shown card keeps in its object records: the text-engine record or
// list of a field (the last u32 of the field's kind tail) and the platform control of a button
// with flag bit 21 (the last u32 of its control part). These slots hold registry ids while the
// card is shown and 0 in every stored or copied record.
//
// The store never works on those objects itself: every call it makes into the text engine, the
// list code or the platform controls goes through the one table below, which their owners fill
// at start-up (installliveparts). Until an owner has installed its entries the stand-ins hold:
// no live object is ever made, so releasing clears the slot, a copy keeps the stored text it
// already has, reloading a list or setting a control does nothing, a field's embedded objects
// cannot be listed, no field has a changed live text and no field is open to be put down. A
// runtime reset brings
// the stand-ins back.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

struct LiveParts {
  // Disposes of a field's live text-engine record or list and clears the slot.
  void (*releasefield)(spot& s);
  // Parks, hides and disposes of a button's platform control with its menu; clears the slot.
  void (*releasecontrol)(spot& s);
  // Takes a list field out of list mode before it is packed.
  void (*leavelistmode)(spot& s);
  // A field of style 300 or 301 being copied: writes the current text of the original's live
  // record into the copy's data and alt list.
  OSErr (*packlivetext)(const spot& original, spot& copy);
  // A list field (style 302, 303) whose stored text was replaced reloads its rows from it.
  void (*reloadlist)(spot& s);
  // A button with a live control takes a new value and highlight part (0 off, 1 on, 2 mixed).
  void (*setcontrolstate)(const spot& s, i16 value, i16 highlight);
  // A field of style 300 or 301 whose live record is about to go: writes the record's current
  // text back into the field's own data and alt list when it changed, and clears the record's
  // changed flag.
  OSErr (*packfield)(spot& s);
  // The objects embedded in a field's text (the live record's, else a temporary record's built
  // from the stored text), in text order, as `embeddedobject` records into `out`: noErr, or
  // non-zero when no text record can be had for the field.
  OSErr (*embeddedobjects)(const spot& field, Handle out);
  // A field whose live text record holds changes not yet stored: its text into `out`, noErr;
  // non-zero when the field has no such record (its stored text is current).
  OSErr (*changedlivetext)(const spot& field, Handle out);
  // Replaces characters [from, to) of a field's text (styles 300 and 301, or a stored text
  // with style runs) by n bytes through a text record: its live record, which stays and is
  // packed back into the field, else a temporary one made from the stored text and packed
  // back. paramErr when no text record can be had (the store then writes the stored text).
  OSErr (*puttext)(spot& s, i32 from, i32 to, const u8* bytes, i32 n);
  // A script wrote into the field open for typing: it is put down as changed, its closing
  // message sent; the status of that message. (The shell's, which owns the open field.)
  i16 (*putdownedited)();
};

// One object embedded in a field's text: its kind ('iota' for the objects scripts name), id
// and name.
struct embeddedobject {
  OSType kind;
  u32 id;
  Str255 name;
};
constexpr OSType kEmbeddedIota = fourcc("iota");

// Installs the owners' entries; a null entry keeps what was installed before.
void installliveparts(const LiveParts& parts);

// The calls the store makes, each through the table.
void releaselivefield(spot& s);
void releaselivecontrol(spot& s);
void leavelistmode(spot& s);
OSErr packlivetext(const spot& original, spot& copy);
void reloadlivelist(spot& s);
void setlivecontrolstate(const spot& s, i16 value, i16 highlight);
OSErr packlivefield(spot& s);

// The live record or list of a field (0 for none and for any other object), and setting it.
inline u32 livefield(const spot& s) { return isfield(s) ? getfieldkindtail(s).live : 0; }
void setlivefield(spot& s, u32 live);
OSErr embeddedobjects(const spot& field, Handle out);
OSErr changedlivetext(const spot& field, Handle out);
OSErr putlivetext(spot& s, i32 from, i32 to, const u8* bytes, i32 n);
i16 putdownedited();

}  // namespace kv
