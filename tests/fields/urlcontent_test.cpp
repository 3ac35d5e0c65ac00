// Content named by file or URL names: typing by suffix, whole files from the search folders,
// picture files after their header, documents fetched by URL (a file URL and a loopback HTTP
// server of the test's own), the small string helpers, and the environment's name.
#include "fields/urlcontent.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fields/environment.h"
#include "platform/memory/memory.h"
#include "platform/net/tcp.h"
#include "platform/prefs/bundle.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/settings.h"
#include "core/memoryguard.h"
#include "tests/support/homefolder.h"

namespace kv {
namespace {

std::vector<u8> bytesof(std::string_view s) { return std::vector<u8>(s.begin(), s.end()); }

std::string textof(Handle h) {
  return h == nilhandle ? std::string()
                        : std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
}

TEST(URLContentType, TheSuffixAfterTheLastDotGivesTheType) {
  struct Row {
    std::string_view name, suffix;
    u16 type;
  };
  const Row rows[] = {{"a.b.JPG", "JPG", urljpeg}, {"noextension", "", urlother},  {"ends.", "", urlother},
                      {"x.RTFD", "RTFD", urlrtfd}, {"x.Utxt", "Utxt", urlunicode}, {"x.pct", "pct", urlpicture},
                      {"x.txt", "txt", urltext},   {"x.rtf", "rtf", urlrtf},       {"x.rtfx", "rtfx", urlother}};
  for (const Row& r : rows) {
    Str255 suffix;
    typefromurl(PName(r.name), suffix);
    EXPECT_EQ(pstringview(suffix), r.suffix) << r.name;
    urltransfer t{};
    t.pictureflag = 1;
    EXPECT_EQ(url_set_type(&t, suffix), 0);
    EXPECT_EQ(t.contenttype, r.type) << r.name;
    EXPECT_EQ(t.pictureflag, r.type == urlpicture ? 0 : 1);
  }
}

TEST(URLContentHelpers, BytesAreFoundAndReplacedWithinTheirCount) {
  const u8 text[] = {'a', 'b', 'c', 'b'};
  EXPECT_EQ(strnchr(text, 'b', 4), text + 1);
  EXPECT_EQ(strnchr(text, 'c', 2), nullptr);
  EXPECT_EQ(strnchr(text, 'a', 0), nullptr);
  u8 copy[4];
  std::memcpy(copy, text, 4);
  myreplacechar(copy, 3, 'b', 'x');
  EXPECT_EQ(std::string(copy, copy + 4), "axcb");
}

TEST(URLContentHelpers, TheRunningTotalCountsTheBlocksGiven) {
  urltransfer t{};
  const u8 block[8] = {};
  url_set_buf(&t, block, 8);
  url_set_buf(&t, block, 5);
  EXPECT_EQ(t.total, 13u);
  url_set_buf(&t, nullptr, 0);
  EXPECT_EQ(t.total, 0u);
}

class URLContentTest : public HomeFolderTest {
 protected:
  // The file can be opened for writing: nothing holds it open.
  void expectclosed(u32 folder, std::string_view name) {
    FileRef ref = nilid;
    EXPECT_EQ(HOpen(kBootVolume, folder, PName(name), fsWrPerm, &ref), noErr) << name << " is still open";
    FSClose(ref);
  }
  u32 folder(std::string_view name) {
    u32 id = 0;
    EXPECT_EQ(DirCreate(kBootVolume, dir, PName(name), &id), noErr);
    return id;
  }
  i16 readtext(std::string_view name, u16* type, std::string* text, u32 where = 0) {
    Handle h = nilhandle;
    i16 st = getextdata(PName(name), kBootVolume, where == 0 ? dir : where, type, &h);
    *text = textof(h);
    if (h != nilhandle) DisposeHandle(h);
    return st;
  }
};

TEST_F(URLContentTest, FullPathsAreCutAt255Bytes) {
  // Folders nested until the folder's path (with its final "/") is 200 bytes long.
  std::string path = home->path() + "/";
  u32 at = dir;
  while (path.size() < 200) {
    std::size_t left = 200 - path.size();
    std::string name(left > 40 ? 30 : left - 1, 'd');
    u32 inner = 0;
    ASSERT_EQ(DirCreate(kBootVolume, at, PName(name), &inner), noErr);
    at = inner;
    path += name + "/";
  }
  ASSERT_EQ(path.size(), 200u);
  FSSpec spec{kBootVolume, at, {}};
  setpstring(spec.name, std::string(63, 'n'));
  Str255 full;
  fullpathfromfspec(spec, full);
  EXPECT_EQ(full[0], 255);
  EXPECT_EQ(pstringview(full), path + std::string(55, 'n'));
}

TEST_F(URLContentTest, FilesAreReadFromTheFirstFolderThatHasThem) {
  u32 written = folder("written");
  mainglobals().documentsfolder = written;
  writefile(written, "a.txt", bytesof("from the written files"), 0);
  writefile(dir, "a.txt", bytesof("from the caller's folder"), 0);
  writefile(dir, "b.txt", bytesof("only here"), 0);
  u16 type = urltext;
  std::string text;
  EXPECT_EQ(readtext("a.txt", &type, &text), 0);
  EXPECT_EQ(text, "from the written files");
  EXPECT_EQ(readtext("b.txt", &type, &text), 0);
  EXPECT_EQ(text, "only here");
  expectclosed(dir, "b.txt");

  u32 app = folder("app");
  mainglobals().appfolder = app;
  writefile(app, "c.txt", bytesof("in the program's folder"), 0);
  EXPECT_EQ(readtext("c.txt", &type, &text), 0);
  EXPECT_EQ(text, "in the program's folder");
  EXPECT_EQ(readtext("none.txt", &type, &text), 183);
  folder("sub.txt");
  EXPECT_EQ(readtext("sub.txt", &type, &text), 183) << "a folder";
}

TEST_F(URLContentTest, TheFilesTypeRefinesTheContentType) {
  struct Row {
    OSType filetype;
    u16 given, read;
  };
  const Row rows[] = {{fourcc("RTF "), urltext, urlrtf},
                      {fourcc("utxt"), urlother, urlunicode},
                      {fourcc("TEXT"), urlother, urltext},
                      {0, urlrtfd, urlrtfd}};
  for (const Row& r : rows) {
    writefile(dir, "n.txt", bytesof("x"), r.filetype);
    u16 type = r.given;
    std::string text;
    EXPECT_EQ(readtext("n.txt", &type, &text), 0);
    EXPECT_EQ(type, r.read);
    ASSERT_EQ(HDelete(kBootVolume, dir, PName("n.txt")), noErr);
  }
}

TEST_F(URLContentTest, EmptyLargeAndRefusedFiles) {
  writefile(dir, "empty", {}, 0);
  u16 type = urlother;
  std::string text;
  EXPECT_EQ(readtext("empty", &type, &text), 163);
  expectclosed(dir, "empty");

  std::vector<u8> big(30000000, 'z');
  big[19999999] = 'e';
  writefile(dir, "big", big, 0);
  ASSERT_EQ(readtext("big", &type, &text), 0);
  EXPECT_EQ(text.size(), 20000000u);
  EXPECT_EQ(text.back(), 'e');

  setmemoryguardrefusal(true);
  EXPECT_EQ(readtext("big", &type, &text), 37);
  setmemoryguardrefusal(false);
  expectclosed(dir, "big");
}

TEST_F(URLContentTest, PictureFilesAreReadAfterTheirHeader) {
  std::vector<u8> file(1000);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = u8(i);
  writefile(dir, "p", file, fourcc("PICT"));
  writefile(dir, "header only", std::vector<u8>(512), fourcc("PICT"));
  writefile(dir, "text", file, fourcc("TEXT"));
  u16 kind = 0;
  Handle h = nilhandle;
  ASSERT_EQ(getimage(PName("p"), kBootVolume, dir, &kind, &h), 0);
  EXPECT_EQ(kind, urlpicture);
  EXPECT_EQ(textof(h), std::string(file.begin() + 512, file.end()));
  DisposeHandle(h);
  EXPECT_EQ(getimage(PName("header only"), kBootVolume, dir, &kind, &h), 123);
  EXPECT_EQ(getimage(PName("text"), kBootVolume, dir, &kind, &h), 123);
  EXPECT_EQ(getimage(PName("missing"), kBootVolume, dir, &kind, &h), 183);
  EXPECT_EQ(h, nilhandle);
  // The home folder is the picture files' last place.
  u32 elsewhere = folder("elsewhere");
  mainglobals().homefolder = dir;
  ASSERT_EQ(getimage(PName("p"), kBootVolume, elsewhere, &kind, &h), 0);
  DisposeHandle(h);
  expectclosed(dir, "p");
}

TEST_F(URLContentTest, FileURLsAreFetched) {
  writefile(dir, "doc.txt", bytesof("fetched"), 0);
  u16 type = urlother;
  std::string text;
  EXPECT_EQ(readtext("file://" + home->path() + "/doc.txt", &type, &text), 0);
  EXPECT_EQ(text, "fetched");
  EXPECT_EQ(type, urltext);
  EXPECT_EQ(readtext("file://" + home->path() + "/none.txt", &type, &text), 183);
  EXPECT_EQ(readtext("gopher://localhost/x", &type, &text), 183);

  std::vector<u8> pict(600, 7);
  writefile(dir, "p.pict", pict, 0);
  writefile(dir, "p.png", pict, 0);
  u16 kind = 0;
  Handle h = nilhandle;
  ASSERT_EQ(getimage(PName("file://" + home->path() + "/p.pict"), kBootVolume, dir, &kind, &h), 0);
  EXPECT_EQ(GetHandleSize(h), 88);
  DisposeHandle(h);
  EXPECT_EQ(getimage(PName("file://" + home->path() + "/p.png"), kBootVolume, dir, &kind, &h), 123);
}

// One HTTP exchange: the request is read to its blank line and answered with an RTF document.
void servertf(int socket, void* context) {
  std::string request;
  while (request.size() < 4 || request.compare(request.size() - 4, 4, "\r\n\r\n") != 0) {
    int c = TcpTestPeer::readbyte(socket);
    if (c < 0) return;
    request += char(c);
  }
  *static_cast<std::string*>(context) = request.substr(0, request.find("\r\n"));
  std::string body = "{\\rtf1 served}";
  std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/rtf; charset=us-ascii\r\nContent-Length: " +
                      std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  TcpTestPeer::writeall(socket, reply.data(), reply.size());
}

// The proxy settings of the environment are put aside while it lives: a loopback server of the
// test is reached directly on any machine.
class NoProxies {
 public:
  NoProxies() {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (const char* v = std::getenv(kNames[i])) saved_[i] = v;
      ::unsetenv(kNames[i]);
    }
  }
  ~NoProxies() {
    for (std::size_t i = 0; i < std::size(kNames); ++i)
      if (saved_[i]) ::setenv(kNames[i], saved_[i]->c_str(), 1);
  }
  NoProxies(const NoProxies&) = delete;
  NoProxies& operator=(const NoProxies&) = delete;

