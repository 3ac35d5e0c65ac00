#include "platform/files/files.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/macroman.h"

namespace kv {
namespace {

constexpr const char* kFinfoAttribute = "user.kestrove.finfo";
constexpr const char* kHideExtensionAttribute = "user.kestrove.hideext";
constexpr u32 kFirstFolderId = 16;

struct OpenFile {
  int fd = -1;
  std::string path;
  bool writable = false;
  i64 mark = 0;
};

int removeone(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// A locked folder (no write permission) gets its owner's write and search back, so that what
// it holds can go; links are not followed.
int unlockone(const char* path, const struct stat* st, int kind, struct FTW*) {
  if (kind == FTW_D || kind == FTW_DNR) ::chmod(path, (st->st_mode & 07777) | S_IRWXU);
  return 0;
}

// Removes a folder and everything in it (locked items too), without following links.
bool removetree(const std::string& folder) {
  ::nftw(folder.c_str(), unlockone, 16, FTW_PHYS);
  return ::nftw(folder.c_str(), removeone, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

struct FilesState {
  Registry<OpenFile, RegType::file> files;
  std::vector<std::string> folders;  // folder id kFirstFolderId + i
  std::map<std::string, u32> folderids;
  std::function<void(const FileWriteEvent&)> writehook;
  std::size_t failwriteafter = 0;
  bool syncs = true;
  bool finfoattributes = true;
  std::optional<u64> freespace;
  std::vector<std::string> scratch;    // scratch folders still there
  std::vector<std::string> tempfiles;  // files TempFileCreate made
  std::map<i16, std::string> volumes;  // announced volumes, by reference number
  std::set<i16> mounted;               // those of them mounted now

  FilesState() = default;
  FilesState(const FilesState&) = delete;
  FilesState& operator=(const FilesState&) = delete;
  ~FilesState() {
    files.each([](RegistryId, OpenFile& f) {
      if (f.fd >= 0) ::close(f.fd);
    });
    for (const std::string& folder : scratch) removetree(folder);
    for (const std::string& file : tempfiles) ::unlink(file.c_str());
  }
};

FilesState& fs() { return state<FilesState>(); }

// At the end of the process the temporary files of the run go too (the runtime's state is not
// torn down by exit).
void removetempfiles() {
  if (!hasstate<FilesState>()) return;
  for (const std::string& file : fs().tempfiles) ::unlink(file.c_str());
  fs().tempfiles.clear();
}

std::once_flag removeatexit;

OpenFile* openfile(FileRef ref) { return fs().files.get(ref); }

// The result code of a failed call, for a file at `path` (used to tell a missing file from a
// missing folder).
OSErr oserr(int e, const std::string& path = {}) {
  switch (e) {
    case ENOENT: {
      std::size_t slash = path.find_last_of('/');
      if (slash == std::string::npos || slash == 0) return fnfErr;
      struct stat st;
      std::string parent = path.substr(0, slash);
      return (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? OSErr(fnfErr) : OSErr(dirNFErr);
    }
    case ENOTDIR: return dirNFErr;
    case EEXIST: return dupFNErr;
    case EACCES:
    case EPERM: return permErr;
    case EROFS: return wPrErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return dskFulErr;
    case ENAMETOOLONG: return bdNamErr;
    case EISDIR: return notAFileErr;
    case EMFILE:
    case ENFILE: return tmfoErr;
    case EBUSY:
    case ETXTBSY: return fBsyErr;
    case EBADF: return rfNumErr;
    case EINVAL: return paramErr;
    default: return ioErr;
  }
}

// The UTF-8 path of a file named by volume, folder and Mac Roman name.
OSErr resolve(i16 vRefNum, u32 dirID, ConstStringPtr name, std::string* path) {
  if (vRefNum != 0 && vRefNum != kBootVolume) return nsvErr;
  if (name == nullptr || name[0] == 0) return bdNamErr;
  std::string utf8 = macromantofilename(std::string_view(reinterpret_cast<const char*>(name + 1), name[0]));
  if (utf8.find('\0') != std::string::npos) return bdNamErr;
  if (utf8[0] == '/' || dirID == 0) {
    *path = utf8;
  } else if (dirID == fsRtDirID) {
    *path = "/" + utf8;
  } else {
    FilesState& f = fs();
    if (dirID < kFirstFolderId || dirID - kFirstFolderId >= f.folders.size()) return dirNFErr;
    *path = f.folders[dirID - kFirstFolderId] + "/" + utf8;
  }
  return noErr;
}

// Every write and length change passes here first: the injected failure, then the hook.
OSErr beforewrite(const OpenFile& f, i64 position, const void* data, i64 count) {
  FilesState& s = fs();
  if (s.failwriteafter > 0 && --s.failwriteafter == 0) return dskFulErr;
  if (s.writehook) s.writehook(FileWriteEvent{f.path, position, static_cast<const u8*>(data), count});
  return noErr;
}

OSErr preadall(const OpenFile& f, i64 position, void* buffer, i64 count, i64* done) {
  *done = 0;
  u8* p = static_cast<u8*>(buffer);
  while (*done < count) {
    ssize_t n = ::pread(f.fd, p + *done, std::size_t(count - *done), off_t(position + *done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return oserr(errno);
    }
    if (n == 0) return eofErr;
    *done += n;
  }
  return noErr;
}

OSErr pwriteall(const OpenFile& f, i64 position, const void* buffer, i64 count, i64* done) {
  *done = 0;
  if (!f.writable) return wrPermErr;
  if (position < 0 || count < 0) return posErr;
  if (OSErr e = beforewrite(f, position, buffer, count)) return e;
  const u8* p = static_cast<const u8*>(buffer);
  while (*done < count) {
    ssize_t n = ::pwrite(f.fd, p + *done, std::size_t(count - *done), off_t(position + *done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return oserr(errno);
    }
    *done += n;
  }
  return noErr;
}

// The path and status of a file named by volume, folder and name; notAFileErr for anything
// but a regular file.
OSErr regularfile(i16 vRefNum, u32 dirID, ConstStringPtr name, std::string* path, struct stat* st) {
  if (OSErr e = resolve(vRefNum, dirID, name, path)) return e;
  if (::stat(path->c_str(), st) != 0) return oserr(errno, *path);
  return S_ISREG(st->st_mode) ? OSErr(noErr) : OSErr(notAFileErr);
}

// A file without any write permission bit is locked.
bool lockedmode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

bool endswithproject(const std::string& path) {
  if (path.size() < 5) return false;
  std::string ext = path.substr(path.size() - 5);
  for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  return ext == ".kv45";
}

bool noattributes(int e) { return e == ENOTSUP || e == ENODATA; }

}  // namespace

// --- Folders -------------------------------------------------------------------------------

OSErr folderidofpath(std::string_view macromanpath, u32* dirID) {
  std::string utf8 = macromantofilename(macromanpath);
  if (utf8.empty() || utf8.find('\0') != std::string::npos) return bdNamErr;
  char* real = ::realpath(utf8.c_str(), nullptr);
  if (real == nullptr) return errno == ENOENT ? OSErr(dirNFErr) : oserr(errno);
  std::string path(real);
  std::free(real);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return dirNFErr;
  if (path == "/") {
    *dirID = fsRtDirID;
    return noErr;
  }
  FilesState& f = fs();
  auto it = f.folderids.find(path);
  if (it != f.folderids.end()) {
    *dirID = it->second;
    return noErr;
  }
  u32 id = kFirstFolderId + u32(f.folders.size());
  f.folders.push_back(path);
  f.folderids.emplace(path, id);
  *dirID = id;
  return noErr;
}

OSErr pathoffolder(u32 dirID, std::string* macromanpath) {
  FilesState& f = fs();
  if (dirID == fsRtDirID) {
    macromanpath->assign(1, '/');
    return noErr;
  }
  if (dirID < kFirstFolderId || dirID - kFirstFolderId >= f.folders.size()) return dirNFErr;
  *macromanpath = filenametomacroman(f.folders[dirID - kFirstFolderId]);
  return noErr;
}

OSErr DirCreate(i16 vRefNum, u32 parentDirID, ConstStringPtr name, u32* createdDirID) {
  std::string path;
  if (OSErr e = resolve(vRefNum, parentDirID, name, &path)) return e;
  if (::mkdir(path.c_str(), 0777) != 0) return oserr(errno, path);
  return folderidofpath(filenametomacroman(path), createdDirID);
}

OSErr ScratchFolderCreate(u32* dirID) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/kestrove-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return oserr(errno, pattern);
  if (OSErr e = folderidofpath(filenametomacroman(pattern), dirID)) {
    ::rmdir(pattern.c_str());
    return e;
  }
  // Kept as the folder table has it (the real path).
  FilesState& f = fs();
  f.scratch.push_back(f.folders[*dirID - kFirstFolderId]);
  return noErr;
}

OSErr ScratchFolderRemove(u32 dirID) {
  FilesState& f = fs();
  if (dirID < kFirstFolderId || dirID - kFirstFolderId >= f.folders.size()) return dirNFErr;
  const std::string& folder = f.folders[dirID - kFirstFolderId];
  auto it = std::find(f.scratch.begin(), f.scratch.end(), folder);
  if (it == f.scratch.end()) return dirNFErr;
  if (!removetree(folder)) return oserr(errno, folder);
  f.scratch.erase(it);
  return noErr;
}

OSErr TempFileCreate(i16 vRefNum, u32 dirID, std::string_view macromanprefix, OSType creator, OSType fileType,
                     StringPtr name) {
  Str255 prefix{};
  prefix[0] = u8(std::min<std::size_t>(macromanprefix.size(), 40));
  std::copy_n(macromanprefix.data(), prefix[0], prefix + 1);
  std::string folder;
  if (OSErr e = resolve(vRefNum, dirID, prefix, &folder)) return e;
  std::string pattern = folder + "-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return oserr(errno, pattern);
  ::close(fd);
  std::call_once(removeatexit, [] { std::atexit(removetempfiles); });
  fs().tempfiles.push_back(pattern);
  const std::string leaf = filenametomacroman(pattern.substr(pattern.find_last_of('/') + 1));
  name[0] = u8(std::min<std::size_t>(leaf.size(), 63));
  std::copy_n(leaf.data(), name[0], name + 1);
  FInfo info{fileType, creator, 0, {0, 0}, 0};
  return HSetFInfo(vRefNum, dirID, name, &info);
}

OSErr FolderWritable(i16 vRefNum, u32 dirID, bool* writable) {
  *writable = false;
  const u8 dot[] = {1, '.'};
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, dot, &path)) return e;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return oserr(errno, path);
  if (!S_ISDIR(st.st_mode)) return dirNFErr;
  struct statvfs vfs;
  if (::statvfs(path.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) return noErr;
  const uid_t uid = ::geteuid();
  mode_t bit = S_IWOTH;
  if (uid == 0 || uid == st.st_uid) bit = S_IWUSR;
  else if (::getegid() == st.st_gid) bit = S_IWGRP;
  *writable = (st.st_mode & bit) != 0;
  return noErr;
}

bool standardfolder(StandardFolder which, std::string* path) {
  std::string p;
  if (which == StandardFolder::temporary) {
    const char* t = std::getenv("TMPDIR");
    p = t && *t == '/' ? t : "/tmp";
  } else {
    const char* home = std::getenv("HOME");
    if (!home || *home != '/') return false;
    p = home;
    if (which == StandardFolder::desktop) p += "/Desktop";
    if (which == StandardFolder::documents) p += "/Documents";
  }
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  *path = p;
  return true;
}

void notevolume(i16 vRefNum, std::string_view macromanname, bool mounted) {
  // An unmounted volume keeps its name: its unmount may be handled after it has gone.
  if (vRefNum == kBootVolume) return;
  if (!mounted) {
    fs().mounted.erase(vRefNum);
    return;
  }
  fs().volumes[vRefNum] = std::string(macromanname.substr(0, 255));
  fs().mounted.insert(vRefNum);
}

OSErr volumebyname(std::string_view macromanname, i16* vRefNum) {
  if (macromanname.empty() || macromanname == "/") {
    *vRefNum = kBootVolume;
    return noErr;
  }
  for (i16 v : fs().mounted) {
    const std::string& name = fs().volumes[v];
    if (name.size() == macromanname.size() &&
        equalnocase(reinterpret_cast<const u8*>(name.data()), reinterpret_cast<const u8*>(macromanname.data()),
                    name.size())) {
      *vRefNum = v;
      return noErr;
    }
  }
  return nsvErr;
}

OSErr volumename(i16 vRefNum, std::string* macromanname) {
  if (vRefNum == kBootVolume || vRefNum == 0) {
    macromanname->assign(1, '/');
    return noErr;
  }
  auto it = fs().volumes.find(vRefNum);
  if (it == fs().volumes.end()) return nsvErr;
  *macromanname = it->second;
  return noErr;
}

OSErr volumefreebytes(i16 vRefNum, u32 dirID, u64* bytes) {
  if (vRefNum != 0 && vRefNum != kBootVolume) return nsvErr;
  FilesState& f = fs();
  if (f.freespace) {
    *bytes = *f.freespace;
    return noErr;
  }
  std::string path = ".";
  if (dirID == fsRtDirID) {
    path = "/";
  } else if (dirID != 0) {
    if (dirID < kFirstFolderId || dirID - kFirstFolderId >= f.folders.size()) return dirNFErr;
    path = f.folders[dirID - kFirstFolderId];
  }
  struct statvfs sv;
  if (::statvfs(path.c_str(), &sv) != 0) return oserr(errno, path);
  *bytes = u64(sv.f_bavail) * u64(sv.f_frsize);
  return noErr;
}

// --- Files by name -------------------------------------------------------------------------

OSErr HCreate(i16 vRefNum, u32 dirID, ConstStringPtr name, OSType creator, OSType fileType) {
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return oserr(errno, path);
  ::close(fd);
  FInfo info{fileType, creator, 0, {0, 0}, 0};
  return HSetFInfo(vRefNum, dirID, name, &info);
}

OSErr HOpen(i16 vRefNum, u32 dirID, ConstStringPtr name, i8 permission, FileRef* ref) {
  *ref = nilid;
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  if (permission < fsCurPerm || permission > fsRdWrPerm) return paramErr;
  int fd = -1;
  bool writable = permission != fsRdPerm;
  struct stat before;
  if (writable && ::stat(path.c_str(), &before) == 0 && S_ISREG(before.st_mode) && lockedmode(before.st_mode)) {
    // A locked file is read only, also for a user whom the system would let write.
    if (permission != fsCurPerm) return permErr;
    writable = false;
  }
  if (writable) {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && permission == fsCurPerm && (errno == EACCES || errno == EROFS || errno == EPERM)) writable = false;
  }
  if (!writable) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return oserr(errno, path);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return notAFileErr;
  }
  // One writer at a time: the lock goes with this open file and ends when it is closed.
  if (writable && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int e = errno;
    ::close(fd);
    return e == EWOULDBLOCK ? OSErr(opWrErr) : oserr(e);
  }
  auto f = std::make_unique<OpenFile>();
  f->fd = fd;
  f->path = path;
  f->writable = writable;
  *ref = fs().files.add(std::move(f));
  if (*ref == nilid) {
    ::close(fd);
    return tmfoErr;
  }
  return noErr;
}

OSErr HDelete(i16 vRefNum, u32 dirID, ConstStringPtr name) {
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return oserr(errno, path);
  if (S_ISDIR(st.st_mode)) {
    if (::rmdir(path.c_str()) != 0) return errno == ENOTEMPTY || errno == EEXIST ? OSErr(fBsyErr) : oserr(errno, path);
    return noErr;
  }
  if (lockedmode(st.st_mode)) return fLckdErr;
  // A file that someone has open for writing is busy.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    if (busy) return fBsyErr;
  }
  if (::unlink(path.c_str()) != 0) return oserr(errno, path);
  std::erase(fs().tempfiles, path);
  return noErr;
}

OSErr HReplaceFile(i16 vRefNum, u32 dirID, ConstStringPtr from, ConstStringPtr to) {
  std::string source, target;
  if (OSErr e = resolve(vRefNum, dirID, from, &source)) return e;
  if (OSErr e = resolve(vRefNum, dirID, to, &target)) return e;
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return dupFNErr;
    if (lockedmode(st.st_mode)) return fLckdErr;
  }
  if (::rename(source.c_str(), target.c_str()) != 0) return oserr(errno, target);
  return noErr;
}

OSErr DeleteDirectory(i16 vRefNum, u32 dirID, ConstStringPtr name) {
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    OSErr e = oserr(errno, path);
    return e == fnfErr ? OSErr(dirNFErr) : e;
  }
  if (!S_ISDIR(st.st_mode)) return dirNFErr;
  return removetree(path) ? OSErr(noErr) : oserr(errno, path);
}

