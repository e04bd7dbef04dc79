// SPDX-License-Identifier: Apache-2.0
// A download cut by a lost connection keeps its temporary file beside the target, under a name
// fixed by the target (".NAME.docshelf-kept.part"), with a note of what a later download of the
// same file needs to continue it: the server path, the server's validator (ETag, else
// Last-Modified) and the whole length. The note is the part's name with ".note" added and is
// written before the part takes its name, so a kept part never lies there without its note; both
// are the component's own names, and a download finds them without reading the folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PartialDownload {
    std::string partPath; // the kept temporary file
    std::string serverPath;
    std::string validator;
    uint64_t wholeLength = 0;
    uint64_t have = 0; // bytes in the part when it was found
};

namespace partial {

inline constexpr std::string_view kNoteSuffix = ".note";
// Kept parts older than this are removed by the sweep, as are parts without a note that
// nothing has written to for a while (a download that was never noted).
inline constexpr int64_t kKeepSeconds = 24 * 60 * 60;
inline constexpr int64_t kUnnotedSeconds = 10 * 60;

// Whether name is a kept part's note.
bool IsNoteName(std::string_view name);
// Whether name is a kept part's (it goes only with its note).
bool IsKeptPartName(std::string_view name);
// The part kept for this target from this server path, if its note and size still agree.
std::optional<PartialDownload> Find(const std::string& target, const std::string& serverPath);
// Moves the part to the name kept for target and writes its note; false when it cannot be kept
// (part.partPath then names the part wherever it is).
bool Keep(PartialDownload& part, const std::string& target);
// Removes the part's note, and the part with it when bWithPart.
void Forget(const std::string& partPath, bool bWithPart);
// Removes, in dir (ending in "/"), what only the component can have made there: notes that are
// old or whose part is gone (with their part), temporary files nobody has written for a while,
// and parts that an older version kept, recognised by their note.
void Sweep(const std::string& dir);

// Whether a Content-Range is exactly "bytes FROM-(WHOLE-1)/WHOLE": the rest of a part of `from`
// bytes of a file of `whole` bytes, nothing less and nothing more.
bool IsRestOf(const char* contentRange, uint64_t from, uint64_t whole);
// What identifies this version of the file for If-Range: a strong ETag, else Last-Modified;
// empty when there is neither.
std::string ValidatorOf(const char* etag, const char* lastModified);
// Whether an answer's ETag and Last-Modified name the version a kept validator names: the same
// strong ETag, or for a date the same date.
bool IsSameVersion(const std::string& validator, const char* etag, const char* lastModified);

} // namespace partial
