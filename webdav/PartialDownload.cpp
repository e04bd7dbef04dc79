// SPDX-License-Identifier: Apache-2.0
#include "PartialDownload.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "AfxFile.h"
#include "DecimalText.h"
#include "PathCodec.h"
#include "Trace.h"

namespace partial {
namespace {

// A validator longer than this is not one worth keeping a part for.
constexpr size_t kMaxValidator = 1024;
constexpr size_t kMaxNoteBytes = 4096;

std::string NoteOf(const std::string& partPath) {
    return partPath + std::string(kNoteSuffix);
}

// "server<TAB>path", "validator<TAB>value", "length<TAB>n", each value percent-encoded.
bool ReadNote(const std::string& notePath, PartialDownload& part) {
    std::ifstream in(notePath);
    std::string line;
    int fields = 0;
    size_t bytes = 0;
    while (std::getline(in, line) && (bytes += line.size()) < kMaxNoteBytes) {
        const size_t tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string value = tab == std::string::npos ? "" : DecodePath(line.substr(tab + 1));
        if (key == "server") {
            part.serverPath = value;
            fields |= 1;
        } else if (key == "validator" && !value.empty() && value.size() <= kMaxValidator) {
            part.validator = value;
            fields |= 2;
        } else if (key == "length" && ParseDecimal(value, part.wholeLength)) {
            fields |= 4;
        }
    }
    return fields == 7;
}

constexpr std::string_view kKeptTag = "kept";

// The one name a part kept for this target has.
std::string KeptPartPath(const std::string& target) {
    return CFile::TemporaryNameBeside(target, kKeptTag);
}

// What an older version left: ".NAME.resume.part" and its note ".NAME.resume.part.resume".
// The shape alone proves nothing (a user may name a file so); the note's fields do.
constexpr std::string_view kOldPartEnd = ".resume.part";
constexpr std::string_view kOldNoteSuffix = ".resume";

bool HasOldNoteShape(std::string_view name) {
    const size_t end = kOldPartEnd.size() + kOldNoteSuffix.size();
    return name.size() > end + 1 && name.front() == '.' &&
           name.substr(name.size() - end, kOldPartEnd.size()) == kOldPartEnd &&
           name.substr(name.size() - kOldNoteSuffix.size()) == kOldNoteSuffix;
}

int64_t AgeSeconds(const struct stat& st) {
    return static_cast<int64_t>(std::time(nullptr)) - static_cast<int64_t>(st.st_mtime);
}

template <typename Visit> void ForEachName(const std::string& dir, Visit visit) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) {
        return;
    }
    while (const dirent* e = ::readdir(d)) {
        visit(std::string(e->d_name));
    }
    ::closedir(d);
}

void RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) {
        TraceInfo("dshelf - partial download removed: %s", path.c_str());
    }
}

} // namespace

bool IsNoteName(std::string_view name) {
    return name.size() > kNoteSuffix.size() &&
           name.substr(name.size() - kNoteSuffix.size()) == kNoteSuffix &&
           IsKeptPartName(name.substr(0, name.size() - kNoteSuffix.size()));
}

bool IsKeptPartName(std::string_view name) {
    // What follows the stem in a temporary name with the kept tag.
    static const std::string end = CFile::TemporaryNameBeside("", kKeptTag).substr(1);
    return CFile::IsTemporaryName(name) && name.size() > end.size() &&
           name.substr(name.size() - end.size()) == end;
}

std::optional<PartialDownload> Find(const std::string& target, const std::string& serverPath) {
    PartialDownload part;
    part.partPath = KeptPartPath(target);
    struct stat st;
    if (!ReadNote(NoteOf(part.partPath), part) || part.serverPath != serverPath ||
        ::lstat(part.partPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        static_cast<uint64_t>(st.st_size) >= part.wholeLength) {
        return std::nullopt;
    }
    part.have = static_cast<uint64_t>(st.st_size);
    return part;
}

bool Keep(PartialDownload& part, const std::string& target) {
    if (part.validator.empty() || part.validator.size() > kMaxValidator) {
        return false;
    }
    const std::string kept = KeptPartPath(target);
    std::ostringstream note;
    note << "server\t" << EncodePath(part.serverPath) << "\nvalidator\t"
         << EncodePath(part.validator) << "\nlength\t" << part.wholeLength << "\n";
    std::ofstream out(NoteOf(kept), std::ios::trunc);
    out << note.str();
    out.close();
    // The note first: the part takes its name only once it can be told from a user's file.
    if (!out || (part.partPath != kept && std::rename(part.partPath.c_str(), kept.c_str()) != 0)) {
        ::unlink(NoteOf(kept).c_str());
        return false;
    }
    part.partPath = kept;
    return true;
}

void Forget(const std::string& partPath, bool bWithPart) {
    ::unlink(NoteOf(partPath).c_str());
    if (bWithPart) {
        ::unlink(partPath.c_str());
    }
}

void Sweep(const std::string& dir) {
    ForEachName(dir, [&](const std::string& name) {
        struct stat st;
        const std::string path = dir + name;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            return;
        }
        struct stat other;
        PartialDownload old;
        if (IsNoteName(name)) {
            const std::string part = path.substr(0, path.size() - kNoteSuffix.size());
            if (AgeSeconds(st) > kKeepSeconds || ::lstat(part.c_str(), &other) != 0) {
                RemoveFile(path);
                RemoveFile(part);
            }
        } else if (CFile::IsTemporaryName(name) && !IsKeptPartName(name)) {
            if (AgeSeconds(st) > kUnnotedSeconds) {
                RemoveFile(path);
            }
        } else if (HasOldNoteShape(name) && ReadNote(path, old)) {
            // Never continued by this version.
            RemoveFile(path.substr(0, path.size() - kOldNoteSuffix.size()));
            RemoveFile(path);
        }
    });
}

bool IsRestOf(const char* contentRange, uint64_t from, uint64_t whole) {
    if (contentRange == nullptr || whole == 0 || from >= whole) {
        return false;
    }
    std::string_view text(contentRange);
    constexpr std::string_view kUnit = "bytes ";
    const size_t dash = text.find('-');
    const size_t slash = text.find('/');
    if (text.size() < kUnit.size() || strncasecmp(text.data(), kUnit.data(), kUnit.size()) != 0 ||
        dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) {
        return false;
    }
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t complete = 0;
    return ParseDecimal(text.substr(kUnit.size(), dash - kUnit.size()), first) &&
           ParseDecimal(text.substr(dash + 1, slash - dash - 1), last) &&
           ParseDecimal(text.substr(slash + 1), complete) && first == from && last == whole - 1 &&
           complete == whole;
}

std::string ValidatorOf(const char* etag, const char* lastModified) {
    if (etag != nullptr && etag[0] == '"') {
        return etag;
    }
    return lastModified != nullptr ? lastModified : "";
}

bool IsSameVersion(const std::string& validator, const char* etag, const char* lastModified) {
    if (validator.empty()) {
        return false;
    }
    const char* answer = validator.front() == '"' ? etag : lastModified;
    return answer != nullptr && validator == answer;
}

} // namespace partial