OSErr HGetFInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, FInfo* info) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  *info = FInfo{0, 0, 0, {0, 0}, 0};
  u8 raw[8];
  if (fs().finfoattributes) {
    ssize_t n = ::getxattr(path.c_str(), kFinfoAttribute, raw, sizeof raw);
    if (n == 8) {
      info->fdType = OSType(raw[0]) << 24 | OSType(raw[1]) << 16 | OSType(raw[2]) << 8 | raw[3];
      info->fdCreator = OSType(raw[4]) << 24 | OSType(raw[5]) << 16 | OSType(raw[6]) << 8 | raw[7];
      return noErr;
    }
    if (n < 0 && !noattributes(errno) && errno != ERANGE) return oserr(errno, path);
  }
  if (endswithproject(path)) {
    info->fdType = kProjectType;
    info->fdCreator = kProjectCreator;
  }
  return noErr;
}

OSErr HSetFInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, const FInfo* info) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  if (!fs().finfoattributes) return noErr;
  u8 raw[8];
  for (int i = 0; i < 4; ++i) {
    raw[i] = u8(info->fdType >> (24 - 8 * i));
    raw[4 + i] = u8(info->fdCreator >> (24 - 8 * i));
  }
  if (::setxattr(path.c_str(), kFinfoAttribute, raw, sizeof raw, 0) != 0) {
    // Without extended attributes the name's extension tells a project from other files.
    if (errno == ENOTSUP) return noErr;
    return oserr(errno, path);
  }
  return noErr;
}

