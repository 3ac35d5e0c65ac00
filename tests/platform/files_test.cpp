// Files by folder id and Mac Roman name over POSIX files: result codes, the writer's lock,
// type and creator with the ".kv45" rule, free space, the write hook, file names that cross to
// UTF-8 and back, and scratch folders.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/files/files.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "platform/text/macroman.h"
#include "tests/support/homefolder.h"
#include "platform/text/casefold.h"

namespace kv {
namespace {

class FilesTest : public HomeFolderTest {};

TEST_F(FilesTest, CreateOpenReadWriteAndTheirResultCodes) {
  EXPECT_EQ(HCreate(kBootVolume, dir, PName("a.txt"), fourcc("ttxt"), fourcc("TEXT")), noErr);
  EXPECT_EQ(HCreate(kBootVolume, dir, PName("a.txt"), 0, 0), dupFNErr);
  EXPECT_EQ(HCreate(kBootVolume, dir, PName("no/such/b.txt"), 0, 0), dirNFErr);
  EXPECT_EQ(HCreate(kBootVolume, 12345, PName("b.txt"), 0, 0), dirNFErr);
  EXPECT_EQ(HCreate(7, dir, PName("b.txt"), 0, 0), nsvErr);
  FileRef ref;
  EXPECT_EQ(HOpen(kBootVolume, dir, PName("missing"), fsCurPerm, &ref), fnfErr);
  EXPECT_EQ(ref, nilid);
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("a.txt"), fsCurPerm, &ref), noErr);
  EXPECT_EQ(registrytype(ref), RegType::file);

  i64 n = 11;
  ASSERT_EQ(FSWrite(ref, &n, "hello world"), noErr);
  i64 pos, eof;
  ASSERT_EQ(GetFPos(ref, &pos), noErr);
  EXPECT_EQ(pos, 11);
  ASSERT_EQ(GetEOF(ref, &eof), noErr);
  EXPECT_EQ(eof, 11);
  ASSERT_EQ(SetFPos(ref, fsFromStart, 6), noErr);
  char buf[16] = {};
  n = 10;
  EXPECT_EQ(FSRead(ref, &n, buf), eofErr) << "the read meets the end";
  EXPECT_EQ(n, 5);
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(SetFPos(ref, fsFromLEOF, -5), noErr);
  EXPECT_EQ(SetFPos(ref, fsFromMark, -10), posErr);
  EXPECT_EQ(SetFPos(ref, fsFromStart, 20), eofErr);
  ASSERT_EQ(GetFPos(ref, &pos), noErr);
  EXPECT_EQ(pos, 11) << "positioning past the end stops at the end";
  ASSERT_EQ(SetEOF(ref, 5), noErr);
  ASSERT_EQ(GetEOF(ref, &eof), noErr);
  EXPECT_EQ(eof, 5);
  ASSERT_EQ(writeat(ref, 8, "xy", 2), noErr);
  ASSERT_EQ(readat(ref, 0, buf, 10), noErr);
  EXPECT_EQ(std::memcmp(buf, "hello\0\0\0xy", 10), 0) << "a write past the end fills the gap with zeros";
  EXPECT_EQ(FlushFile(ref), noErr);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(FSClose(ref), rfNumErr);
  n = 1;
  EXPECT_EQ(FSRead(ref, &n, buf), rfNumErr);

  ASSERT_EQ(HOpen(kBootVolume, dir, PName("a.txt"), fsRdPerm, &ref), noErr);
  n = 1;
  EXPECT_EQ(FSWrite(ref, &n, "z"), wrPermErr);
  EXPECT_EQ(SetEOF(ref, 0), wrPermErr);
  EXPECT_EQ(FSClose(ref), noErr);

  EXPECT_EQ(HOpen(kBootVolume, fsRtDirID, PName(home->path().substr(1) + "/a.txt"), fsRdPerm, &ref), noErr);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(HOpen(kBootVolume, 0, PName(home->path() + "/a.txt"), fsRdPerm, &ref), noErr) << "a full path";
  EXPECT_EQ(FSClose(ref), noErr);
  std::string folder;
  ASSERT_EQ(pathoffolder(dir, &folder), noErr);
  EXPECT_NE(folder.find("/kestrove-home-"), std::string::npos) << folder;
  u32 again;
  ASSERT_EQ(folderidofpath(home->path() + "/.", &again), noErr);
  EXPECT_EQ(again, dir) << "one folder, one id";
  EXPECT_EQ(folderidofpath(home->path() + "/a.txt", &again), dirNFErr);
}

