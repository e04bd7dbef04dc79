// The record of the files the component downloaded into the local save directory: a hidden
// file beside them, one line per file, "size<TAB>escaped name<TAB>escaped server path". The
// clean-up of the save directory removes only files listed here, so a user's own files are
// never touched.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

struct DownloadRecord {
    uint64_t size = 0;
    std::string serverPath; // full server path it came from

    bool operator==(const DownloadRecord&) const = default;
};

using DownloadRecords = std::map<std::string, DownloadRecord>; // by local name

class CDownloadLog {
public:
    static constexpr const char* kFileName = ".docshelf-downloads";

    // dir is the local save directory, ending in "/". Any thread.
    static void Add(const std::string& dir, const std::string& name, uint64_t size,
                    const std::string& serverPath);
    // Empty when there is no record.
    static DownloadRecords Load(const std::string& dir);
    // Changes the record in one step, safe against downloads ending meanwhile.
    static void Update(const std::string& dir, const std::function<void(DownloadRecords&)>& change);
};