OSErr HSetExtensionHidden(i16 vRefNum, u32 dirID, ConstStringPtr name, bool hidden) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  if (!fs().finfoattributes) return noErr;
  if (!hidden) {
    if (::removexattr(path.c_str(), kHideExtensionAttribute) != 0 && !noattributes(errno)) return oserr(errno, path);
    return noErr;
  }
  const u8 on = 1;
  if (::setxattr(path.c_str(), kHideExtensionAttribute, &on, 1, 0) != 0 && errno != ENOTSUP) return oserr(errno, path);
  return noErr;
}

OSErr HGetExtensionHidden(i16 vRefNum, u32 dirID, ConstStringPtr name, bool* hidden) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  *hidden = false;
  if (!fs().finfoattributes) return noErr;
  u8 value = 0;
  ssize_t n = ::getxattr(path.c_str(), kHideExtensionAttribute, &value, 1);
  if (n < 0 && !noattributes(errno) && errno != ERANGE) return oserr(errno, path);
  *hidden = n == 1 && value == 1;
  return noErr;
}

OSErr HSetFLock(i16 vRefNum, u32 dirID, ConstStringPtr name) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  if (::chmod(path.c_str(), st.st_mode & 07555) != 0) return oserr(errno, path);
  return noErr;
}

OSErr HRstFLock(i16 vRefNum, u32 dirID, ConstStringPtr name) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  if (lockedmode(st.st_mode) && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return oserr(errno, path);
  return noErr;
}