TEST_F(FilesTest, OneWriterAtATime) {
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("p.kv45"), 0, 0), noErr);
  FileRef w, r, other;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsRdWrPerm, &w), noErr);
  EXPECT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsCurPerm, &other), opWrErr);
  EXPECT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsWrPerm, &other), opWrErr);
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsRdPerm, &r), noErr) << "readers are welcome";
  EXPECT_EQ(HDelete(kBootVolume, dir, PName("p.kv45")), fBsyErr);
  EXPECT_EQ(FSClose(w), noErr);
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsCurPerm, &other), noErr) << "the lock ends with the close";
  EXPECT_EQ(FSClose(other), noErr);
  EXPECT_EQ(FSClose(r), noErr);
  EXPECT_EQ(HDelete(kBootVolume, dir, PName("p.kv45")), noErr);
  EXPECT_EQ(HDelete(kBootVolume, dir, PName("p.kv45")), fnfErr);
}

TEST_F(FilesTest, ALockedFileOpensOnlyForReadingAndStays) {
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("p.kv45"), 0, 0), noErr);
  bool locked = true;
  ASSERT_EQ(HGetFLock(kBootVolume, dir, PName("p.kv45"), &locked), noErr);
  EXPECT_FALSE(locked);
  ASSERT_EQ(HSetFLock(kBootVolume, dir, PName("p.kv45")), noErr);
  ASSERT_EQ(HGetFLock(kBootVolume, dir, PName("p.kv45"), &locked), noErr);
  EXPECT_TRUE(locked);
  FileRef ref;
  EXPECT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsRdWrPerm, &ref), permErr) << "whoever asks";
  EXPECT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsWrPerm, &ref), permErr);
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("p.kv45"), fsCurPerm, &ref), noErr) << "falls back to reading";
  i64 n = 1;
  u8 byte = 0;
  EXPECT_EQ(FSWrite(ref, &n, &byte), wrPermErr);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(HDelete(kBootVolume, dir, PName("p.kv45")), fLckdErr);
  ASSERT_EQ(HRstFLock(kBootVolume, dir, PName("p.kv45")), noErr);
  ASSERT_EQ(HGetFLock(kBootVolume, dir, PName("p.kv45"), &locked), noErr);
  EXPECT_FALSE(locked);
  EXPECT_EQ(HDelete(kBootVolume, dir, PName("p.kv45")), noErr);
  EXPECT_EQ(HGetFLock(kBootVolume, dir, PName("p.kv45"), &locked), fnfErr);
}

TEST_F(FilesTest, DirCreateMakesAFolderWithAnId) {
  u32 made = 0, again = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, PName("sub"), &made), noErr);
  ASSERT_EQ(folderidofpath(home->path() + "/sub", &again), noErr);
  EXPECT_EQ(made, again);
  EXPECT_EQ(DirCreate(kBootVolume, dir, PName("sub"), &made), dupFNErr);
  EXPECT_EQ(DirCreate(kBootVolume, dir, PName("none/sub"), &made), dirNFErr);
}

TEST_F(FilesTest, TypeAndCreatorLiveInAnAttributeOrFollowTheExtension) {
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("doc.txt"), fourcc("ttxt"), fourcc("TEXT")), noErr);
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("p.kv45"), fourcc("????"), fourcc("????")), noErr);
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("q.KV45"), 0, 0), noErr);
  FInfo info;
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("doc.txt"), &info), noErr);
  EXPECT_EQ(info.fdType, fourcc("TEXT"));
  EXPECT_EQ(info.fdCreator, fourcc("ttxt"));
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("p.kv45"), &info), noErr);
  EXPECT_EQ(info.fdType, fourcc("????")) << "the attribute wins over the extension";
  info.fdType = fourcc("APPL");
  ASSERT_EQ(HSetFInfo(kBootVolume, dir, PName("p.kv45"), &info), noErr);
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("p.kv45"), &info), noErr);
  EXPECT_EQ(info.fdType, fourcc("APPL"));

  // A file system without extended attributes.
  setfinfoattributes(false);
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("p.kv45"), &info), noErr);
  EXPECT_EQ(info.fdType, kProjectType);
  EXPECT_EQ(info.fdCreator, kProjectCreator);
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("q.KV45"), &info), noErr);
  EXPECT_EQ(info.fdType, kProjectType);
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, PName("doc.txt"), &info), noErr);
  EXPECT_EQ(info.fdType, 0u);
  EXPECT_EQ(info.fdCreator, 0u);
  EXPECT_EQ(HSetFInfo(kBootVolume, dir, PName("doc.txt"), &info), noErr);
  EXPECT_EQ(HGetFInfo(kBootVolume, dir, PName("none.kv45"), &info), fnfErr);
}

