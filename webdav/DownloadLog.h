// SPDX-License-Identifier: Apache-2.0
// The record of the files the component downloaded into the local save directory: a hidden
// file beside them, one line per download, "size<TAB>escaped name<TAB>escaped server path<TAB>
// modification time in nanoseconds"; of the lines of one name the last counts. A download adds
// its line at the end; the record is rewritten with one line per file only by a change of the
// whole (the clean-up) or once it holds well more lines than files. The clean-up of the save
// directory removes only files listed here that are still as the component wrote them, so a
// user's own files are never touched.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

struct DownloadRecord {
    uint64_t size = 0;
    std::string serverPath; // full server path it came from
    int64_t mtimeNs = 0;    // the file's modification time when the component wrote it

    bool operator==(const DownloadRecord&) const = default;
};

using DownloadRecords = std::map<std::string, DownloadRecord>; // by local name

class CDownloadLog {
public:
    static constexpr const char* kFileName = ".docshelf-downloads";

    // Beyond this many lines more than twice its files at the last rewrite, the record is
    // rewritten: the rewrites of N downloads add up to fewer than 2 N lines.
    static constexpr size_t kSpareLines = 256;

    // Records the file `name` in dir as it is on disk now, by a line at the end of the record.
    // dir is the local save directory, ending in "/". Any thread.
    static void Add(const std::string& dir, const std::string& name, const std::string& serverPath);
    // Empty when there is no record. Lines without a modification time, or not readable, are
    // left out: they cannot prove a file is the component's own.
    static DownloadRecords Load(const std::string& dir);
    // Changes the record in one step, safe against downloads ending meanwhile.
    static void Update(const std::string& dir, const std::function<void(DownloadRecords&)>& change);

    // The lines this process wrote into records so far, appended or rewritten.
    static uint64_t LinesWritten();

    // Whether the file at path is a regular file whose size and modification time are those
    // the record holds.
    static bool IsUnchanged(const std::string& path, const DownloadRecord& record);
    // Whether dir + name may be replaced: there is nothing there, or the component wrote it
    // and nobody changed it since.
    static bool MayReplace(const std::string& dir, const std::string& name);
};

// A name the component uses for itself beside the user's files (its record, the record's
// temporary name, the temporary names of downloads and copies). No file from a server is ever
// stored under such a name.
bool IsComponentOwnName(std::string_view name);