OSErr HGetFLock(i16 vRefNum, u32 dirID, ConstStringPtr name, bool* locked) {
  std::string path;
  struct stat st;
  if (OSErr e = regularfile(vRefNum, dirID, name, &path, &st)) return e;
  *locked = lockedmode(st.st_mode);
  return noErr;
}

// --- Catalogue ------------------------------------------------------------------------------

namespace {
// The folder id and Mac Roman leaf of a UTF-8 path.
OSErr placeofpath(const std::string& path, u32* dirID, std::string* leaf) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return bdNamErr;
  std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  if (OSErr e = folderidofpath(filenametomacroman(folder), dirID)) return e;
  *leaf = filenametomacroman(path.substr(slash + 1));
  return noErr;
}
}  // namespace

OSErr HGetCatInfo(i16 vRefNum, u32 dirID, ConstStringPtr name, CatInfo* info) {
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return oserr(errno, path);
  *info = CatInfo{S_ISDIR(st.st_mode), 0, 0, 0, 0, 0, S_ISREG(st.st_mode) ? i64(st.st_size) : 0};
  std::string leaf;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real != nullptr) {
    std::string canonical(real);
    std::free(real);
    if (canonical != "/" && placeofpath(canonical, &info->parID, &leaf) != noErr) info->parID = 0;
    if (info->folder) folderidofpath(filenametomacroman(canonical), &info->dirID);
  }
  u8 raw[8];
  if (fs().finfoattributes && ::getxattr(path.c_str(), kFinfoAttribute, raw, sizeof raw) == 8) {
    info->type = OSType(raw[0]) << 24 | OSType(raw[1]) << 16 | OSType(raw[2]) << 8 | raw[3];
    info->creator = OSType(raw[4]) << 24 | OSType(raw[5]) << 16 | OSType(raw[6]) << 8 | raw[7];
  } else if (!info->folder && endswithproject(path)) {
    info->type = kProjectType;
    info->creator = kProjectCreator;
  }
  return noErr;
}

