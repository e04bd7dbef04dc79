// SPDX-License-Identifier: Apache-2.0
// Folder listings a server should not send, the one-time clean-up that trusts them, and
// folder creation.
#include <algorithm>

#include "FaultFixture.h"

using Listings = FaultFixture;
using S = CHostileServer;

namespace {

const char* kXml = "Content-Type: application/xml; charset=utf-8\r\n";
const char* kDigest =
    "WWW-Authenticate: Digest realm=\"DocShelf\", nonce=\"abc\", algorithm=MD5, qop=\"auth\"\r\n";

// The multistatus head and the responses for a folder and its file a.txt, without the end.
std::string OpenListing(const std::string& folder) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\">\n" +
           S::MultistatusResponse("/dav/room/" + folder + "/", kFolderProps) +
           S::MultistatusResponse("/dav/room/" + folder + "/a.txt", FileProps("1"));
}

S::Reply Xml(int status, std::string body) {
    return S::Status(status, std::move(body), kXml);
}

} // namespace

TEST_F(Listings, FailedListingsReportOnlyTheirEnd) {
    S::Reply cut = S::Cut(207, OpenListing("f7"), OpenListing("f7").size() + 500);
    cut.headers = kXml;
    S server;
    server.On("PROPFIND", S::Status(401, "", kDigest), "/f1/")
        .On("PROPFIND", S::Status(401, "", "WWW-Authenticate: Digest realm=\"open, nonce\r\n"),
            "/f2/")
        .On("PROPFIND", Xml(500, OpenListing("f3") + "</D:multistatus>\n"), "/f3/")
        .On("PROPFIND", Xml(207, "this is not XML at all"), "/f4/")
        .On("PROPFIND", S::Status(207, "<html>hello</html>", "Content-Type: text/html\r\n"), "/f5/")
        .On("PROPFIND", Xml(207, OpenListing("f6") + "<D:response><D:href>x</D:multistatus>\n"),
            "/f6/")
        .On("PROPFIND", cut, "/f7/");
    Start(server.Port());
    for (int i = 1; i <= 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(List("f" + std::to_string(i), i).empty());
        EXPECT_TRUE(OnlyEnd(i));
    }
    // A refused password is offered once, not again and again.
    EXPECT_LE(server.RequestsFor("PROPFIND", "/f1/").size(), 2u);
    EXPECT_LE(server.RequestsFor("PROPFIND", "/f2/").size(), 2u);
}

TEST_F(Listings, OnlyPlainDirectChildrenOfTheFolderAreReported) {
    const std::string longName(10000, 'n');
    S server;
    const std::string self = "http://127.0.0.1:" + std::to_string(server.Port());
    server.On("PROPFIND",
              S::Multistatus({
                  {"/dav/room/x/", kFolderProps},
                  {"/dav/room/x/ok.txt", FileProps("3")},
                  {self + "/dav/room/x/abs.txt", FileProps("4")},
                  {"/dav/room/x/sub/", kFolderProps},
                  {"/dav/room/x/" + longName, FileProps("1")},
                  {"/dav/room/x/mention.txt",
                   "<D:resourcetype>not a &lt;DAV:collection&gt; at all</D:resourcetype>"
                   "<D:getcontentlength>5</D:getcontentlength>"},
                  {"/dav/room/x/nested.txt",
                   "<D:resourcetype><Z:kind xmlns:Z=\"urn:z\">a &lt;DAV:collection&gt;</Z:kind>"
                   "</D:resourcetype><D:getcontentlength>6</D:getcontentlength>"},
                  {"/dav/room/x/huge.bin", FileProps("99999999999999999999")},
                  {"/dav/room/x/word.bin", FileProps("twelve")},
                  {"/dav/room/x/neg.bin", FileProps("-1")},
                  {"/dav/room/x/max.bin", FileProps("18446744073709551615")},
                  // None of these is a plain name directly in /dav/room/x/ on this server.
                  {"/dav/room/x/sub/deeper.txt", FileProps("1")},
                  {"http://elsewhere.example/dav/room/x/far.txt", FileProps("1")},
                  {"/dav/room/xy/prefix.txt", FileProps("1")},
                  {"/dav/room/y/sibling.txt", FileProps("1")},
                  {"/dav/room/x/..", FileProps("1")},
                  {"/dav/room/x/%2e%2e/", kFolderProps},
                  {"/dav/room/x/a%2Fb.txt", FileProps("1")},
                  {"/dav/room/x/nul%00.txt", FileProps("1")},
                  {"/dav/room/x/back%5Cslash.txt", FileProps("1")},
                  {"/dav/room/x/back\\slash2.txt", FileProps("1")},
              }));
    Start(server.Port());
    std::vector<Entry> entries = List("x", 1);
    // The 10,000-character name cannot be a file here (and neon keeps only 2 KiB of an href):
    // it is left out, the rest of the listing stands.
    EXPECT_EQ(entries, (std::vector<Entry>{
                           {"abs.txt", "4", "0"},
                           {"huge.bin", "0", "0"},
                           {"max.bin", "18446744073709551615", "0"},
                           {"mention.txt", "5", "0"},
                           {"neg.bin", "0", "0"},
                           {"nested.txt", "6", "0"},
                           {"ok.txt", "3", "0"},
                           {"sub", "0", "1"},
                           {"word.bin", "0", "0"},
                       }));
}

