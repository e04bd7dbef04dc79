// SPDX-License-Identifier: Apache-2.0
// A component against a scripted hostile server (or a real Apache a test kills), with the
// helpers the fault tests share.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "ComponentFixture.h"
#include "HostileServer.h"

class FaultFixture : public ComponentFixture {
protected:
    // The component on the port, its sessions with a known read timeout.
    void Start(int port, int readSeconds = 10);

    // Names in the save directory, sorted, without the component's own download record.
    std::vector<std::string> LocalNames() const;

    // Lists a folder through the host interface and waits for its end call; the entries
    // reported for it as (name, length, is-folder), sorted, the end call left out.
    using Entry = std::tuple<std::string, std::string, std::string>;
    std::vector<Entry> List(const std::string& folder, int userData);
    // Whether the listing with this user data reported only its end call.
    bool OnlyEnd(int userData) const;
};

// Properties of a listing entry.
inline std::string FileProps(const std::string& length) {
    return "<D:resourcetype/><D:getcontentlength>" + length + "</D:getcontentlength>";
}
inline constexpr const char* kFolderProps = "<D:resourcetype><D:collection/></D:resourcetype>";
