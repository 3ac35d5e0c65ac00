// The volume list and the volume messages (mounts and unmounts from the test driver and from
// an injected mount table), and the file-system conveniences.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/files/volumes.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/volumes.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class VolumesTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
  }
  void TearDown() override {
    setmounttable(std::nullopt);
    setunattendedpolicy(UnattendedPolicy::fail);
    EventLoopTest::TearDown();
  }
  static int lines(std::string_view prefix) {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  static std::string pstr(const u8* p) { return std::string(pstringview(p)); }
  // A length-prefixed name for the calls that take one.
  struct pname {
    Str255 s{};
    operator ConstStringPtr() const { return s; }
  };
  static pname name(std::string_view text) {
    pname n;
    pstrassign(n.s, 256, text.data(), text.size());
    return n;
  }
};

// A mount table of the form /proc/self/mountinfo: the root and a mount per (point, options).
std::string mounttable(std::initializer_list<std::pair<const char*, const char*>> points) {
  std::string t = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
  int id = 40;
  for (const auto& [point, options] : points)
    t += std::to_string(id++) + " 22 8:17 / " + point + " " + options + " shared:9 - vfat /nonexistent/sdz rw\n";
  return t;
}

TEST_F(VolumesTest, ALabelWithAQuoteArrivesAsTheSameText) {
  ASSERT_EQ(openproject(), 0);
  settle();
  clearlog();
  transcriptclear();
  drive::volumeChange(8, true, "A\"B");
  EXPECT_EQ(logged(), "volumeMount A\"B,");
  EXPECT_EQ(lines("message: scriptError"), 0);
  drive::volumeChange(9, false);
  EXPECT_EQ(logged(), "volumeUnmount Unknown,") << "a volume that was never listed";
}

TEST_F(VolumesTest, AFailingVolumeHandlerIsReportedOnce) {
  testproject::Project p = project();
  p.windows[0].cards[0].script = logs("", {"volumeMount"}) + "on volumeUnmount\n  nosuchcmd\nend volumeUnmount\n";
  ASSERT_EQ(openproject(p), 0);
  transcriptclear();
  drive::volumeChange(7, true, "Data");
  drive::volumeChange(7, false);
  settle();
  EXPECT_EQ(log(), "volumeMount Data,");
  EXPECT_EQ(lines("message: scriptError"), 1);
  EXPECT_EQ(lines("dialog: alert"), 1);
}

TEST_F(VolumesTest, TheWatcherTurnsTheMountTableIntoVolumeMessages) {
  setmounttable(mounttable({}));
  ASSERT_EQ(openproject(), 0);
  settle();
  clearlog();
  setmounttable(mounttable({{"/media/me/Stick", "ro,nosuid"}, {"/home/me", "rw"}}));
  passes(40);
  settle();
  EXPECT_EQ(log(), "volumeMount Stick,");
  VolumeInfo v;
  ASSERT_EQ(GetVolumeByIndex(2, &v), noErr);
  EXPECT_EQ(v.name, "Stick");
  EXPECT_TRUE(v.locked) << "mounted read-only";
  EXPECT_EQ(isvolocked(u16(v.vRefNum)), 1);
  EXPECT_EQ(GetVolumeByIndex(3, &v), nsvErr) << "only the removable places count";
  clearlog();
  setmounttable(mounttable({}));
  passes(40);
  settle();
  EXPECT_EQ(log(), "volumeUnmount Stick,");
}

TEST_F(VolumesTest, TheListAndItsLocks) {
  setmounttable(mounttable({{"/mnt/Spare\\040Disk", "rw"}, {"/run/media/me/Photos", "ro"}}));
  ASSERT_EQ(buildvolumelist(), 0);
  Handle list = mainglobals().volumelist;
  ASSERT_EQ(HandleCount<volentry>(list), 3);
  EXPECT_EQ(pstr(HandleAs<volentry>(list)[0].name), "/");
  EXPECT_EQ(pstr(HandleAs<volentry>(list)[1].name), "Spare Disk");
  EXPECT_EQ(HandleAs<volentry>(list)[1].locked, 0);
  EXPECT_EQ(HandleAs<volentry>(list)[2].locked, 1);
  EXPECT_EQ(isvolocked(u16(-999)), 1) << "no volume has that number";
  Str255 gone{};
  EXPECT_EQ(removeVolumeFromList(u16(HandleAs<volentry>(list)[1].volume), gone), 1);
  EXPECT_EQ(pstr(gone), "Spare Disk");
  EXPECT_EQ(removeVolumeFromList(u16(-999), gone), 0);
  EXPECT_EQ(pstr(gone), "Unknown");
  EXPECT_EQ(UnmountAndEject(name("Nowhere"), 0), nsvErr);
  EXPECT_EQ(UnmountAndEject(name("photos"), 0), fBsyErr) << "the system refuses to unmount it";
}