OSErr ResolveAliasFile(i16* vRefNum, u32* dirID, StringPtr name, bool* wasAlias) {
  *wasAlias = false;
  std::string path;
  if (OSErr e = resolve(*vRefNum, *dirID, name, &path)) return e;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return oserr(errno, path);
  if (!S_ISLNK(st.st_mode)) return noErr;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return fnfErr;
  std::string target(real);
  std::free(real);
  u32 folder = 0;
  std::string leaf;
  if (target == "/") return paramErr;
  if (OSErr e = placeofpath(target, &folder, &leaf)) return e;
  if (leaf.size() > 255) return bdNamErr;
  *vRefNum = kBootVolume;
  *dirID = folder;
  name[0] = u8(leaf.size());
  std::copy(leaf.begin(), leaf.end(), name + 1);
  *wasAlias = true;
  return noErr;
}

OSErr fullpathof(i16 vRefNum, u32 dirID, ConstStringPtr name, std::string* macromanpath) {
  std::string path;
  if (OSErr e = resolve(vRefNum, dirID, name, &path)) return e;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    *macromanpath = filenametomacroman(real);
    std::free(real);
    return noErr;
  }
  std::size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string(".")
                       : slash == 0               ? std::string("/")
                                                  : path.substr(0, slash);
  char* real = ::realpath(folder.c_str(), nullptr);
  if (real == nullptr) return dirNFErr;
  std::string out(real);
  std::free(real);
  if (out != "/") out += '/';
  out += slash == std::string::npos ? path : path.substr(slash + 1);
  *macromanpath = filenametomacroman(out);
  return noErr;
}

