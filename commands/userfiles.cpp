// Plain files that scripts read and write: `open file`, `close file`, `read from file`,
// `write ... to file` (or `to console`), and the closing of every open user file that
// `scriptError` does first.
//
// Every open file has one entry of a fixed table of 20, found by the path text the script
// gave. An entry keeps two positions, one for reading and one for writing, so that a script
// can alternate reads and writes of one file without seeking. Failures that concern the file
// itself (not open, cannot be opened, locked) leave a text in `the result` and let the script
// go on; syntax errors and bad numbers are script errors.
#include "commands/userfiles.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "commands/commands.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "media/imagefiles.h"
#include "media/movies.h"
#include "media/sequences.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "core/memoryguard.h"
#include "system/filelocation.h"
#include "system/getpicture.h"

namespace kv {

namespace {

// Texts of `the result` (string list 1007).
constexpr i16 resultnotopen = 2, resultcantcreate = 10, resulttoomany = 11, resultinuse = 12, resultcantopen = 13,
              resultlocked = 34;

constexpr i32 kUserFiles = 20;
constexpr i32 kReadChunk = 512;

struct userfile {
  Str255 path{};  // as the script gave it; empty: a free entry
  FileRef ref = nilid;
  i64 writeposition = 0;  // just after the last write; 0 at open
  i64 readposition = 0;   // just after the last read; 0 at open
};

struct UserFilesState {
  std::array<userfile, kUserFiles> files{};
};

UserFilesState& uf() { return state<UserFilesState>(); }

// The folder a path that is not a full path lies in: the one other file commands use.
u32 currentfolder() { return defaultwritefolder(); }

// The expression at atom *i (advanced past it) converted by `take`.
template <class Take>
scriptstatus readvalue(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, Take&& take) {
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &value)) return st;
  i16 st = take(&value);
  disposfred(&value);
  *i += used;
  return st;
}

// The path expression at atom *i, as a POSIX path of at most 255 bytes.
scriptstatus readpath(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, Str255 out) {
  return readvalue(path, text, atoms, i, variables, [out](fred* v) { return scriptpath(v, out); });
}

// A whole number expression at atom *i.
scriptstatus readnumber(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, i32* n) {
  return readvalue(path, text, atoms, i, variables, [n](fred* v) { return fredtolong(v, n); });
}

// The entry of an open file by its path: the same text, or a text that differs only in the case
// of A-Z and leads to the same file (on a file system that tells case apart, "A.txt" and
// "a.txt" are two files). Null when the file is not open.
userfile* findentry(ConstStringPtr path) {
  if (!hasstate<UserFilesState>() || path[0] == 0) return nullptr;
  for (userfile& f : uf().files) {
    if (f.path[0] != path[0]) continue;
    if (std::memcmp(f.path + 1, path + 1, path[0]) == 0) return &f;
    if (myequalstring(f.path, path) && HIsOpenFile(kBootVolume, currentfolder(), path, f.ref)) return &f;
  }
  return nullptr;
}

void freeentry(userfile& f) {
  fsclose(f.ref);
  f = userfile{};
}

// Positions the file: a position of 0 or more from the start, a negative one from the end.
OSErr placeat(FileRef ref, i64 position) {
  return position >= 0 ? SetFPos(ref, fsFromStart, position) : SetFPos(ref, fsFromLEOF, position);
}

// `fileType` as creator (its first four characters) and type (its last four).
void newfilecodes(OSType* creator, OSType* type) {
  Str255 codes;
  handtostring(mainglobals().fileType, codes);
  auto code = [&](int from) {
    OSType c = 0;
    for (int k = 0; k < 4; ++k) c = c << 8 | (from + k < codes[0] ? codes[from + k + 1] : u8(' '));
    return c;
  };
  *creator = codes[0] >= 8 ? code(0) : fourcc("ttxt");
  *type = codes[0] >= 8 ? code(codes[0] - 4) : fourcc("TEXT");
}

// The bytes read become the value of `it`.
i16 giveit(Handle variables, Handle bytes) {
  i16 st = handtoit(bytes, variables);
  DisposeHandle(bytes);
  return st;
}