 private:
  static constexpr const char* kNames[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                           "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
  std::optional<std::string> saved_[std::size(kNames)];
};

TEST_F(URLContentTest, HTTPDocumentsAreFetchedAndTypedByTheirMIMEType) {
  NoProxies direct;
  std::string requestline;
  TcpTestPeer server(servertf, &requestline);
  ASSERT_NE(server.port(), 0);
  u16 type = urlother;
  std::string text;
  std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/a doc.txt";
  EXPECT_EQ(readtext(url, &type, &text), 0);
  server.join();
  EXPECT_EQ(requestline, "GET /a%20doc.txt HTTP/1.1");
  EXPECT_EQ(text, "{\\rtf1 served}");
  EXPECT_EQ(type, urlrtf);
}

TEST_F(URLContentTest, TheEnvironmentNamesAStandalone) {
  setapplicationfolder(home->path());
  ASSERT_EQ(loadsettings(), 0);
  Str255 name;
  getenvironment(name);
  EXPECT_EQ(pstringview(name), "Kestrove");
  std::ofstream(home->path() + "/Info") << "IsKestroveStandalone = Yes\n";
  ASSERT_EQ(loadsettings(), 0);
  getenvironment(name);
  EXPECT_EQ(pstringview(name), "Standalone Application");
  setapplicationfolder("");
}

}  // namespace
}  // namespace kv