OSErr GetFileLocation(FileRef ref, i16* vRefNum, u32* parID, StringPtr name) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  std::string path = f->path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  std::string leaf;
  if (OSErr e = placeofpath(path, parID, &leaf)) return e;
  *vRefNum = kBootVolume;
  name[0] = u8(std::min<std::size_t>(leaf.size(), 255));
  std::copy_n(leaf.begin(), name[0], name + 1);
  return noErr;
}

bool HIsOpenFile(i16 vRefNum, u32 dirID, ConstStringPtr name, FileRef ref) {
  OpenFile* f = openfile(ref);
  std::string path;
  if (f == nullptr || resolve(vRefNum, dirID, name, &path) != noErr) return false;
  struct stat named, open;
  return ::stat(path.c_str(), &named) == 0 && ::fstat(f->fd, &open) == 0 && named.st_dev == open.st_dev &&
         named.st_ino == open.st_ino;
}

OSErr FileIdentity(FileRef ref, u64* device, u64* inode) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) return oserr(errno);
  *device = u64(st.st_dev);
  *inode = u64(st.st_ino);
  return noErr;
}

// --- Open files ----------------------------------------------------------------------------

OSErr FSRead(FileRef ref, i64* count, void* buffer) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  if (*count < 0) return paramErr;
  i64 done;
  OSErr e = preadall(*f, f->mark, buffer, *count, &done);
  f->mark += done;
  *count = done;
  return e;
}

