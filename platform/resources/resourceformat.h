// The classic resource file format, big-endian throughout:
//
//   header (16 bytes, at 0):   u32 data offset, u32 map offset, u32 data length, u32 map length
//   data:                      each resource's bytes, preceded by their u32 length
//   map (at the map offset):   a copy of the header, u32 next map, u16 file reference,
//                              u16 attributes, u16 type list offset, u16 name list offset
//                              (both from the map's start)
//   type list:                 u16 number of types - 1, then per type: type code, u16 number
//                              of resources - 1, u16 offset of its reference list (from the
//                              type list's start)
//   reference list entries:    i16 id, u16 name offset (from the name list; 0xFFFF none),
//                              u8 attributes, u24 data offset (from the data's start), u32 0
//   name list:                 length-prefixed names
//
// Building and reading are pure: no memory handles, no files, so the resource compiler uses
// the same code. Reading checks every count and offset against the block that holds it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

struct ResourceItem {
  ResType type = 0;
  i16 id = 0;
  u8 attributes = 0;
  std::string name;  // Mac Roman, at most 255 bytes; empty for none
  std::vector<u8> data;
};

// Lays out a resource file. False (and *error set) when the resources do not fit the format
// (a duplicate type and id, a name over 255 bytes, data beyond 16 MB, lists over 64 KB).
bool buildresourcefile(const std::vector<ResourceItem>& items, std::vector<u8>* out, std::string* error);

struct ResourceRef {
  ResType type = 0;
  i16 id = 0;
  u8 attributes = 0;
  bool hasname = false;
  std::string name;
  std::size_t offset = 0;  // where the resource's bytes start in the file
  std::size_t size = 0;
  bool damaged = false;  // its length or bytes lie outside the data
};

// Reads the map of a resource file held in memory. noErr, or mapReadErr for a damaged file
// (a file too short for its header, or a map whose lists leave their block).
OSErr parseresourcefile(const u8* bytes, std::size_t size, std::vector<ResourceRef>* out);

}  // namespace kv
