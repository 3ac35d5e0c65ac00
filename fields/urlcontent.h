// Content named by a file or URL name, for the field text and picture data setters: the content
// type by the name's suffix, a whole file read from the search folders (or fetched, for a URL),
// a picture file's data, and the RTF decoding hooks over the small decoder (rtfdecoder.h).
//
// The setters own a transfer record and drive the hooks in this order: url_set_buf with the
// data, url_decompress_init, url_decompress, url_set_buf with no data, copy the field text,
// url_decompress_done. Only RTF (content type 10) is decoded; every other type passes through.
//
// Search folders, tried in order: the folder written files go to (the documents folder), the
// caller's folder, the current project's folder, then the program's folder (getextdata) or the
// user's home folder (getimage). A name that is a URL (platform/net/urlfetch.h) is fetched
// instead.
//
// Routines answer 0 or a script error: 37 out of memory, 123 no picture file, 163 an empty
// file, 183 no file found, 186 a file that cannot be read, 191 RTF that cannot be decoded.
#pragma once

#include "fields/rtfdecoder.h"
#include "platform/files/files.h"
#include "platform/types.h"

namespace kv {

// Content types, by the name's suffix (compared without letter case).
enum URLContentType : u16 {
  urlpicture = 1,   // "pict", "pic", "pct"
  urljpeg = 3,      // "jpeg", "jpg"
  urltext = 9,      // "text", "txt"
  urlrtf = 10,      // "rtf"
  urlrtfd = 11,     // "rtfd"
  urlunicode = 14,  // "utxt"
  urlother = 15,
};

// The transfer record a setter clears and owns while it reads content.
struct urltransfer {
  u16 contenttype;
  u16 pictureflag;  // cleared by url_set_type for a picture
  const u8* data;   // the block to decode (the setter's) and its length
  i32 length;
  u32 total;         // bytes given since the last url_set_buf without data
  Handle fieldtext;  // what decoding produces
  rtfdecodestate decode;
};

// The bytes after the name's last "."; empty when there is none or it is the last byte.
void typefromurl(ConstStringPtr name, StringPtr suffix);
// The content type of a suffix (the first match in the order pict, pic, pct, jpeg, jpg, text,
// txt, utxt, rtf, rtfd; else 15): always 0.
i16 url_set_type(urltransfer* t, ConstStringPtr suffix);
// Keeps the block; a non-zero length adds to the running total, a zero length resets it: 0.
i16 url_set_buf(urltransfer* t, const u8* data, i32 length);
// RTF only: prepares decoding into a new field text: 0, or 37.
i16 url_decompress_init(urltransfer* t);
// RTF only: decodes the kept block: 0, 37, or 191.
i16 url_decompress(urltransfer* t);
// RTF only: releases the decoder and the field text (copy it first): 0.
i16 url_decompress_done(urltransfer* t);

// Reads a whole file (at most its first 20,000,000 bytes) into a new handle. A file of type
// 'RTF ' makes the content type 10, 'utxt' 14, and 15 becomes 9 for any other type (a fetched
// document of MIME type text/rtf or application/rtf counts as 'RTF '). 0, 37, 163, 183 or 186.
i16 getextdata(ConstStringPtr name, i16 volume, u32 dirid, u16* contenttype, Handle* out);
// Reads a picture file's data after its 512-byte header into a new handle, with kind 1. A file
// of another type than 'PICT' (a fetched document whose suffix types it as no picture), or one
// of 512 bytes or fewer, gives 123. 0, 37, 123, 183 or 186.
i16 getimage(ConstStringPtr name, i16 volume, u32 dirid, u16* kind, Handle* out);

// The folder's full path (at most 200 bytes) followed by the file's name, cut at 255 bytes.
void fullpathfromfspec(const FSSpec& spec, StringPtr out);
// The first position of the byte within the first count bytes, or null (also for a count
// below 1).
const u8* strnchr(const u8* bytes, u8 byte, i16 count);
// Replaces every old byte within count bytes by the new one (nothing when the two are equal).
void myreplacechar(u8* bytes, i32 count, u8 oldbyte, u8 newbyte);

}  // namespace kv
