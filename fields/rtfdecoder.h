// The small RTF decoder: turns RTF text into a stored field text (store/fieldtext.h: a count of
// 20-byte style runs, the runs, the characters, the 14-byte tail) without a text record. Setting
// a field's text from a URL that names RTF uses it (fields/urlcontent.h).
//
// It knows 66 keywords (the table in rtfdecoder.cpp): character formatting (bold, italic,
// underline, outline, shadow, condensed and extended, font, size, colour), the font and colour
// tables, special characters, paragraph ends, tabs and left indents (as blanks). Unknown
// keywords are ignored; groups that start with "*" or with a keyword of a skipped destination
// (info, header, pict, ...) are skipped whole. Bytes are taken as Mac Roman whatever the
// character set.
//
// Use: RTFInitialize, then RTFDecode of the whole document, copy the field text, RTFDone.
// The text is cut at 1,000,000 bytes (the result is then result text 57). Every placement of
// text adds a style run, up to 32,767 runs; text after that joins the last run.
//
// The truncation flag and the indexes of the font and colour tables being read belong to the
// decoder as a whole (runtime state): two decodes must not overlap.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

constexpr i32 kRTFTextLimit = 1000000;
constexpr u16 kRTFRunLimit = 32767;
constexpr i16 kRTFTruncatedResult = 57;

// The style being decoded: a style run and where text goes.
enum RTFDestination : u16 { rtfnone = 0, rtfbody = 1, rtfcolortable = 2, rtffonttable = 3 };
struct rtfstyle {
  stylerun run;
  u16 destination;
};

struct rtfdecodestate {
  Handle pending;  // text not yet placed, `pendinglength` bytes of a block of `capacity`
  i32 pendinglength;
  i32 capacity;           // starts at 512 bytes
  u16 version;            // the parameter of "rtf"
  u16 charset;            // 3 ansi, 33 mac, 37 pc, 38 pca (recorded only)
  u16 skipdepth;          // group depth while a group is skipped
  u16 defaultfont;        // textFont at initialisation
  u16 defaultfontnumber;  // the parameter of "deff"
  u16 radix;              // 10, or 16 for a hexadecimal character
  u16 scanner;            // the scanner's state, 0-7
  char keyword[32];       // zero-terminated
  char parameter[32];
  u8 fontname[256];  // length-prefixed, at most 255 bytes
  Handle fontmap;    // 32,768 u16: RTF font number to font number
  RGBColor colors[256];
  rtfstyle style;
  Handle stylestack;  // rtfstyle entries, the newest last
  i32 stackcount;
  // The placed text, kept apart from the field text while decoding so that placing a run moves
  // no text; the field text is written from them at the end of each RTFDecode.
  Handle runs;  // stylerun entries
  u16 runcount;
  Handle text;
  i32 textlength;
  // The last style measured, so that runs of one style measure once.
  stylerun measured;
  bool hasmeasured;
};

// Prepares the state and a new empty field text (its tail from the global text properties):
// 0, or -108 when memory runs out (nothing is left allocated then).
i16 RTFInitialize(Handle* fieldtext, rtfdecodestate* state);
// Decodes a block of RTF (length bytes; the decoder works on its own copy) into the field text:
// 0, or -108 when memory runs out. Text past the limit is cut and `the result` becomes result
// text 57.
i16 RTFDecode(Handle fieldtext, const u8* rtf, i32 length, rtfdecodestate* state);
// Disposes of the field text and everything the state holds: 0.
i16 RTFDone(Handle fieldtext, rtfdecodestate* state);

}  // namespace kv