// Reads single bytes up to and with the terminator, or to the end of the file: the buffer
// grows by 512 bytes whenever it is full. The read's status; *out holds what was read.
OSErr readuntil(FileRef ref, u8 terminator, Handle* out) {
  Handle buffer = NewHandle(kReadChunk);
  if (buffer == nilhandle) return memFullErr;
  Size count = 0;
  OSErr e = noErr;
  for (;;) {
    if (count == GetHandleSize(buffer)) {
      SetHandleSize(buffer, count + kReadChunk);
      if (MemError() != noErr) {
        e = memFullErr;
        break;
      }
    }
    u8 c = 0;
    i64 one = 1;
    e = FSRead(ref, &one, &c);
    if (e != noErr || one == 0) break;
    deref(buffer)[count++] = c;
    if (terminator != 0 && c == terminator) break;
  }
  SetHandleSize(buffer, count);
  *out = buffer;
  return e;
}

// Reads `count` bytes (fewer at the end of the file).
OSErr readcount(FileRef ref, i64 count, Handle* out) {
  if (count > 0x7FFFFFFF) return memFullErr;
  Handle buffer = NewHandle(Size(count));
  if (buffer == nilhandle) return memFullErr;
  i64 got = count;
  OSErr e = count > 0 ? FSRead(ref, &got, deref(buffer)) : OSErr(noErr);
  SetHandleSize(buffer, Size(got));
  *out = buffer;
  return e;
}

}  // namespace

scriptstatus openfilex(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  Str255 name;
  if (i16 st = readpath(path, text, atoms, &i, variables, name)) return st;
  if (!statementends(atoms, i)) return err::stray;
  UserFilesState& s = uf();
  auto free = std::find_if(s.files.begin(), s.files.end(), [](const userfile& f) { return f.path[0] == 0; });
  if (free == s.files.end()) return setresulttext(resulttoomany);
  if (name[0] == 0) return setresulttext(resultcantopen);
  const u32 folder = currentfolder();
  FileRef ref = nilid;
  OSErr e = fsopenit(name, kBootVolume, folder, &ref);
  if (e == fnfErr) {
    OSType creator = 0, type = 0;
    newfilecodes(&creator, &type);
    if (HCreate(kBootVolume, folder, name, creator, type) != noErr) return setresulttext(resultcantcreate);
    if (HOpen(kBootVolume, folder, name, fsCurPerm, &ref) != noErr) return setresulttext(resultcantopen);
  } else if (e == fBsyErr || e == opWrErr || e == permErr || e == wrPermErr) {
    return setresulttext(resultinuse);
  } else if (e != noErr) {
    return setresulttext(resultcantopen);
  }
  userfile& f = *free;
  f = userfile{};
  stringtostring(name, f.path);
  f.ref = ref;
  if (mainglobals().result != nilhandle) SetHandleSize(mainglobals().result, 0);
  return 0;
}

scriptstatus closefilex(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  Str255 name;
  if (i16 st = readpath(path, text, atoms, &i, variables, name)) return st;
  if (!statementends(atoms, i)) return err::stray;
  userfile* f = findentry(name);
  if (f == nullptr) return setresulttext(resultnotopen);
  freeentry(*f);
  return 0;
}

i16 readuserfile(ConstStringPtr name, u16 mode, i32 count, u8 terminator, i32 position, bool at, Handle variables) {
  userfile* f = findentry(name);
  if (f == nullptr) return setresulttext(resultnotopen);
  if (mode == tok::for_ && count < 0) return err::cantunderstand;
  OSErr placed = at ? placeat(f->ref, position) : SetFPos(f->ref, fsFromStart, f->readposition);
  // A place past the end reads nothing; one before the start reads nothing either.
  if (placed != noErr && placed != eofErr) return 0;
  Handle bytes = nilhandle;
  OSErr e = noErr;
  if (mode == tok::for_) {
    if (memoryrefused64(2 * i64(count))) return err::nomemory;
    e = readcount(f->ref, count, &bytes);
  } else if (mode == tok::eof) {
    i64 eof = 0;
    if (GetEOF(f->ref, &eof) != noErr) return 0;
    if (memoryrefused64(2 * eof)) return err::nomemory;
    // The file may have been cut since the last read: nothing is left then.
    e = readcount(f->ref, std::max<i64>(eof - f->readposition, 0), &bytes);
  } else {
    e = readuntil(f->ref, mode == tok::end ? u8(0) : terminator, &bytes);
  }
  if (e == memFullErr) {
    if (bytes != nilhandle) DisposeHandle(bytes);
    return err::nomemory;
  }
  if (e != noErr && e != eofErr) {
    if (bytes != nilhandle) DisposeHandle(bytes);
    return 0;
  }
  i64 now = 0;
  GetFPos(f->ref, &now);
  f->readposition = now;
  return giveit(variables, bytes);
}

