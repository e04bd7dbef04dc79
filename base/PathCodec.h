// SPDX-License-Identifier: Apache-2.0
// Path and text conversions of the WebDAV engine. Server paths are relative to the server
// directory with "/" as separator; on the wire they are UTF-8 with every byte other than an
// ASCII letter, digit or "/" percent-escaped.
#pragma once

#include <string>
#include <string_view>

// The server directory followed by the path without its leading "/".
std::string MakeServerPath(std::string_view serverDir, std::string_view path);
// The path after the server directory (compared without regard to case), or "" when the path
// lies outside it. A missing leading "/" is added first.
std::string ToRelativePath(std::string_view serverDir, std::string_view path);
// The last component of a path, one trailing "/" ignored.
std::string GetPathName(std::string_view path);
// Everything before the last component ("" for a top-level name), one trailing "/" ignored.
std::string GetParentPath(std::string_view path);
// The folder that holds a server directory: "/dav/room/" gives "/dav", "dav/room/" gives "dav".
// "" for a directory of one level ("/room/", "room/"): there is none to make.
std::string ParentOfServerDir(std::string_view serverDir);
std::string EncodePath(std::string_view text);
// Never reads past the input: a "%" without two following characters is copied as is.
std::string DecodePath(std::string_view text);
// System code page <-> UTF-8.
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);
// A path or text in the system code page as it goes on the wire: UTF-8, escaped.
std::string ToWirePath(std::string_view text);

// Case-insensitive ASCII comparisons used for the fixed names of the engine.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// A name that must never be joined to a local directory: "", "." or "..", or one holding "/",
// "\" or NUL.
bool IsUnsafeLocalName(std::string_view name);
