// File location: folder paths, the search through the directory list, asking the user where a
// file is, the acceptance of types and creators, packages and closing files.
#include "system/filelocation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/lookups.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/temphome.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "tests/support/homefolder.h"
#include "tests/support/texts.h"

namespace kv {
namespace {

using testtexts::str;

class FileLocationTest : public HomeFolderTest {
 protected:
  void SetUp() override {
    HomeFolderTest::SetUp();
    homedir = dir;
    mainglobals().runningosx = 1;
  }
  u32 folder(const std::string& name) {
    u32 id = 0;
    DirCreate(kBootVolume, homedir, PName(name), &id);
    if (id == 0) folderidofpath(home->path() + "/" + name, &id);
    return id;
  }
  void file(u32 dir, const std::string& name, OSType type, OSType creator) {
    ASSERT_EQ(HCreate(kBootVolume, dir, PName(name), creator, type), noErr);
  }
  u32 homedir = 0;
};

TEST_F(FileLocationTest, FolderPathsEndWithASlashAndStopAtTheLastNameThatFits) {
  Str255 p;
  u32 deep = 0;
  ASSERT_EQ(folderidofpath(home->path(), &deep), noErr);
  getpath(p, 255, kBootVolume, deep);
  EXPECT_EQ(str(p), home->path() + "/");
  getpath(p, 255, kBootVolume, fsRtDirID);
  EXPECT_EQ(str(p), "/") << "the root alone";
  getpath(p, 255, kBootVolume, 99999);
  EXPECT_EQ(str(p), "") << "an unknown folder gives the empty path";

  // A chain of long folder names longer than the capacity.
  std::string path = home->path();
  for (int i = 0; i < 8; ++i) {
    std::string name(40, char('a' + i));
    u32 parent = 0;
    ASSERT_EQ(folderidofpath(path, &parent), noErr);
    u32 made = 0;
    ASSERT_EQ(DirCreate(kBootVolume, parent, PName(name), &made), noErr);
    path += "/" + name;
  }
  ASSERT_EQ(folderidofpath(path, &deep), noErr);
  getpath(p, 255, kBootVolume, deep);
  EXPECT_LE(p[0], 254);
  EXPECT_EQ(p[p[0]], '/');
  EXPECT_EQ(path.compare(0, p[0], str(p)), 0) << "a prefix of the real path: an ancestor folder";
  getpath(p, 200, kBootVolume, deep);
  EXPECT_LE(p[0], 199);
}

TEST_F(FileLocationTest, ColonPathsAndSplitting) {
  EXPECT_EQ(colontoposix("Disk:Projects:Tour:Intro"), "/Volumes/Disk/Projects/Tour/Intro");
  EXPECT_EQ(colontoposix(":Tour:Intro"), "Tour/Intro");
  EXPECT_EQ(colontoposix("::Intro"), "../Intro");
  EXPECT_EQ(colontoposix("a/b:c"), "a/b:c") << "a slash makes it a POSIX path";
  EXPECT_EQ(colontoposix("Intro"), "Intro");
  Str255 f, l;
  EXPECT_EQ(splitnames(PName("/a/b/leaf"), f, l), 4);
  EXPECT_EQ(str(f), "/a/b/");
  EXPECT_EQ(str(l), "leaf");
  splitnames(PName("Disk:Folder:Le\raf"), f, l);
  EXPECT_EQ(str(f), "Disk:Folder:");
  EXPECT_EQ(str(l), "Le") << "a return ends the name";
  EXPECT_EQ(splitnames(PName("bare"), f, l), 4);
  EXPECT_EQ(str(f), "");
}

TEST_F(FileLocationTest, ABareNameIsFoundInTheSecondListedFolderWithItsOwnTypeAndCreator) {
  u32 one = folder("one"), two = folder("two");
  file(two, "Notes", fourcc("TEXT"), fourcc("ttxt"));
  ASSERT_EQ(addir(kBootVolume, one), 0);
  ASSERT_EQ(addir(kBootVolume, two), 0);
  OSType type = 0, creator = 0;
  Str255 leaf;
  i16 volume = 0;
  u32 dir = 0;
  ASSERT_EQ(findfile(PName("Notes"), leaf, &volume, &dir, &type, &creator), 1);
  EXPECT_EQ(dir, two);
  EXPECT_EQ(str(leaf), "Notes");
  EXPECT_EQ(type, fourcc("TEXT"));
  EXPECT_EQ(creator, fourcc("ttxt"));
  EXPECT_EQ(HandleAs<dirlistentry>(mainglobals().dirlist)[1].uses, 2u) << "the found folder counts one more use";

  // A relative path below a listed folder gives the folder that holds the file.
  u32 sub = 0;
  ASSERT_EQ(DirCreate(kBootVolume, one, PName("sub"), &sub), noErr);
  file(sub, "Deep", fourcc("TEXT"), 0);
  type = creator = 0;
  ASSERT_EQ(findfile(PName(":sub:Deep"), leaf, &volume, &dir, &type, &creator), 1);
  EXPECT_EQ(dir, sub);
  EXPECT_EQ(str(leaf), "Deep");
}

TEST_F(FileLocationTest, TypesAndCreatorsAreAcceptedAsAsked) {
  u32 dir = folder("apps");
  file(dir, "Tool alias", fourcc("adrp"), fourcc("MACS"));
  file(dir, "Odd", fourcc("ZZZZ"), fourcc("YYYY"));
  addir(kBootVolume, dir);
  Str255 leaf;
  i16 volume;
  u32 found;
  OSType type = fourcc("APPL"), creator = 0;
  EXPECT_EQ(findfile(PName("Tool alias"), leaf, &volume, &found, &type, &creator), 1) << "'APPL' takes an alias";
  type = 0;
  creator = fourcc("****");
  EXPECT_EQ(findfile(PName("Odd"), leaf, &volume, &found, &type, &creator), 1) << "'****' takes any file";
  EXPECT_EQ(type, fourcc("ZZZZ"));

  // Refused everywhere: the user is asked, and cancels.
  queueanswer(Answer{"answer file", "", {}});
  type = fourcc("TEXT");
  creator = 0;
  EXPECT_EQ(findfile(PName("Odd"), leaf, &volume, &found, &type, &creator), 0);
  EXPECT_EQ(answerspending(), 0u);
}

TEST_F(FileLocationTest, AnAbsolutePathWithAMissingLeafAsksAtOnceWithTheWholePath) {
  u32 there = folder("there"), listed = folder("listed");
  file(listed, "Gone", 0, 0);
  addir(kBootVolume, listed);
  file(there, "Other", 0, 0);
  queueanswer(Answer{"answer file", home->path() + "/there/Other", {}});
  Str255 leaf;
  i16 volume;
  u32 found = 0;
  OSType type = 0, creator = 0;
  std::string asked = home->path() + "/there/Gone";
  ASSERT_EQ(findfile(PName(asked), leaf, &volume, &found, &type, &creator), 1);
  EXPECT_EQ(found, there) << "the listed folder that holds a Gone is not searched";
  EXPECT_EQ(str(leaf), "Other") << "the chosen file's own name comes back";

  // With nobody to answer, the dialog is cancelled.
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(findfile(PName(asked), leaf, &volume, &found, &type, &creator), 0);
}

TEST_F(FileLocationTest, PackagesAreFoldersNamedDotAppOnly) {
  folder("Tool.app");
  folder("Tool.APP");
  file(homedir, "File.app", 0, 0);
  u32 id = 0;
  EXPECT_EQ(FSpIsPackage(kBootVolume, homedir, PName("Tool.app"), &id), 1);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(FSpIsPackage(kBootVolume, homedir, PName("Tool.APP"), &id), 0) << "the suffix is case-sensitive";
  EXPECT_EQ(FSpIsPackage(kBootVolume, homedir, PName("File.app"), &id), 0) << "a file is never a package";
  mainglobals().runningosx = 0;
  EXPECT_EQ(FSpIsPackage(kBootVolume, homedir, PName("Tool.app"), &id), 0);
}

TEST_F(FileLocationTest, SmallTestsAndLongPaths) {
  folder("dir");
  file(homedir, "f", 0, 0);
  EXPECT_EQ(isfile(PName("f"), kBootVolume, homedir), 1);
  EXPECT_EQ(isfile(PName("dir"), kBootVolume, homedir), 0);
  EXPECT_EQ(isfolder(PName("dir"), kBootVolume, homedir), 1);
  EXPECT_EQ(isfolder(PName("nothing"), kBootVolume, homedir), 0);
  u32 dir = 0;
  i16 volume = 0;
  EXPECT_EQ(dirthere(PName(home->path() + "/dir"), &dir, &volume), 1);
  EXPECT_EQ(dirthere(PName(home->path() + "/f"), &dir, &volume), 0) << "a file is no folder";
  EXPECT_EQ(dirthere(PName("dir"), &dir, &volume), 0) << "only absolute paths";

  Handle h = nilhandle;
  i32 n = 0;
  ASSERT_EQ(getlongpath(PName("not yet"), kBootVolume, homedir, &h, &n), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(h)), size_t(n)), home->path() + "/not yet");
  DisposeHandle(h);
  EXPECT_EQ(getlongpath(PName("x"), kBootVolume, 99999, &h, &n), 227);
}

TEST_F(FileLocationTest, ClosingTwoFilesOfOneFolderReleasesItAfterTheSecond) {
  u32 dir = folder("pair");
  file(dir, "a", 0, 0);
  file(dir, "b", 0, 0);
  addir(kBootVolume, dir);
  addir(kBootVolume, dir);
  FileRef ra, rb;
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("a"), fsRdPerm, &ra), noErr);
  ASSERT_EQ(HOpen(kBootVolume, dir, PName("b"), fsRdPerm, &rb), noErr);
  EXPECT_EQ(fsclose(ra), noErr);
  ASSERT_EQ(HandleCount<dirlistentry>(mainglobals().dirlist), 1);
  EXPECT_EQ(HandleAs<dirlistentry>(mainglobals().dirlist)[0].uses, 1u);
  EXPECT_EQ(fsclose(rb), noErr);
  EXPECT_EQ(HandleCount<dirlistentry>(mainglobals().dirlist), 0);
  EXPECT_EQ(fsclose(rb), rfNumErr);
}

}  // namespace
}  // namespace kv