TEST_F(FilesTest, FreeSpaceIsASixtyFourBitFigure) {
  u64 bytes = 0;
  ASSERT_EQ(volumefreebytes(kBootVolume, dir, &bytes), noErr);
  EXPECT_GT(bytes, 0u);
  setfreespacemodel(u64(6) << 40);
  ASSERT_EQ(volumefreebytes(0, dir, &bytes), noErr);
  EXPECT_EQ(bytes, u64(6) << 40);
  EXPECT_EQ(volumefreebytes(3, dir, &bytes), nsvErr);
}

TEST_F(FilesTest, WritesCanBeWatchedAndMadeToFail) {
  ASSERT_EQ(HCreate(kBootVolume, dir, PName("w.bin"), 0, 0), noErr);
  FileRef ref;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("w.bin"), fsCurPerm, &ref), noErr);
  std::vector<std::pair<i64, i64>> seen;
  setfilewritehook([&](const FileWriteEvent& ev) {
    EXPECT_EQ(ev.path, home->path() + "/w.bin");
    seen.push_back({ev.position, ev.data ? ev.count : -ev.count});
  });
  ASSERT_EQ(writeat(ref, 4, "abc", 3), noErr);
  ASSERT_EQ(SetEOF(ref, 2), noErr);
  failfilewriteafter(2);
  EXPECT_EQ(writeat(ref, 0, "a", 1), noErr);
  EXPECT_EQ(writeat(ref, 0, "b", 1), dskFulErr);
  EXPECT_EQ(writeat(ref, 0, "c", 1), noErr) << "one failure, then writes work again";
  setfilewritehook(nullptr);
  ASSERT_EQ(seen.size(), 4u) << "the failed write is not seen";
  EXPECT_EQ(seen[0], (std::pair<i64, i64>{4, 3}));
  EXPECT_EQ(seen[1], (std::pair<i64, i64>{0, -2}));
  char c;
  ASSERT_EQ(readat(ref, 0, &c, 1), noErr);
  EXPECT_EQ(c, 'c');
  EXPECT_EQ(FSClose(ref), noErr);
}

TEST_F(FilesTest, NamesMacRomanCannotHoldCrossByAnEscapeAndComeBack) {
  // Mac Roman names become UTF-8 on disk.
  EXPECT_EQ(macromantofilename("caf\x8E.kv45"), "caf\xC3\xA9.kv45");
  // Characters without a Mac Roman byte, and bytes that are not UTF-8 at all.
  std::string disk = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 \xFF\xC3 x";
  std::string mac = filenametomacroman(disk);
  EXPECT_EQ(mac,
            "\xD7"
            "4E2D;\xD7"
            "6587; \xD7"
            "1F600; \xD7#FF;\xD7#C3; x");
  EXPECT_EQ(mac.find('?'), std::string::npos);
  EXPECT_EQ(macromantofilename(mac), disk);
  // A lozenge on disk is doubled only where it would read as an escape (the random names
  // below mix lozenges with escape characters).
  EXPECT_EQ(filenametomacroman("\xE2\x97\x8A"
                               "b"),
            "\xD7"
            "b");
  EXPECT_EQ(filenametomacroman("\xE2\x97\x8A"
                               "4E2D;"),
            "\xD7\xD7"
            "4E2D;");
  // Overlong forms and surrogates are not UTF-8 either.
  EXPECT_EQ(filenametomacroman("\xC0\xAF"), "\xD7#C0;\xD7#AF;");
  EXPECT_EQ(macromantofilename(filenametomacroman("\xED\xA0\x80")), "\xED\xA0\x80");
  // Every byte string that a POSIX name can be comes back unchanged.
  u64 x = 99;
  for (int i = 0; i < 2000; ++i) {
    std::string s;
    int len = int(x % 12);
    for (int k = 0; k < len; ++k) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      u8 b = u8(x);
      if (b == 0 || b == '/') b = 'a';
      if (x % 4 == 0) {
        s += "\xE2\x97\x8A";  // the lozenge
      } else if (x % 4 == 1) {
        s += "0123456789ABCDEF#;"[(x >> 8) % 18];
      } else {
        s += char(b);
      }
    }
    x += 1;
    ASSERT_EQ(macromantofilename(filenametomacroman(s)), s);
  }

  // A file made under an escaped name opens under it, by folder or by full path.
  ASSERT_EQ(HCreate(kBootVolume, dir,
                    PName("\xD7"
                          "4E2D;.kv45"),
                    0, 0),
            noErr);
  FileRef ref;
  ASSERT_EQ(HOpen(kBootVolume, 0,
                  PName(home->path() + "/\xD7"
                                       "4E2D;.kv45"),
                  fsRdPerm, &ref),
            noErr);
  EXPECT_EQ(FSClose(ref), noErr);
  FInfo info;
  setfinfoattributes(false);
  EXPECT_EQ(HGetFInfo(kBootVolume, dir,
                      PName("\xD7"
                            "4E2D;.kv45"),
                      &info),
            noErr);
  EXPECT_EQ(info.fdType, kProjectType);
}


