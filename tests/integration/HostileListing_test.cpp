// SPDX-License-Identifier: Apache-2.0
// Listings a real server would not send: odd names and decorated collection elements.
#include <algorithm>

#include "CannedServer.h"
#include "ComponentFixture.h"

namespace {

std::string Response(const std::string& href, const std::string& props) {
    return "<D:response><D:href>" + href + "</D:href><D:propstat><D:prop>" + props +
           "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>\n";
}

const char* kFolder = "<D:resourcetype><D:collection/></D:resourcetype>";

std::string File(int length) {
    return "<D:resourcetype/><D:getcontentlength>" + std::to_string(length) +
           "</D:getcontentlength>";
}

std::string Multistatus(const std::string& responses) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\">\n" +
           responses + "</D:multistatus>\n";
}

bool IsEnd(const RecordedCall& c) {
    return c.args.size() == 6 && c.args[3] == "(end)";
}

} // namespace

using HostileListing = ComponentFixture;

TEST_F(HostileListing, DecoratedCollectionIsStillAFolder) {
    CCannedServer server(
        207, "application/xml; charset=utf-8",
        Multistatus(Response("/dav/room/x/", kFolder) +
                    Response("/dav/room/x/decorated/",
                             "<D:resourcetype><D:collection xmlns:Z=\"urn:z\" Z:kind=\"room\"/>"
                             "</D:resourcetype>") +
                    Response("/dav/room/x/plain.txt", File(3))));
    StartComponent(server.Port());
    m_pShelf->ListDirectoryContent("x", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    auto calls = CallsNamed("OnDirectoryEntry");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{"x", "0", "1", "decorated", "0", "1"}));
    EXPECT_EQ(calls[1].args, (std::vector<std::string>{"x", "0", "1", "plain.txt", "3", "0"}));
}

TEST_F(HostileListing, DotNamesNeverReachALocalPath) {
    CCannedServer server(207, "application/xml; charset=utf-8",
                         Multistatus(Response("/dav/room/Presenter/", kFolder) +
                                     Response("/dav/room/Presenter/..", File(5)) +
                                     Response("/dav/room/Presenter/.", File(5)) +
                                     Response("/dav/room/Presenter/%2e%2e/", kFolder) +
                                     Response("/dav/room/Presenter/ok.txt", File(2)) +
                                     Response("/elsewhere/x.txt", File(2))));
    // The save directory sits in a folder whose other files the clean-up must not reach.
    WriteLocal("../outside.txt", "12345");
    WriteLocal("ok.txt", "hi");
    StartComponent(server.Port());
    // The presenter folder's first listing also reconciles the save directory.
    m_pShelf->ListDirectoryContent("Presenter/", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    std::vector<std::string> names;
    for (const RecordedCall& c : CallsNamed("OnDirectoryEntry")) {
        names.push_back(c.args[3]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ok.txt", "(end)"}));
    EXPECT_TRUE(LocalExists("ok.txt"));
    EXPECT_EQ(ReadLocal("../outside.txt"), "12345");
}
