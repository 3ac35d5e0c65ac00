// `say` and `start listening` / `stop listening`: the words of the commands; the speech queue
// and recognition are media/speech.cpp and media/speechrecog.cpp.
#include <algorithm>
#include <cmath>
#include <string>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "media/speech.h"
#include "media/speechrecog.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

enum : i16 {
  resultnospeech = 43,
};

constexpr OSType kModeText = fourcc("TEXT"), kModePhonemes = fourcc("PHON");

// A number expression at `at`, clamped to [low, high], as 16.16.
scriptstatus clampedfixed(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, double low,
                          double high, i32* out) {
  fred v;
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &v)) return st;
  double x = 0;
  i16 st = fredtodouble(&v, &x);
  disposfred(&v);
  if (st != 0) return st;
  *out = i32(std::lround(std::clamp(x, low, high) * 65536.0));
  return 0;
}

// `say expression into destination`: the text's phonemes go into the destination.
scriptstatus sayinto(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, fred* value) {
  MainGlobals& g = mainglobals();
  std::string words(reinterpret_cast<const char*>(fredaddr(value)), std::size_t(getfredsize(value)));
  disposfred(value);
  if (g.memplentiful == 0) {
    Handle room = NewHandle(Size(words.size()) * 3);
    if (room == nilhandle) return err::nomemory;
    DisposeHandle(room);
  }
  std::string phonemes;
  if (OSErr e = texttophonemes(words, &phonemes)) {
    Str255 code;
    NumToString(e, code);
    ParamText(code, nullptr, nullptr, nullptr);
    return err::speakingfailed;
  }
  chunkpart dest;
  i32 used = 0;
  if (i16 st = destination(path, text, atoms, at, variables, nilhandle, &used, &dest, 1, 0)) return st;
  if (!atomview(atoms).lineends(at + used)) {
    releasecontainer(&dest);
    return err::stray;
  }
  fred out;
  if (i16 st = newfred(&out, fredtemp, fredstring, 0)) {
    releasecontainer(&dest);
    return st;
  }
  for (char c : phonemes) appendcharfred(&out, u8(c));
  return pututil(&dest, &out, tok::into);
}

}  // namespace

scriptstatus comsay(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (!speechavailable()) return setresulttext(resultnospeech);
  const atomview view(atoms);
  i32 i = at + 1;
  if (view.tok(i) == tok::stop) {
    bool all = view.tok(i + 1) == tok::all;
    if (!view.lineends(i + 1 + (all ? 1 : 0))) return err::stray;
    stopspeech(all ? 1 : 0);
    return 0;
  }
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &value)) return st;
  i += used;
  if (view.tok(i) == tok::into) return sayinto(path, text, atoms, i + 1, variables, &value);
  i16 gender = 2;
  Str255 voicename{};
  i32 rate = 0, pitch = 0;
  OSType mode = kModeText;
  i16 st = 0;
  while (st == 0 && !view.lineends(i)) {
    u16 t = view.tok(i++);
    if (t == tok::with) {
      u16 g = view.tok(i);
      if (g == tok::male || g == tok::female || g == tok::neuter) {
        gender = g == tok::male ? 1 : g == tok::female ? 2 : 0;
        voicename[0] = 0;
        ++i;
      } else {
        fred name;
        st = expression(path, text, atoms, i, variables, nilhandle, &used, &name);
        if (st != 0) break;
        i += used;
        Size n = std::min<Size>(getfredsize(&name), 255);
        voicename[0] = u8(n);
        std::memcpy(voicename + 1, fredaddr(&name), std::size_t(n));
        disposfred(&name);
      }
      if (view.tok(i) == tok::voice) ++i;
    } else if (t == tok::using_) {
      u16 m = view.tok(i++);
      if (m == tok::phonemes) mode = kModePhonemes;
      else if (m == tok::text) mode = kModeText;
      else st = err::cantdo157;
    } else if (t == tok::pitch) {
      st = clampedfixed(path, text, atoms, i, variables, &used, 1, 98, &pitch);
      i += used;
    } else if (t == tok::at) {
      st = clampedfixed(path, text, atoms, i, variables, &used, 5, 1000, &rate);
      i += used;
      if (st == 0 && view.tok(i) == tok::wpm) {
        ++i;
      } else if (st == 0 && view.tok(i) == tok::words) {
        if (view.tok(i + 1) != tok::per) st = err::cantdo155;
        else if (view.tok(i + 2) != tok::minute) st = err::cantdo156;
        i += 3;
      }
    } else {
      st = err::cantunderstand;
    }
  }
  if (st == 0) st = sayfred(&value, gender, voicename, rate, pitch, mode);
  disposfred(&value);
  return st;
}

scriptstatus comstartstop(hierpath path, Handle, Handle atoms, i32 at, Handle) {
  if (tokenat(atoms, at + 1) != tok::listening) return err::cantunderstand;
  return comlisten(path, atoms, at);
}

}  // namespace kv
