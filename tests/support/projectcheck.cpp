#include "tests/support/projectcheck.h"

#include <map>
#include <set>
#include <string>

namespace kv {

namespace {

constexpr u32 kVersion = 0x20006, kRevision = 0x35000, kHead = 1024, kRecordHead = 12;
constexpr u32 kPageLimit = 100, kRackLimit = 400, kWordSize = 64, kBookSize = 16;

struct Reader {
  const std::vector<u8>& file;
  std::string fault;

  bool fail(const std::string& what) {
    if (fault.empty()) fault = what;
    return false;
  }
  u32 u32at(u64 at) const {
    if (at + 4 > file.size()) return 0;
    return u32(file[at]) << 24 | u32(file[at + 1]) << 16 | u32(file[at + 2]) << 8 | file[at + 3];
  }
  u16 u16at(u64 at) const {
    if (at + 2 > file.size()) return 0;
    return u16(file[at] << 8 | file[at + 1]);
  }
};

// The data of every live record, read through the directory.
struct Store {
  u32 base = 0, end = 0, capacity = 0, issued = 0;
  std::map<u32, std::pair<u64, u32>> records;  // id -> file position of the data, size

  bool has(u32 id) const { return records.count(id) > 0; }
  u16 kind(const Reader& r, u32 id) const {
    auto it = records.find(id);
    return it == records.end() || it->second.second < 2 ? u16(0xFFFF) : r.u16at(it->second.first);
  }
};

bool readstore(Reader& r, Store& s) {
  const auto& f = r.file;
  if (f.size() < kHead) return r.fail("shorter than its header");
  if (r.u32at(0) != kVersion) return r.fail("version");
  if (r.u32at(48) > kRevision) return r.fail("revision");
  s.end = r.u32at(4);
  u32 freebytes = r.u32at(8), freecount = r.u32at(12);
  s.capacity = r.u32at(16);
  s.issued = r.u32at(20);
  u32 recycled = r.u32at(24), first = r.u32at(28);
  s.base = r.u32at(32);
  if (u64(s.base) + s.end != f.size()) {
    return r.fail("file length " + std::to_string(f.size()) + " is not base plus end of data " +
                  std::to_string(u64(s.base) + s.end));
  }
  u64 dirend = kHead + 4 * u64(s.capacity);
  if (freecount > 64 || s.capacity == 0 || s.capacity % 128 || s.issued > s.capacity || recycled > s.issued ||
      dirend > s.end) {
    return r.fail("header counts");
  }
  auto entry = [&](u32 id) { return r.u32at(s.base + kHead + 4 * u64(id)); };
  std::set<u32> chain;
  for (u32 i = 0, id = first; i < recycled; ++i, id = entry(id)) {
    if (id >= s.issued || !chain.insert(id).second) return r.fail("recycled chain");
  }
  // Every byte behind the directory belongs to at most one record or free entry.
  std::map<u64, std::pair<u64, std::string>> used;
  u64 sum = 0;
  for (u32 i = 0; i < freecount; ++i) {
    u32 off = r.u32at(512 + 8 * u64(i)), len = r.u32at(516 + 8 * u64(i));
    if (len == 0) return r.fail("empty free entry");
    used[off] = {u64(off) + len, "free entry " + std::to_string(i)};
    sum += len;
  }
  if (sum != freebytes) return r.fail("free bytes do not add up");
  for (u32 id = 0; id < s.issued; ++id) {
    if (chain.count(id)) continue;
    u64 at = entry(id);
    u64 pos = s.base + at;
    if (at < dirend || (at - dirend) % 64 || at + kRecordHead > s.end) {
      return r.fail("record " + std::to_string(id) + " lies outside the data");
    }
    u32 hid = r.u32at(pos), size = r.u32at(pos + 4), slot = r.u32at(pos + 8);
    if (hid != id || slot < 64 || slot % 64 || u64(size) + kRecordHead > slot || at + slot > s.end) {
      return r.fail("record " + std::to_string(id) + " has a bad head");
    }
    used[at] = {at + slot, "record " + std::to_string(id)};
    s.records[id] = {pos + kRecordHead, size};
  }
  u64 reached = dirend;
  std::string last = "directory";
  for (const auto& [off, what] : used) {
    if (off < reached) return r.fail(what.second + " overlaps " + last);
    reached = what.first;
    last = what.second;
  }
  if (reached > s.end) return r.fail(last + " passes the end of data");
  return true;
}

// The entries of a paged list: the owner's references {i16 entries, u32 record id} at `refs`,
// each list record of kind `kind` holding exactly that many entries of `width` bytes.
bool readlist(Reader& r, const Store& s, u64 refs, u16 pages, u16 kind, u32 width, u32 limit, const std::string& owner,
              std::vector<u64>* entries) {
  for (u16 i = 0; i < pages; ++i) {
    i32 count = i16(r.u16at(refs + 6 * u64(i)));
    u32 id = r.u32at(refs + 6 * u64(i) + 2);
    std::string what = owner + " list record " + std::to_string(id);
    if (!s.has(id) || s.kind(r, id) != kind) return r.fail(what + " is missing or of another kind");
    auto [pos, size] = s.records.at(id);
    if (size < 2 || (size - 2) % width) return r.fail(what + " is not whole entries");
    u32 held = (size - 2) / width;
    if (count < 0 || u32(count) != held) {
      return r.fail(what + " holds " + std::to_string(held) + " entries, its reference says " + std::to_string(count));
    }
    if (held > limit)
      return r.fail(what + " holds " + std::to_string(held) + " entries, more than " + std::to_string(limit));
    for (u32 k = 0; k < held; ++k) entries->push_back(pos + 2 + u64(width) * k);
  }
  return true;
}

bool checkwindow(Reader& r, const Store& s, u32 windrec, u32 windowid) {
  std::string w = "window " + std::to_string(windowid);
  if (s.kind(r, windrec) != 4) return r.fail(w + " record is missing or of another kind");
  u64 pos = s.records.at(windrec).first;
  if (s.records.at(windrec).second < 66) return r.fail(w + " record is short");
  u32 cards = r.u32at(pos + 8), backs = r.u32at(pos + 12), nextid = r.u32at(pos + 16);
  u16 pages = r.u16at(pos + 64);
  if (66 + 6 * u64(pages) > s.records.at(windrec).second) return r.fail(w + " page references pass its record");
  std::vector<u64> words;
  if (!readlist(r, s, pos + 66, pages, 2, kWordSize, kPageLimit, w + " card", &words)) return false;
  if (words.size() != cards) {
    return r.fail(w + " counts " + std::to_string(cards) + " cards, its list holds " + std::to_string(words.size()));
  }
  std::set<u32> cardids;
  std::map<u32, u32> backids;  // background record -> id
  std::set<u32> seenbackids;
  for (u64 at : words) {
    u32 cardrec = r.u32at(at), backrec = r.u32at(at + 4), cardid = r.u32at(at + 8), backid = r.u32at(at + 12);
    std::string c = w + " card id " + std::to_string(cardid);
    if (s.kind(r, cardrec) != 7) return r.fail(c + ": record missing or of another kind");
    if (s.kind(r, backrec) != 8) return r.fail(c + ": background record missing or of another kind");
    if (cardid >= nextid || !cardids.insert(cardid).second)
      return r.fail(c + " is not below the next id or not unique");
    auto [it, added] = backids.emplace(backrec, backid);
    if (added) {
      if (backid >= nextid || !seenbackids.insert(backid).second) {
        return r.fail(w + " background id " + std::to_string(backid) + " is not below the next id or not unique");
      }
    } else if (it->second != backid) {
      return r.fail(w + " background record " + std::to_string(backrec) + " has two ids");
    }
  }
  for (u32 id : seenbackids) {
    if (cardids.count(id)) return r.fail(w + " id " + std::to_string(id) + " names a card and a background");
  }
  if (backids.size() != backs) {
    return r.fail(w + " counts " + std::to_string(backs) + " backgrounds, its cards name " +
                  std::to_string(backids.size()));
  }
  return true;
}

}  // namespace

namespace {

std::string checkrecords(Reader& r, const Store& s) {
  if (s.kind(r, 0) != 0) return "the head record is missing";
  const u16 kinds[4] = {4, 5, 6, 0xFFFF};
  for (u32 lib = 1; lib <= 4; ++lib) {
    std::string l = "library " + std::to_string(lib);
    if (s.kind(r, lib) != 1 || s.records.at(lib).second < 16) return l + " record is missing or of another kind";
    u64 pos = s.records.at(lib).first;
    u32 count = r.u32at(pos + 2);
    u16 racks = r.u16at(pos + 14);
    if (16 + 6 * u64(racks) > s.records.at(lib).second) return l + " rack references pass its record";
    std::vector<u64> books;
    if (!readlist(r, s, pos + 16, racks, 3, kBookSize, kRackLimit, l, &books)) return r.fault;
    if (books.size() != count) {
      return l + " counts " + std::to_string(count) + " entries, its racks hold " + std::to_string(books.size());
    }
    for (u64 at : books) {
      u32 rec = r.u32at(at);
      if (!s.has(rec) || (kinds[lib - 1] != 0xFFFF && s.kind(r, rec) != kinds[lib - 1])) {
        return l + " entry names record " + std::to_string(rec) + ", missing or of another kind";
      }
      if (lib == 1 && !checkwindow(r, s, rec, r.u32at(at + 4))) return r.fault;
    }
  }
  return "";
}

}  // namespace

ProjectContents readproject(const std::vector<u8>& file) {
  ProjectContents out;
  Reader r{file, {}};
  Store s;
  if (!readstore(r, s)) {
    out.fault = r.fault;
    return out;
  }
  out.fault = checkrecords(r, s);
  for (const auto& [id, where] : s.records) {
    out.records[id].assign(file.begin() + long(where.first), file.begin() + long(where.first + where.second));
  }
  return out;
}

std::string checkproject(const std::vector<u8>& file) { return readproject(file).fault; }

}  // namespace kv
