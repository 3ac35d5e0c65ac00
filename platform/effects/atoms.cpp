#include "platform/effects/atoms.h"

#include <algorithm>

namespace kv {

namespace {

constexpr std::size_t kContainerHead = 12, kAtomHead = 20;
constexpr int kMaxDepth = 16;
constexpr OSType kRoot = fourcc("sean");

u32 be32(const u8* p) { return (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | p[3]; }
u16 be16(const u8* p) { return u16((p[0] << 8) | p[1]); }
void put32(std::vector<u8>& v, u32 x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(u8(x >> s));
}
void put16(std::vector<u8>& v, u16 x) {
  v.push_back(u8(x >> 8));
  v.push_back(u8(x));
}

// Checks the atoms that fill [data, data + size) exactly; appends them to *out when given.
bool walk(const u8* data, std::size_t size, int depth, AtomList* out) {
  if (depth > kMaxDepth) return false;
  std::size_t at = 0;
  while (at < size) {
    if (size - at < kAtomHead) return false;
    const u8* a = data + at;
    const u32 length = be32(a);
    if (length < kAtomHead || length > size - at) return false;
    const u16 children = be16(a + 14);
    if (children > 0 && !walk(a + kAtomHead, length - kAtomHead, depth + 1, nullptr)) return false;
    if (out) out->push_back(Atom{be32(a + 4), be32(a + 8), children, std::vector<u8>(a + kAtomHead, a + length)});
    at += length;
  }
  return true;
}

void writeatom(std::vector<u8>& v, const Atom& a) {
  put32(v, u32(kAtomHead + a.bytes.size()));
  put32(v, a.type);
  put32(v, a.id);
  put16(v, 0);
  put16(v, a.children);
  put32(v, 0);
  v.insert(v.end(), a.bytes.begin(), a.bytes.end());
}

}  // namespace

bool readatoms(const u8* data, std::size_t size, AtomList* out) {
  out->clear();
  if (!data || size < kContainerHead + kAtomHead) return false;
  const u8* root = data + kContainerHead;
  const std::size_t rest = size - kContainerHead;
  const u32 length = be32(root);
  if (length < kAtomHead || length > rest || be32(root + 4) != kRoot) return false;
  AtomList atoms;
  if (!walk(root + kAtomHead, length - kAtomHead, 1, &atoms)) return false;
  *out = std::move(atoms);
  return true;
}

std::vector<u8> writeatoms(const AtomList& atoms) {
  std::vector<u8> body;
  for (const Atom& a : atoms) writeatom(body, a);
  std::vector<u8> v(kContainerHead, 0);
  Atom root{kRoot, 1, u16(std::min<std::size_t>(atoms.size(), 0xFFFF)), std::move(body)};
  writeatom(v, root);
  return v;
}

const Atom* findatom(const AtomList& atoms, OSType type, u32 id) {
  for (const Atom& a : atoms)
    if (a.type == type && (id == 0 || a.id == id)) return &a;
  return nullptr;
}

void removeatoms(AtomList& atoms, OSType type, u32 id) {
  std::erase_if(atoms, [&](const Atom& a) { return a.type == type && (id == 0 || a.id == id); });
}

Atom atomof(OSType type, u32 id, u32 value) {
  return Atom{type, id, 0, {u8(value >> 24), u8(value >> 16), u8(value >> 8), u8(value)}};
}

bool atomvalue(const Atom* atom, u32* value) {
  if (!atom || atom->children != 0 || atom->bytes.size() < 4) return false;
  *value = be32(atom->bytes.data());
  return true;
}

}  // namespace kv