TEST_F(VolumesTest, TypesFromExtensions) {
  struct row {
    const char* file;
    OSType type;
  };
  for (const row& r : {row{"x.Txt", fourcc("TEXT")}, row{"a.b.rtf", fourcc("RTF ")}, row{"notes.rtfd", fourcc("RTFD")},
                       row{"x.gif", 0}, row{"x", 0}, row{"archive.txt.gz", 0}}) {
    SCOPED_TRACE(r.file);
    EXPECT_EQ(FileExtensionToType(name(r.file)), r.type);
  }
}

TEST_F(VolumesTest, DeletingAFolderUnlocksWhatItHoldsAndFollowsNoLink) {
  u32 top = 0, inner = 0, outside = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, name("doomed"), &top), noErr);
  ASSERT_EQ(DirCreate(kBootVolume, top, name("inner"), &inner), noErr);
  ASSERT_EQ(DirCreate(kBootVolume, dir, name("kept"), &outside), noErr);
  ASSERT_EQ(HCreate(kBootVolume, top, name("locked.txt"), 0, 0), noErr);
  ASSERT_EQ(HSetFLock(kBootVolume, top, name("locked.txt")), noErr);
  ASSERT_EQ(HCreate(kBootVolume, inner, name("deep.txt"), 0, 0), noErr);
  ASSERT_EQ(HCreate(kBootVolume, outside, name("safe.txt"), 0, 0), noErr);
  // A link inside to the folder outside, and the inner folder locked.
  namespace fs = std::filesystem;
  fs::create_directory_symlink(home->path() + "/kept", home->path() + "/doomed/link");
  fs::permissions(home->path() + "/doomed/inner",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  EXPECT_EQ(DeleteDirectory(kBootVolume, dir, name("locked.txt")), dirNFErr);
  ASSERT_EQ(HCreate(kBootVolume, dir, name("plain"), 0, 0), noErr);
  EXPECT_EQ(DeleteDirectory(kBootVolume, dir, name("plain")), dirNFErr) << "a file is no folder";
  EXPECT_EQ(DeleteDirectory(kBootVolume, dir, name("doomed")), noErr);
  CatInfo info{};
  EXPECT_EQ(HGetCatInfo(kBootVolume, dir, name("doomed"), &info), fnfErr);
  EXPECT_EQ(HGetCatInfo(kBootVolume, outside, name("safe.txt"), &info), noErr) << "the link was not followed";
}

TEST_F(VolumesTest, TheResultOfAFileSystemError) {
  ASSERT_EQ(openproject(), 0);
  EXPECT_EQ(resultfilesystemerr(-43), 0);
  EXPECT_EQ(cardvalue("the result"), "File system error -43.");
}

TEST_F(VolumesTest, UniqueNamesCountUpPastTakenOnes) {
  ASSERT_EQ(HCreate(kBootVolume, dir, name("00000000"), 0, 0), noErr);
  u32 counter = 0;
  HFSUniStr255 out{};
  EXPECT_EQ(GenerateUniqueHFSUniStr(&counter, kBootVolume, dir, &out), noErr);
  EXPECT_EQ(counter, 1u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.unicode), out.length), u"00000001");
  counter = 0xABCDEF12;
  EXPECT_EQ(GenerateUniqueHFSUniStr(&counter, kBootVolume, dir, &out), noErr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.unicode), out.length), u"ABCDEF12");
}

TEST_F(VolumesTest, LongNamesAndPaths) {
  EXPECT_EQ(pathHasLongComponent(name("Disk:short:name")), 0);
  EXPECT_EQ(pathHasLongComponent(name("Disk:a folder whose name is longer than that:x")), 1);
  const std::string longname(80, 'n');
  Handle path = nilhandle;
  ASSERT_EQ(PtrToHand(longname.data(), &path, Size(longname.size())), noErr);
  FSSpec spec{};
  bool exact = true, created = false;
  EXPECT_EQ(FSMakeLongFSSpec(kBootVolume, dir, path, true, &spec, &exact, &created), noErr);
  EXPECT_FALSE(exact) << "the name does not fit a specification";
  EXPECT_TRUE(created);
  EXPECT_EQ(spec.name[0], 8);
  CatInfo info{};
  EXPECT_EQ(HGetCatInfo(kBootVolume, dir, name(longname), &info), noErr) << "made under its real name";
  DisposeHandle(path);
  FSRef ref;
  ASSERT_EQ(FSMakeFSRef(kBootVolume, dir, name(longname), &ref), noErr);
  EXPECT_EQ(FSRefValid(&ref), 1);
  FSSpec folder{kBootVolume, dir, {0}};
  EXPECT_EQ(MakeCanonFSSpec(&folder), noErr);
  EXPECT_EQ(pstr(folder.name), home->path().substr(home->path().rfind('/') + 1));
}

}  // namespace
}  // namespace kv
