// Atom containers: the parameter blocks of video effects as projects store them. A container
// is a 12-byte header (10 reserved bytes and a lock count) and one root atom; an atom is a
// 20-byte header {u32 size (the header included), u32 type, u32 id, u16 reserved, u16 child
// count, u32 reserved} followed by its data (a leaf) or its child atoms, all big-endian.
//
// The data comes from project files: every size is checked against its parent's, children
// must fill their parent exactly, and nesting is at most 16 deep.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/types.h"

namespace kv {

struct Atom {
  OSType type = 0;
  u32 id = 1;
  u16 children = 0;       // 0 for a leaf
  std::vector<u8> bytes;  // a leaf's data, or a parent's child atoms as stored
};

// The atoms directly under a container's root, in order.
using AtomList = std::vector<Atom>;

// Reads a container; false for bytes that are not a whole container (the list then empty).
bool readatoms(const u8* data, std::size_t size, AtomList* out);
// Writes a container holding the atoms under its root.
std::vector<u8> writeatoms(const AtomList& atoms);

// The first atom of a type and id (id 0: any id), or null.
const Atom* findatom(const AtomList& atoms, OSType type, u32 id = 0);
// Removes the atoms of a type and id (id 0: any id).
void removeatoms(AtomList& atoms, OSType type, u32 id = 0);
// A leaf atom holding a big-endian 32-bit value.
Atom atomof(OSType type, u32 id, u32 value);
// A leaf's first four bytes as a big-endian value; false when it has fewer.
bool atomvalue(const Atom* atom, u32* value);

}  // namespace kv
