// SPDX-License-Identifier: Apache-2.0
#include "FaultFixture.h"

#include <algorithm>
#include <filesystem>

#include "WebDavMgr.h"

void FaultFixture::Start(int port, int readSeconds) {
    m_port.Limits().connectSeconds = 5;
    m_port.Limits().readSeconds = readSeconds;
    StartComponent(port);
}

std::vector<std::string> FaultFixture::LocalNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(m_localDir, ec)) {
        std::string n = e.path().filename().string();
        if (n != ".docshelf-downloads") {
            names.push_back(n);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<FaultFixture::Entry> FaultFixture::List(const std::string& folder, int userData) {
    const std::string ud = std::to_string(userData);
    m_pShelf->ListDirectoryContent(folder.c_str(), 0, userData);
    std::vector<Entry> entries;
    if (!WaitForCall("OnDirectoryEntry", [&](const RecordedCall& c) {
            return c.args.size() == 6 && c.args[2] == ud && c.args[3] == "(end)";
        })) {
        ADD_FAILURE() << "no end call for " << folder;
        return entries;
    }
    for (const RecordedCall& c : m_host.Calls()) {
        if (c.name == "OnDirectoryEntry" && c.args.size() == 6 && c.args[2] == ud &&
            c.args[3] != "(end)") {
            entries.emplace_back(c.args[3], c.args[4], c.args[5]);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool FaultFixture::OnlyEnd(int userData) const {
    const std::string ud = std::to_string(userData);
    int ends = 0;
    int others = 0;
    for (const RecordedCall& c : CallsNamed("OnDirectoryEntry")) {
        if (c.args.size() == 6 && c.args[2] == ud) {
            (c.args[3] == "(end)" ? ends : others)++;
        }
    }
    return ends == 1 && others == 0;
}