// Scratch folders are made under $TMPDIR: here the test's own home folder.
class ScratchFolderTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    const char* old = ::getenv("TMPDIR");
    had = old != nullptr;
    if (had) saved = old;
    ::setenv("TMPDIR", home->path().c_str(), 1);
  }
  void TearDown() override {
    if (had) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
    FilesTest::TearDown();
  }
  static bool exists(const std::string& path) {
    u32 id = 0;
    return folderidofpath(path, &id) == noErr;
  }
  bool had = false;
  std::string saved;
};

TEST_F(ScratchFolderTest, AScratchFolderGoesWithEverythingInIt) {
  u32 a = 0, b = 0;
  ASSERT_EQ(ScratchFolderCreate(&a), noErr);
  ASSERT_EQ(ScratchFolderCreate(&b), noErr);
  EXPECT_NE(a, b);
  std::string path;
  ASSERT_EQ(pathoffolder(a, &path), noErr);
  EXPECT_EQ(path.rfind(home->path() + "/kestrove-", 0), 0u) << path;
  ASSERT_EQ(HCreate(kBootVolume, a, PName("p.kv45"), 0, 0), noErr);
  u32 inner = 0;
  ASSERT_EQ(DirCreate(kBootVolume, a, PName("inner"), &inner), noErr);
  ASSERT_EQ(HCreate(kBootVolume, inner, PName("x"), 0, 0), noErr);
  EXPECT_EQ(ScratchFolderRemove(a), noErr);
  EXPECT_FALSE(exists(path));
  EXPECT_EQ(ScratchFolderRemove(a), dirNFErr) << "gone already";
  std::string other;
  ASSERT_EQ(pathoffolder(b, &other), noErr);
  EXPECT_TRUE(exists(other));
  EXPECT_EQ(ScratchFolderRemove(b), noErr);
}

TEST_F(ScratchFolderTest, OnlyScratchFoldersAreRemoved) {
  EXPECT_EQ(ScratchFolderRemove(dir), dirNFErr);
  EXPECT_TRUE(exists(home->path()));
  EXPECT_EQ(ScratchFolderRemove(0), dirNFErr);
  EXPECT_EQ(ScratchFolderRemove(99999), dirNFErr);
}

TEST_F(ScratchFolderTest, AResetTakesAwayTheScratchFoldersLeft) {
  u32 a = 0;
  ASSERT_EQ(ScratchFolderCreate(&a), noErr);
  std::string path;
  ASSERT_EQ(pathoffolder(a, &path), noErr);
  ASSERT_EQ(HCreate(kBootVolume, a, PName("left.txt"), 0, 0), noErr);
  resetruntime();
  EXPECT_FALSE(exists(path));
}