TEST_F(Listings, HundredThousandEntriesAllArrive) {
#if defined(__SANITIZE_THREAD__)
    constexpr int kCount = 20000; // the thread sanitizer runs an order of magnitude slower
#else
    constexpr int kCount = 100000;
#endif
    std::string responses = S::MultistatusResponse("/dav/room/big/", kFolderProps);
    for (int i = 0; i < kCount; ++i) {
        responses += S::MultistatusResponse("/dav/room/big/f" + std::to_string(i),
                                            FileProps(std::to_string(i)));
    }
    S server;
    server.On("PROPFIND", S::MultistatusOf(std::move(responses)), "/big/");
    Start(server.Port());
    std::vector<Entry> entries = List("big", 1);
    ASSERT_EQ(entries.size(), static_cast<size_t>(kCount));
    std::vector<bool> seen(kCount);
    for (const auto& [name, length, folder] : entries) {
        int i = std::stoi(name.substr(1));
        ASSERT_EQ(length, std::to_string(i));
        seen[static_cast<size_t>(i)] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kCount);
}

TEST_F(Listings, EnsureDirectoryMakesFoldersWithTrailingSlashes) {
    S server;
    server.On("MKCOL", S::Status(201));
    Start(server.Port());
    m_pShelf->EnsureDirectory("a/b");
    ASSERT_TRUE(server.WaitForRequests("MKCOL", "/dav/room/a/b/", 1, 30000));
    EXPECT_EQ(server.RequestsFor("MKCOL", "/dav/room/a/").size(), 2u); // a/ and a/b/
    for (const S::Request& r : server.RequestsFor("MKCOL")) {
        EXPECT_EQ(r.path.back(), '/') << r.path;
    }
}

// The clean-up runs once per component, on its first listing of the presenter folder: each
// round below is a fresh component on the same save directory.
TEST_F(Listings, CleanupTrustsOnlyReadableListingsAndDeletesOnlyItsOwnDownloads) {
    S server;
    server.On("GET", S::Status(200, "12345"), "/Presenter/mine")
        .On("GET", S::Status(200, "12345"), "/Presenter/same")
        .On("GET", S::Status(200, "123"), "/Presenter/resized");
    Start(server.Port());
    ASSERT_EQ(Download("Presenter/mine.txt", "mine.txt", 1), 0);
    ASSERT_EQ(Download("Presenter/same.txt", "same.txt", 2), 0);
    ASSERT_EQ(Download("Presenter/resized.txt", "resized.txt", 3), 0);
    WriteLocal("user.txt", "never downloaded");
    const std::vector<std::string> all{"mine.txt", "resized.txt", "same.txt", "user.txt"};
    ASSERT_EQ(LocalNames(), all);

    const std::vector<std::pair<const char*, S::Reply>> failures{
        {"401", S::Status(401, "", kDigest)},
        {"500", Xml(500, "<D:multistatus xmlns:D=\"DAV:\"/>")},
        {"not xml", S::Status(207, "<html>hello</html>", "Content-Type: text/html\r\n")},
        {"malformed", Xml(207, OpenListing("Presenter") + "<D:response>")},
    };
    for (const auto& [what, reply] : failures) {
        SCOPED_TRACE(what);
        ReleaseComponent();
        m_host.Clear();
        server.ClearRules();
        server.On("PROPFIND", reply, "/Presenter/");
        Start(server.Port());
        List("Presenter/", 1);
        EXPECT_EQ(LocalNames(), all);
    }

    ReleaseComponent();
    m_host.Clear();
    server.ClearRules();
    server.On("PROPFIND", S::Multistatus({{"/dav/room/Presenter/", kFolderProps},
                                          {"/dav/room/Presenter/same.txt", FileProps("5")},
                                          {"/dav/room/Presenter/resized.txt", FileProps("7")}}));
    Start(server.Port());
    List("Presenter/", 1);
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"same.txt", "user.txt"}));
}

TEST_F(Listings, HostileNamesAreNeverDownloadedAutomatically) {
    S server;
    server
        .On("PROPFIND", S::Multistatus({{"/dav/room/Presenter/", kFolderProps},
                                        {"/dav/room/Presenter/..%2Fescape.txt", FileProps("3")},
                                        {"/dav/room/Presenter/back%5Cslash.txt", FileProps("3")},
                                        {"/dav/room/Presenter/nul%00.txt", FileProps("3")},
                                        {"/dav/room/Presenter/%2E%2E", FileProps("3")},
                                        {"/dav/room/Presenter/ok.txt", FileProps("2")}}))
        .On("MKCOL", S::Status(405))
        .On("GET", S::Status(200, "ok"));
    Start(server.Port());
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    ASSERT_TRUE(PumpUntil([&] { return !server.RequestsFor("GET").empty(); }));
    ASSERT_TRUE(WaitIdle());
    const auto gets = server.RequestsFor("GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].path, "/dav/room/Presenter/ok%2Etxt");
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"ok.txt"});
}
