#include "DownloadLog.h"

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>

#include "PathCodec.h"
#include "Trace.h"

namespace {

// Transfer threads finish downloads at the same time; the record is rewritten whole.
std::mutex s_lock;

DownloadRecords LoadLocked(const std::string& dir) {
    DownloadRecords files;
    std::ifstream in(dir + CDownloadLog::kFileName);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        size_t tab2 = tab == std::string::npos ? tab : line.find('\t', tab + 1);
        if (tab2 == std::string::npos) {
            continue;
        }
        std::string_view view(line);
        std::string name = DecodePath(view.substr(tab + 1, tab2 - tab - 1));
        char* end = nullptr;
        unsigned long long size = std::strtoull(line.c_str(), &end, 10);
        if (end != line.c_str() + tab || IsUnsafeLocalName(name)) {
            continue;
        }
        files[name] = DownloadRecord{size, DecodePath(view.substr(tab2 + 1))};
    }
    return files;
}

bool SaveLocked(const std::string& dir, const DownloadRecords& files) {
    const std::string path = dir + CDownloadLog::kFileName;
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& [name, record] : files) {
            // Escaped, so a name never breaks a line.
            out << record.size << '\t' << EncodePath(name) << '\t' << EncodePath(record.serverPath)
                << '\n';
        }
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
    return true;
}

} // namespace

void CDownloadLog::Add(const std::string& dir, const std::string& name, uint64_t size,
                       const std::string& serverPath) {
    Update(dir, [&](DownloadRecords& files) { files[name] = DownloadRecord{size, serverPath}; });
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