TEST_F(FilesTest, TemporaryFilesAreEachTheirOwnAndGoAtReset) {
  Str63 a{}, b{};
  ASSERT_EQ(TempFileCreate(kBootVolume, dir, "Clip Cards", fourcc("????"), fourcc("????"), a), noErr);
  ASSERT_EQ(TempFileCreate(kBootVolume, dir, "Clip Cards", fourcc("????"), fourcc("????"), b), noErr);
  const std::string first(reinterpret_cast<const char*>(a + 1), a[0]),
      second(reinterpret_cast<const char*>(b + 1), b[0]);
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind("Clip Cards-", 0), 0u) << first;
  FInfo info{};
  ASSERT_EQ(HGetFInfo(kBootVolume, dir, a, &info), noErr);
  EXPECT_EQ(info.fdType, fourcc("????"));
  // Two names of one file have one identity; another file has its own.
  FileRef ra = nilid, rb = nilid;
  ASSERT_EQ(HOpen(kBootVolume, dir, a, fsRdPerm, &ra), noErr);
  ASSERT_EQ(HOpen(kBootVolume, dir, b, fsRdPerm, &rb), noErr);
  const std::string link = home->path() + "/link";
  ASSERT_EQ(::symlink((home->path() + "/" + first).c_str(), link.c_str()), 0);
  FileRef rl = nilid;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("link"), fsRdPerm, &rl), noErr);
  u64 da = 0, ia = 0, db = 0, ib = 0, dl = 0, il = 0;
  ASSERT_EQ(FileIdentity(ra, &da, &ia), noErr);
  ASSERT_EQ(FileIdentity(rb, &db, &ib), noErr);
  ASSERT_EQ(FileIdentity(rl, &dl, &il), noErr);
  EXPECT_TRUE(da == dl && ia == il);
  EXPECT_FALSE(da == db && ia == ib);
  for (FileRef r : {ra, rb, rl}) FSClose(r);
  EXPECT_EQ(FileIdentity(ra, &da, &ia), rfNumErr);
  // One deleted by name; the other goes with the reset.
  ASSERT_EQ(HDelete(kBootVolume, dir, a), noErr);
  const std::string left = home->path() + "/" + second;
  struct stat st;
  ASSERT_EQ(::stat(left.c_str(), &st), 0);
  resetruntime();
  EXPECT_NE(::stat(left.c_str(), &st), 0);
}

TEST_F(FilesTest, AFolderWithoutTheWriteBitIsNotWritableForAnyone) {
  bool writable = false;
  ASSERT_EQ(FolderWritable(kBootVolume, dir, &writable), noErr);
  EXPECT_TRUE(writable);
  u32 inner = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, PName("ro"), &inner), noErr);
  std::string path;
  ASSERT_EQ(pathoffolder(inner, &path), noErr);
  ASSERT_EQ(::chmod(path.c_str(), 0555), 0);
  EXPECT_EQ(FolderWritable(kBootVolume, inner, &writable), noErr);
  EXPECT_FALSE(writable);
  ::chmod(path.c_str(), 0755);
  EXPECT_EQ(FolderWritable(kBootVolume, 99999, &writable), dirNFErr);
}

TEST(MacRoman, RoundTripsEveryByte) {
  std::string all;
  for (int i = 1; i < 256; ++i) all += char(i);
  bool lossy = true;
  EXPECT_EQ(utf8tomacroman(macromantoutf8(all), '?', &lossy), all);
  EXPECT_FALSE(lossy);
  EXPECT_EQ(macromantoutf8("\xA5"), "\xE2\x80\xA2");  // bullet
  EXPECT_EQ(utf8tomacroman("\xE2\x82\xAC"), "\xDB");  // euro sign
}

TEST(MacRoman, UnrepresentableAndMalformedTextIsMarked) {
  bool lossy = false;
  EXPECT_EQ(utf8tomacroman("a\xE2\x98\x83z", '?', &lossy), "a?z");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(utf8tomacroman("\xC3", '#', &lossy), "#");
  EXPECT_EQ(utf8tomacroman("\xFF\x80", '#', &lossy), "##");
}

TEST(CaseFold, OnlyAToZFold) {
  EXPECT_TRUE(equalnocase(reinterpret_cast<const u8*>("HeLLo"), reinterpret_cast<const u8*>("hello"), 5));
  EXPECT_FALSE(equalnocase(reinterpret_cast<const u8*>("\x80"), reinterpret_cast<const u8*>("\x8A"), 1));
}

}  // namespace
}  // namespace kv
