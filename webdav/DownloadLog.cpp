// SPDX-License-Identifier: Apache-2.0
#include "DownloadLog.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "AfxFile.h"
#include "DecimalText.h"
#include "PartialDownload.h"
#include "PathCodec.h"
#include "Trace.h"

namespace {

constexpr const char* kNewSuffix = ".new";

// Transfer threads finish downloads at the same time.
std::mutex s_lock;

// Under the lock: of each record this process wrote, its lines and its files at the last
// rewrite or reading, so that a growing record is rewritten before it holds many more lines
// than files.
struct Growth {
    size_t lines = 0;
    size_t files = 0;
};
std::map<std::string, Growth> s_growth;
uint64_t s_linesWritten = 0;

int64_t MtimeNs(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// "size<TAB>name<TAB>server path<TAB>mtime"; false for anything else.
bool ParseLine(std::string_view line, std::string& name, DownloadRecord& record) {
    std::string_view fields[4];
    for (int i = 0; i < 3; ++i) {
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            return false;
        }
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    fields[3] = line;
    uint64_t mtime = 0;
    if (!ParseDecimal(fields[0], record.size) || !ParseDecimal(fields[3], mtime) ||
        mtime > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    record.mtimeNs = static_cast<int64_t>(mtime);
    name = DecodePath(fields[1]);
    record.serverPath = DecodePath(fields[2]);
    return !IsUnsafeLocalName(name) && !IsComponentOwnName(name);
}

DownloadRecords LoadLocked(const std::string& dir) {
    DownloadRecords files;
    std::ifstream in(dir + CDownloadLog::kFileName);
    std::string line;
    while (std::getline(in, line)) {
        std::string name;
        DownloadRecord record;
        if (ParseLine(line, name, record)) {
            files[name] = std::move(record);
        }
    }
    return files;
}

// Escaped, so a name never breaks a line.
std::string LineOf(const std::string& name, const DownloadRecord& record) {
    return std::to_string(record.size) + '\t' + EncodePath(name) + '\t' +
           EncodePath(record.serverPath) + '\t' + std::to_string(record.mtimeNs) + '\n';
}

bool SaveLocked(const std::string& dir, const DownloadRecords& files) {
    const std::string path = dir + CDownloadLog::kFileName;
    const std::string temp = path + kNewSuffix;
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& [name, record] : files) {
            out << LineOf(name, record);
        }
        s_linesWritten += files.size();
        out.flush();
        if (!out) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    s_growth[dir] = Growth{files.size(), files.size()};
    return true;
}

bool AppendLocked(const std::string& dir, const std::string& line) {
    const std::string path = dir + CDownloadLog::kFileName;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool bWritten =
        ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    return ::close(fd) == 0 && bWritten;
}

} // namespace

void CDownloadLog::Add(const std::string& dir, const std::string& name,
                       const std::string& serverPath) {
    struct stat st;
    if (::lstat((dir + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return;
    }
    const DownloadRecord record{static_cast<uint64_t>(st.st_size), serverPath, MtimeNs(st)};
    std::lock_guard<std::mutex> lock(s_lock);
    Growth& growth = s_growth[dir];
    if (growth.lines == 0) {
        // Not read by this process yet: what it holds is learnt once.
        const DownloadRecords files = LoadLocked(dir);
        growth = Growth{files.size(), files.size()};
    }
    if (!AppendLocked(dir, LineOf(name, record))) {
        TraceError("dshelf - CDownloadLog::Add(); the record in %s could not be written",
                   dir.c_str());
        return;
    }
    ++s_linesWritten;
    ++growth.lines;
    if (growth.lines > 2 * growth.files + kSpareLines) {
        SaveLocked(dir, LoadLocked(dir));
    }
}

uint64_t CDownloadLog::LinesWritten() {
    std::lock_guard<std::mutex> lock(s_lock);
    return s_linesWritten;
}

DownloadRecords CDownloadLog::Load(const std::string& dir) {
    std::lock_guard<std::mutex> lock(s_lock);
    return LoadLocked(dir);
}

void CDownloadLog::Update(const std::string& dir,
                          const std::function<void(DownloadRecords&)>& change) {
    std::lock_guard<std::mutex> lock(s_lock);
    auto files = LoadLocked(dir);
    auto before = files;
    change(files);
    if (files != before && !SaveLocked(dir, files)) {
        TraceError("dshelf - CDownloadLog::Update(); the record in %s could not be written",
                   dir.c_str());
    }
}

bool CDownloadLog::IsUnchanged(const std::string& path, const DownloadRecord& record) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<uint64_t>(st.st_size) == record.size && MtimeNs(st) == record.mtimeNs;
}

bool CDownloadLog::MayReplace(const std::string& dir, const std::string& name) {
    const std::string path = dir + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return true;
    }
    const auto files = Load(dir);
    auto it = files.find(name);
    return it != files.end() && IsUnchanged(path, it->second);
}

bool IsComponentOwnName(std::string_view name) {
    const std::string_view record = CDownloadLog::kFileName;
    if (EqualsNoCase(name, record)) {
        return true;
    }
    if (name.size() > record.size() && EqualsNoCase(name.substr(0, record.size()), record)) {
        return true; // the record's temporary name, and anything dressed as it
    }
    return CFile::IsTemporaryName(name) || partial::IsNoteName(name);
}
