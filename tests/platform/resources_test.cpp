#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/memory/memory.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"

namespace kv {

extern const unsigned char kEmbeddedResources[];
extern const std::size_t kEmbeddedResourcesSize;

namespace {

using namespace testtexts;

using ResourceTest = RuntimeTest;

u32 be16(const u8* p) { return (u32(p[0]) << 8) | p[1]; }
u32 be32(const u8* p) { return (be16(p) << 16) | be16(p + 2); }

ResourceItem item(const char (&type)[5], i16 id, std::string data, std::string name = "") {
  ResourceItem r;
  r.type = fourcc(type);
  r.id = id;
  r.name = std::move(name);
  r.data.assign(data.begin(), data.end());
  return r;
}

std::string strlist(std::initializer_list<std::string> entries) {
  std::string d;
  d += char(entries.size() >> 8);
  d += char(entries.size() & 0xFF);
  for (const std::string& e : entries) {
    d += char(e.size());
    d += e;
  }
  return d;
}

// A scratch folder for files written by a test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char templ[] = "/tmp/kvrestest.XXXXXX";
    path_ = ::mkdtemp(templ);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

TEST_F(ResourceTest, IndexedStringsOfTheProgramsOwnLists) {
  Str255 s;
  GetIndString(s, 1007, 1);
  EXPECT_EQ(str(s), "Cancel");
  GetIndString(s, 1007, 9);
  EXPECT_EQ(str(s), "Not found.");
  setpstring(s, "junk");
  GetIndString(s, 1007, 30000);
  EXPECT_EQ(s[0], 0);
  setpstring(s, "junk");
  GetIndString(s, 1007, 0);
  EXPECT_EQ(s[0], 0);
  setpstring(s, "junk");
  GetIndString(s, 4242, 1);
  EXPECT_EQ(s[0], 0);
  GetIndString(s, 1000, 11);
  EXPECT_NE(str(s).find("^0"), std::string::npos);
}

// Reads the embedded resources back byte by byte as a reader of the classic format would.
TEST_F(ResourceTest, EmbeddedResourcesAreAClassicResourceFile) {
  const u8* f = kEmbeddedResources;
  const std::size_t size = kEmbeddedResourcesSize;
  ASSERT_GE(size, 256u + 28u);
  u32 dataoffset = be32(f), mapoffset = be32(f + 4), datalength = be32(f + 8), maplength = be32(f + 12);
  EXPECT_EQ(dataoffset, 256u);
  EXPECT_EQ(mapoffset, dataoffset + datalength);
  EXPECT_EQ(std::size_t(mapoffset) + maplength, size);
  const u8* map = f + mapoffset;
  EXPECT_EQ(std::memcmp(map, f, 16), 0) << "the map starts with a copy of the header";
  EXPECT_EQ(be32(map + 16), 0u);  // next map
  EXPECT_EQ(be16(map + 20), 0u);  // file reference
  EXPECT_EQ(be16(map + 22), 0u);  // attributes
  u32 typelist = be16(map + 24), namelist = be16(map + 26);
  EXPECT_EQ(typelist, 28u);
  u32 ntypes = be16(map + typelist) + 1;
  bool found = false;
  for (u32 t = 0; t < ntypes; ++t) {
    const u8* te = map + typelist + 2 + 8 * t;
    if (be32(te) != fourcc("STR#")) continue;
    u32 count = be16(te + 4) + 1;
    const u8* refs = map + typelist + be16(te + 6);
    for (u32 i = 0; i < count; ++i) {
      const u8* re = refs + 12 * i;
      if (be16(re) != 1007) continue;
      found = true;
      u32 nameoff = be16(re + 2);
      ASSERT_NE(nameoff, 0xFFFFu);
      const u8* name = map + namelist + nameoff;
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(name + 1), name[0]), "Result texts");
      EXPECT_EQ(re[4], 0);  // attributes
      u32 off = (u32(re[5]) << 16) | (u32(re[6]) << 8) | re[7];
      EXPECT_EQ(be32(re + 8), 0u);
      const u8* data = f + dataoffset + off;
      u32 length = be32(data);
      ASSERT_LE(off + 4 + length, datalength);
      const u8* list = data + 4;
      EXPECT_GE(be16(list), 110u);
      EXPECT_EQ(list[2], 6);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(list + 3), 6), "Cancel");
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(ResourceTest, BuildAndParseRoundTrip) {
  std::vector<ResourceItem> items = {item("TEXT", 128, "hello", "greeting"), item("TEXT", -3, ""),
                                     item("snd ", 1, std::string(1000, 'S')), item("STR#", 5, strlist({"a", "bc"}))};
  std::vector<u8> file;
  std::string error;
  ASSERT_TRUE(buildresourcefile(items, &file, &error)) << error;
  std::vector<ResourceRef> refs;
  ASSERT_EQ(parseresourcefile(file.data(), file.size(), &refs), noErr);
  ASSERT_EQ(refs.size(), 4u);
  for (const ResourceItem& it : items) {
    bool matched = false;
    for (const ResourceRef& r : refs) {
      if (r.type != it.type || r.id != it.id) continue;
      matched = true;
      EXPECT_FALSE(r.damaged);
      EXPECT_EQ(r.name, it.name);
      EXPECT_EQ(r.hasname, !it.name.empty());
      ASSERT_EQ(r.size, it.data.size());
      if (r.size > 0) {
        EXPECT_EQ(std::memcmp(file.data() + r.offset, it.data.data(), r.size), 0);
      }
    }
    EXPECT_TRUE(matched) << it.id;
  }
  items.push_back(item("TEXT", 128, "again"));
  EXPECT_FALSE(buildresourcefile(items, &file, &error));
  std::vector<ResourceItem> none;
  ASSERT_TRUE(buildresourcefile(none, &file, &error));
  ASSERT_EQ(parseresourcefile(file.data(), file.size(), &refs), noErr);
  EXPECT_TRUE(refs.empty());
}

TEST_F(ResourceTest, DamagedMapsGiveErrorsNotCrashes) {
  std::vector<ResourceItem> items = {item("TEXT", 1, "abcdef", "n"), item("PICT", 2, std::string(64, 'p'))};
  std::vector<u8> good;
  std::string error;
  ASSERT_TRUE(buildresourcefile(items, &good, &error));
  std::vector<ResourceRef> refs;
  // Every truncation either fails to parse or yields references within the bytes.
  for (std::size_t n = 0; n < good.size(); ++n) {
    if (parseresourcefile(good.data(), n, &refs) != noErr) continue;
    for (const ResourceRef& r : refs) {
      if (!r.damaged) {
        EXPECT_LE(r.offset + r.size, n);
      }
    }
  }
  // A map offset beyond the file.
  std::vector<u8> bad = good;
  bad[4] = 0x7F;
  EXPECT_EQ(parseresourcefile(bad.data(), bad.size(), &refs), mapReadErr);
  EXPECT_EQ(openresourcebytes(bad, "bad"), -1);
  EXPECT_EQ(ResError(), mapReadErr);
  // A resource whose length runs past the data: the map opens, that one resource fails.
  // (Types are laid out in order of their codes, so the first data block is the PICT's.)
  bad = good;
  u32 dataoffset = be32(bad.data());
  bad[dataoffset] = 0x10;
  i16 ref = openresourcebytes(bad, "half");
  ASSERT_GT(ref, kAppResFile);
  UseResFile(ref);
  Handle h = Get1Resource(fourcc("PICT"), 2);
  EXPECT_EQ(h, nilhandle);
  EXPECT_EQ(ResError(), mapReadErr);
  h = Get1Resource(fourcc("TEXT"), 1);
  EXPECT_EQ(hand(h), "abcdef");
  CloseResFile(ref);
  // A string list whose entries run past its end.
  std::vector<ResourceItem> liar = {item("STR#", 9,
                                         std::string("\x00\x03\x05"
                                                     "ab",
                                                     5))};
  ASSERT_TRUE(buildresourcefile(liar, &good, &error));
  ref = openresourcebytes(good, "liar");
  Str255 s;
  GetIndString(s, 9, 1);
  EXPECT_EQ(s[0], 0);
  GetIndString(s, 9, 3);
  EXPECT_EQ(s[0], 0);
  CloseResFile(ref);
}

TEST_F(ResourceTest, FilesOpenedByPathFormAChain) {
  TempDir dir;
  std::string a = dir.file("a.rsrc"), b = dir.file("b.rsrc");
  ASSERT_EQ(writeresourcefile(a, {item("TEXT", 1, "from a"), item("TEXT", 2, "only a", "second"),
                                  item("STR#", 1007, strlist({"overridden"}))}),
            noErr);
  ASSERT_EQ(writeresourcefile(b, {item("TEXT", 1, "from b"), item("TEXT", 3, "b3"), item("TEXT", 4, "b4")}), noErr);
  EXPECT_EQ(CurResFile(), kAppResFile);
  EXPECT_EQ(CountResFiles(), 1);
  i16 ra = OpenResFile(a);
  ASSERT_GT(ra, 0);
  i16 rb = OpenResFile(b);
  ASSERT_GT(rb, 0);
  EXPECT_NE(ra, rb);
  EXPECT_EQ(CurResFile(), rb);
  EXPECT_EQ(CountResFiles(), 3);
  Handle h = GetResource(fourcc("TEXT"), 1);
  EXPECT_EQ(hand(h), "from b");
  EXPECT_EQ(GetResource(fourcc("TEXT"), 1), h) << "a loaded resource answers the same handle";
  EXPECT_EQ(hand(GetResource(fourcc("TEXT"), 2)), "only a") << "the search goes down the chain";
  EXPECT_EQ(Get1Resource(fourcc("TEXT"), 2), nilhandle);
  EXPECT_EQ(ResError(), resNotFound);
  EXPECT_EQ(Count1Resources(fourcc("TEXT")), 3);
  EXPECT_EQ(hand(Get1IndResource(fourcc("TEXT"), 2)), "b3");
  EXPECT_EQ(Get1IndResource(fourcc("TEXT"), 4), nilhandle);
  Str255 name;
  setpstring(name, "SECOND");
  EXPECT_EQ(hand(GetNamedResource(fourcc("TEXT"), name)), "only a");
  EXPECT_EQ(Get1NamedResource(fourcc("TEXT"), name), nilhandle);
  Str255 s;
  GetIndString(s, 1007, 1);
  EXPECT_EQ(str(s), "overridden") << "a file above the program's own overrides it";
  ReleaseResource(h);
  EXPECT_FALSE(IsValidHandle(h));
  Handle again = GetResource(fourcc("TEXT"), 1);
  EXPECT_NE(again, h);
  DetachResource(again);
  ReleaseResource(again);
  EXPECT_EQ(ResError(), resNotFound);
  EXPECT_TRUE(IsValidHandle(again)) << "a detached resource belongs to the caller";
  DisposeHandle(again);
  UseResFile(ra);
  EXPECT_EQ(hand(GetResource(fourcc("TEXT"), 1)), "from a");
  EXPECT_EQ(GetResource(fourcc("TEXT"), 3), nilhandle) << "files opened later are not searched";
  UseResFile(rb);
  EXPECT_EQ(OpenResFile(a), ra) << "an open file answers its reference number";
  EXPECT_EQ(CurResFile(), ra);
  UseResFile(rb);
  CloseResFile(rb);
  EXPECT_EQ(CurResFile(), ra);
  UseResFile(rb);
  EXPECT_EQ(ResError(), resFNotFound);
  CloseResFile(ra);
  EXPECT_EQ(CurResFile(), kAppResFile);
  GetIndString(s, 1007, 1);
  EXPECT_EQ(str(s), "Cancel");
  CloseResFile(kAppResFile);
  EXPECT_EQ(CountResFiles(), 1);
}

TEST_F(ResourceTest, OpeningMissingOrDamagedFiles) {
  TempDir dir;
  EXPECT_EQ(OpenResFile(dir.file("none.rsrc")), -1);
  EXPECT_EQ(ResError(), fnfErr);
  std::ofstream(dir.file("junk.rsrc")) << "not a resource file at all";
  EXPECT_EQ(OpenResFile(dir.file("junk.rsrc")), -1);
  EXPECT_EQ(ResError(), mapReadErr);
  EXPECT_EQ(CurResFile(), kAppResFile);
  EXPECT_NE(writeresourcefile(dir.file("no/such/folder.rsrc"), {}), noErr);
  // A Mac Roman path crosses to the file system as UTF-8.
  std::string name = "caf\x8E.rsrc";
  ASSERT_EQ(writeresourcefile(dir.file(name), {item("TEXT", 7, "seven")}), noErr);
  EXPECT_TRUE(std::filesystem::exists(dir.file("caf\xC3\xA9.rsrc")));
  i16 ref = OpenResFile(dir.file(name));
  ASSERT_GT(ref, 0);
  EXPECT_EQ(hand(Get1Resource(fourcc("TEXT"), 7)), "seven");
  CloseResFile(ref);
}

}  // namespace
}  // namespace kv