scriptstatus comread(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) != tok::from) return err::nofrom;
  if (tokenat(atoms, ++i) != tok::file) return err::nofile;
  ++i;
  Str255 name;
  if (i16 st = readpath(path, text, atoms, &i, variables, name)) return st;
  i32 position = 0;
  bool at_ = false;
  if (tokenat(atoms, i) == tok::at) {
    ++i;
    if (i16 st = readnumber(path, text, atoms, &i, variables, &position)) return st;
    at_ = true;
  }
  u16 mode = tokenat(atoms, i);
  i32 count = 0;
  u8 terminator = 0;
  if (mode == tok::for_) {
    ++i;
    if (i16 st = readnumber(path, text, atoms, &i, variables, &count)) return st;
  } else if (mode == tok::until) {
    u16 word = tokenat(atoms, ++i);
    if (word == tok::end || word == tok::eof) {
      mode = word;
      ++i;
    } else {
      if (i16 st = readvalue(path, text, atoms, &i, variables, [&terminator](fred* v) {
            Str255 mark;
            fredtostring(v, mark);
            if (getfredsize(v) != 1) return err::endmarklength;
            terminator = mark[1];
            return i16(0);
          }))
        return st;
    }
  } else {
    return err::noforuntil;
  }
  if (!statementends(atoms, i)) return err::stray;
  return readuserfile(name, mode, count, terminator, position, at_, variables);
}

scriptstatus comwrite(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value)) return st;
  i32 i = at + 1 + used;
  const u16 prep = tokenat(atoms, i);
  if (prep != tok::to && prep != tok::after) {
    disposfred(&value);
    return err::notoorafter;
  }
  // The text is the value's own: a variable's stored value is not converted.
  if (i16 st = copyfred(&value); st != 0 || (st = formatfred(&value, fredhand)) != 0) {
    disposfred(&value);
    return st;
  }
  if (tokenat(atoms, ++i) == tok::console) {
    const bool ends = statementends(atoms, i + 1);
    std::string line(reinterpret_cast<const char*>(fredaddr(&value)), std::size_t(getfredsize(&value)));
    disposfred(&value);
    if (!ends) return err::stray;
    if (memoryrefused(Size(line.size()) + 1)) return err::nomemory;
    return WriteToConsole(line);
  }
  auto fail = [&](i16 st) {
    disposfred(&value);
    return st;
  };
  if (tokenat(atoms, i) != tok::file) return fail(err::nofile);
  ++i;
  Str255 name;
  if (i16 st = readpath(path, text, atoms, &i, variables, name)) return fail(st);
  u16 placement = 0;
  i32 position = 0;
  if (tokenat(atoms, i) == tok::at) {
    const u16 word = tokenat(atoms, ++i);
    if (word == tok::start || word == tok::end || word == tok::eof) {
      placement = word;
      ++i;
    } else {
      if (i16 st = readnumber(path, text, atoms, &i, variables, &position)) return fail(st);
      placement = tok::at;
    }
  }
  if (!statementends(atoms, i)) return fail(err::stray);
  userfile* f = findentry(name);
  if (f == nullptr) return fail(setresulttext(resultnotopen));
  OSErr e = noErr;
  if (placement == tok::start) {
    e = SetFPos(f->ref, fsFromStart, 0);
  } else if (placement == tok::end || placement == tok::eof || (placement == 0 && prep == tok::after)) {
    e = SetFPos(f->ref, fsFromLEOF, 0);
  } else if (placement == tok::at) {
    e = placeat(f->ref, position);
  } else if (f->writeposition != 0) {
    e = SetFPos(f->ref, fsFromStart, f->writeposition);
  } else {
    // The first `write ... to` after the open replaces what the file held.
    e = SetEOF(f->ref, 0);
    if (e == noErr) e = SetFPos(f->ref, fsFromStart, 0);
  }
  if (e == noErr) {
    i64 count = getfredsize(&value);
    e = FSWrite(f->ref, &count, fredaddr(&value));
  }
  disposfred(&value);
  if (e == noErr) {
    i64 now = 0;
    GetFPos(f->ref, &now);
    f->writeposition = now;
    return 0;
  }
  if (e == wPrErr || e == fLckdErr || e == vLckdErr || e == wrPermErr) return setresulttext(resultlocked);
  fileerrorresult(e);
  return 0;
}

i16 closealluserfiles() {
  if (hasstate<UserFilesState>()) {
    for (userfile& f : uf().files)
      if (f.path[0] != 0) freeentry(f);
  }
  closepics(false, nilhandle, 0);
  if (movierecording()) closemovie(false, nilhandle, 0);
  return 0;
}

}  // namespace kv
