// Applications of the desktop and starting programs: the installed applications are the
// desktop entries (".desktop" files of type Application) of the standard folders
// ($XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS); a program is started with its
// documents through fork and exec, detached from this one. A document is opened with its own
// application: the default one of its type ("mimeapps.list"), else the first entry that lists
// the type; a document's type comes from its name through the shared MIME database's patterns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace kv {

constexpr OSErr kLSApplicationNotFoundErr = -10814;
constexpr OSErr kLSLaunchFailedErr = -10810;

// The UTF-8 paths of the installed applications' desktop entries (an entry of one name in an
// earlier folder hides those of later folders).
std::vector<std::string> installedapplications();

// What a desktop entry says.
struct DesktopEntry {
  std::string type;  // "Application", ...
  std::string name;
  std::string exec;
  std::string version;  // "X-AppVersion", a version text such as "3.1b2"
  std::vector<std::string> mimetypes;
  bool hidden = false;
};
bool readdesktopentry(const std::string& path, DesktopEntry* out);

// "Application" for a desktop entry of that type or an executable file, "Folder" for a
// folder, "Document" for any other file; empty when nothing is there.
std::string itemkind(const std::string& path);

// Starts a program: an application's desktop entry (its command with the documents in place of
// its field codes) or an executable file (the documents as its arguments). noErr, or
// kLSLaunchFailedErr when the program could not be started.
OSErr launchapplication(const std::string& application, const std::vector<std::string>& documents);
// Opens documents, each with its own application: noErr, kLSApplicationNotFoundErr when a
// document has none, or kLSLaunchFailedErr.
OSErr opendocuments(const std::vector<std::string>& documents);

// The MIME type of a file name from the shared MIME database's patterns ("*.ext"), empty when
// none matches.
std::string mimetypeof(const std::string& path);
// The desktop entry that opens documents of a MIME type: the default of the mimeapps.list
// files, else the first installed entry that lists the type; empty when none does.
std::string applicationfor(const std::string& mimetype);
// Test control: while set, launchapplication hands the application and its documents to the
// recorder (which answers the status) instead of starting anything. An empty one restores
// starting programs.
using LaunchRecorder = std::function<OSErr(const std::string& application, const std::vector<std::string>& documents)>;
void setlaunchrecorder(LaunchRecorder recorder);

// The words of a desktop entry's command with the field codes replaced (for tests).
std::vector<std::string> expandexec(const DesktopEntry& entry, const std::string& entrypath,
                                    const std::vector<std::string>& documents);

}  // namespace kv