OSErr FSWrite(FileRef ref, i64* count, const void* buffer) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  if (*count < 0) return paramErr;
  i64 done;
  OSErr e = pwriteall(*f, f->mark, buffer, *count, &done);
  f->mark += done;
  *count = done;
  return e;
}

OSErr SetFPos(FileRef ref, u16 mode, i64 offset) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  i64 length;
  if (OSErr e = GetEOF(ref, &length)) return e;
  i64 to;
  switch (mode) {
    case fsAtMark: return noErr;
    case fsFromStart: to = offset; break;
    case fsFromLEOF: to = length + offset; break;
    case fsFromMark: to = f->mark + offset; break;
    default: return paramErr;
  }
  if (to < 0) return posErr;
  if (to > length) {
    f->mark = length;
    return eofErr;
  }
  f->mark = to;
  return noErr;
}

OSErr GetFPos(FileRef ref, i64* position) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  *position = f->mark;
  return noErr;
}

OSErr GetEOF(FileRef ref, i64* length) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) return oserr(errno);
  *length = i64(st.st_size);
  return noErr;
}

OSErr SetEOF(FileRef ref, i64 length) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  if (!f->writable) return wrPermErr;
  if (length < 0) return posErr;
  if (OSErr e = beforewrite(*f, 0, nullptr, length)) return e;
  if (::ftruncate(f->fd, off_t(length)) != 0) return oserr(errno);
  if (f->mark > length) f->mark = length;
  return noErr;
}

OSErr FlushFile(FileRef ref) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  if (!f->writable) return noErr;
  if (fs().syncs && ::fdatasync(f->fd) != 0 && errno != EINVAL) return oserr(errno);
  if (fs().writehook) fs().writehook(FileWriteEvent{f->path, 0, nullptr, 0, true});
  return noErr;
}

OSErr FSClose(FileRef ref) {
  std::unique_ptr<OpenFile> f = fs().files.remove(ref);
  if (!f) return rfNumErr;
  if (::close(f->fd) != 0 && errno != EINTR) return ioErr;
  return noErr;
}

OSErr readat(FileRef ref, i64 position, void* buffer, i64 count) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  if (position < 0 || count < 0) return posErr;
  i64 done;
  OSErr e = preadall(*f, position, buffer, count, &done);
  f->mark = position + done;
  return e;
}

OSErr writeat(FileRef ref, i64 position, const void* buffer, i64 count) {
  OpenFile* f = openfile(ref);
  if (f == nullptr) return rfNumErr;
  i64 done;
  OSErr e = pwriteall(*f, position, buffer, count, &done);
  f->mark = position + done;
  return e;
}

// --- Test controls -------------------------------------------------------------------------

void setfilewritehook(std::function<void(const FileWriteEvent&)> hook) { fs().writehook = std::move(hook); }
void failfilewriteafter(std::size_t n) { fs().failwriteafter = n; }
void setfilesyncs(bool on) { fs().syncs = on; }
bool filesyncs() { return fs().syncs; }

int replacefilewhole(const std::string& path, const void* data, std::size_t size, unsigned mode) {
  const std::string temp = path + ".kvnew";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode_t(mode));
  if (fd < 0) return errno;
  const auto* p = static_cast<const u8*>(data);
  int err = 0;
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    p += n;
    size -= std::size_t(n);
  }
  if (err == 0 && filesyncs() && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) ::unlink(temp.c_str());
  return err;
}
void setfinfoattributes(bool on) { fs().finfoattributes = on; }
void setfreespacemodel(std::optional<u64> bytes) { fs().freespace = bytes; }

}  // namespace kv
