// SPDX-License-Identifier: Apache-2.0
// The shell: file-type icons, opening a file or folder with the desktop's opener, and the
// program-choice dialog for files that have no program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AfxTypes.h"

struct SHFILEINFO {
    HICON hIcon;
    int iIcon;
    char szDisplayName[260];
    char szTypeName[80];
};

constexpr UINT SHGFI_SMALLICON = 0x0001;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x0010;
constexpr UINT SHGFI_ICON = 0x0100;
constexpr UINT SHGFI_DISPLAYNAME = 0x0200;
constexpr UINT SHGFI_TYPENAME = 0x0400;

// With SHGFI_USEFILEATTRIBUTES only the name counts: "*.txt" gives a text file's icon, "*."
// (or the directory attribute 0x10) a folder's, an empty name a plain file's. The icon is
// 16x16 from the icon theme, or a bundled one, so that there is always one; the caller
// destroys it with DestroyIcon. Returns nonzero on success, 0 for bad arguments.
uintptr_t SHGetFileInfo(const char* path, DWORD fileAttributes, SHFILEINFO* info, UINT infoSize,
                        UINT flags);

// Opens a file or folder (verb "open" or null) with the desktop's opener, started detached.
// Above 32 on success; SE_ERR_FNF (2) when the path does not exist; SE_ERR_NOASSOC (31)
// when no program is associated with its type, or for another verb. A relative path is
// taken from dir. The parameters and the show command are not used.
intptr_t ShellExecute(HWND owner, const char* verb, const char* file, const char* params,
                      const char* dir, int show);

namespace afx {

// The attribute that makes SHGetFileInfo give a folder's icon.
constexpr DWORD kFileAttributeDirectory = 0x10;

// Shows the program-choice dialog for a file (through the prompt service). True when a
// program was started.
bool OpenWithDialog(const std::string& path);

// The programs behind ShellExecute: the opener gets the path as its one argument, the
// MIME query is called as "<query> query default <mime type>". Empty restores the default:
// the environment's DOCSHELF_OPENER / DOCSHELF_MIME_QUERY, else xdg-open / xdg-mime.
void SetShellCommands(const std::string& opener, const std::string& mimeQuery);

// The MIME type of a path: "inode/directory" for a folder, else by name and content.
// Ancestors (text/plain for text/x-csrc...) follow the type itself.
std::vector<std::string> MimeTypesForPath(const std::string& path);

// A desktop application that can open files.
struct DesktopApp {
    std::string id;       // "org.gnome.gedit.desktop"
    std::string name;     // shown to the user (UTF-8)
    std::string exec;     // the Exec line with its field codes
    bool forType = false; // it names one of the asked-for MIME types
};

// Applications from the XDG data folders' applications/ directories. Those that name one
// of the MIME types come first; all others that take a file follow when includeOthers.
std::vector<DesktopApp> FindApplicationsForMime(const std::vector<std::string>& mimeTypes,
                                                bool includeOthers);

// Splits an Exec line into arguments and puts the path in place of %f %F %u %U (appended
// when there is none); the other field codes are dropped. Empty for a malformed line.
std::vector<std::string> ExpandDesktopExec(const std::string& exec, const std::string& path);

// Starts a program without waiting for it. False when it could not be started.
bool LaunchDetached(const std::vector<std::string>& argv);

// Runs a program and returns its standard output; false when it could not run, failed
// or took longer than timeoutMs (it is then killed).
bool RunAndCapture(const std::vector<std::string>& argv, int timeoutMs, std::string& output);

} // namespace afx
