// Kestrove on the desktop: the application entry "kestrove.desktop" (it opens projects, its
// command takes the files as %F), the shared-mime-info package that gives `*.kv45` files the
// type "application/x-kestrove-project", and the program's icon. `registerdesktop` writes them
// for the user, so that a project double-clicked in the file manager starts kestrove with its
// path (which opens it as the open-documents request); `unregisterdesktop` takes them away.
#pragma once

#include <string>

namespace kv {

constexpr const char* kProjectMimeType = "application/x-kestrove-project";
constexpr const char* kDesktopEntryName = "kestrove.desktop";

// The texts of resources/desktop/, compiled in: the entry (its command "${KV_EXEC} %F"), the
// MIME package and the icon (SVG).
const char* desktopentrytemplate();
const char* desktopmimepackage();
const char* desktopicon();

// The entry with its command naming this program (quoted as desktop entries quote arguments
// when the path needs it).
std::string desktopentryfor(const std::string& program);

// The path of this program (its executable), empty when it cannot be read.
std::string programpath();

// Below $XDG_DATA_HOME (else ~/.local/share): applications/kestrove.desktop,
// mime/packages/kestrove.xml and icons/hicolor/scalable/apps/kestrove.svg. Kestrove becomes
// the type's default in the user's mimeapps.list ($XDG_CONFIG_HOME, else ~/.config) when no
// default is set there, and update-mime-database and update-desktop-database run when they are
// installed. False with a message when a file cannot be written.
bool registerdesktop(const std::string& program, std::string* error);
// Removes the three files and the default that registerdesktop set, and runs the two tools
// again. False with a message when a file that is there cannot be removed.
bool unregisterdesktop(std::string* error);

}  // namespace kv
