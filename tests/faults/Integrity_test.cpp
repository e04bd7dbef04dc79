// SPDX-License-Identifier: Apache-2.0
// A download commits only the server's exact bytes, and never over a file the user saved while
// it ran.
#include <algorithm>

#include "FaultFixture.h"
#include "WebDavMgr.h"

using S = CHostileServer;

namespace {

const std::string kWhole = TestBytes(100000);
const std::string kHead = kWhole.substr(0, 40000);
const std::string kRest = kWhole.substr(40000);
const std::string kRange = "Content-Range: bytes 40000-99999/100000\r\n";

S::Reply WithHeaders(S::Reply reply, std::string headers) {
    reply.headers = std::move(headers);
    return reply;
}

// GETs of path: the first cut off after `at` bytes of whole, the next the exact rest (206).
void CutOnceThenTheRest(S& server, const std::string& path, const std::string& whole, size_t at) {
    const std::string range = "Content-Range: bytes " + std::to_string(at) + "-" +
                              std::to_string(whole.size() - 1) + "/" +
                              std::to_string(whole.size()) + "\r\n";
    server
        .On("GET", WithHeaders(S::Cut(200, whole.substr(0, at), whole.size()), "ETag: \"v1\"\r\n"),
            path, 1)
        .On("GET", S::Status(206, whole.substr(at), "ETag: \"v1\"\r\n" + range), path, 1);
}

// A 206 whose body runs until the connection closes, with no length of its own.
S::Reply Unmeasured206(const std::string& headers, const std::string& body) {
    return S::RawBytes("HTTP/1.1 206 Partial Content\r\n" + headers + "Connection: close\r\n\r\n" +
                       body);
}

// A name as it travels: dots escaped.
std::string Escaped(std::string name) {
    for (size_t at = name.find('.'); at != std::string::npos; at = name.find('.', at)) {
        name.replace(at, 1, "%2E");
    }
    return name;
}

} // namespace

class Integrity : public FaultFixture {
protected:
    // A download cut after 40,000 of 100,000 bytes, its part kept, then continued by `answer`:
    // what the continuation came to. The name has no character that travels escaped.
    int ContinueWith(S& server, const std::string& name, const std::string& validatorHeader,
                     S::Reply answer, int userData) {
        const std::string path = "/" + name;
        server.On("GET", WithHeaders(S::Cut(200, kHead, kWhole.size()), validatorHeader), path, 1)
            .On("GET", std::move(answer), path, 1)
            .On("GET", S::Status(200, kWhole, "ETag: \"v3\"\r\n"), path, 1);
        EXPECT_EQ(Download(name, name, userData), DS_RESULT_REQUEST_FAILED);
        return Download(name, name, userData + 1);
    }
};

TEST_F(Integrity, AContinuationCommitsOnlyTheExactRestOfTheSameVersion) {
    const std::string etag = "ETag: \"v1\"\r\n";
    const std::string date = "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n";
    struct Case {
        std::string name;
        std::string validator; // what the first answer gave
        S::Reply answer;
    };
    const std::vector<Case> cases = {
        // A server that ignores If-Range sends the rest of another version.
        {"otherEtag", etag, S::Status(206, kRest, "ETag: \"v2\"\r\n" + kRange)},
        {"noEtag", etag, S::Status(206, kRest, kRange)},
        {"otherDate", date,
         S::Status(206, kRest, "Last-Modified: Wed, 09 Dec 2026 10:00:00 GMT\r\n" + kRange)},
        {"longer", etag, Unmeasured206(etag + kRange, kRest + "trailing junk")},
        {"shorter", etag, Unmeasured206(etag + kRange, kRest.substr(0, 1000))},
        {"announcedLonger", etag, S::Status(206, kRest + "junk", etag + kRange)},
        {"endsEarly", etag,
         S::Status(206, kRest.substr(0, 50000),
                   etag + "Content-Range: bytes 40000-89999/100000\r\n")},
        {"unknownWhole", etag,
         S::Status(206, kRest, etag + "Content-Range: bytes 40000-99999/*\r\n")},
        {"otherWhole", etag,
         S::Status(206, kRest, etag + "Content-Range: bytes 40000-99999/200000\r\n")},
    };
    S server;
    Start(server.Port(), 2);
    int ud = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ud += 3;
        EXPECT_EQ(ContinueWith(server, c.name, c.validator, c.answer, ud), DS_RESULT_SERVER_ERROR);
        EXPECT_EQ(LocalNames(), std::vector<std::string>{}) << "the part went with the answer";
        // The next try asks for the whole file.
        EXPECT_EQ(Download(c.name, c.name, ud + 2), DS_RESULT_SUCCESS);
        EXPECT_EQ(server.RequestsFor("GET", "/" + c.name).back().Header("Range"), "");
        EXPECT_TRUE(ReadLocal(c.name) == kWhole);
        std::remove(LocalPath(c.name).c_str());
    }
    // The exact rest of the same version, by ETag or by date, completes the file.
    const std::string lastModified = "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n";
    EXPECT_EQ(ContinueWith(server, "byEtag", etag, S::Status(206, kRest, etag + kRange), 50),
              DS_RESULT_SUCCESS);
    EXPECT_TRUE(ReadLocal("byEtag") == kWhole);
    EXPECT_EQ(ContinueWith(server, "byDate", date, S::Status(206, kRest, date + kRange), 60),
              DS_RESULT_SUCCESS);
    EXPECT_TRUE(ReadLocal("byDate") == kWhole);
}

TEST_F(Integrity, AFailedWriteOfAContinuationIsTheDisksFailure) {
    const std::string whole = TestBytes(200000);
    S server;
    CutOnceThenTheRest(server, "/big", whole, 40000);
    Start(server.Port(), 2);
    ASSERT_EQ(Download("big", "big", 1), DS_RESULT_REQUEST_FAILED);
    int result = -1;
    {
        CFileSizeLimit full(65536);
        result = Download("big", "big", 2);
    }
    EXPECT_EQ(result, DS_RESULT_LOCAL_FILE_FAILED);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{});
}

// The server sends slowly enough that the user saves a file of the download's name meanwhile:
// the download ends without touching it, and leaves nothing of its own behind.
TEST_F(Integrity, AFileSavedWhileTheDownloadRunsIsNeverReplaced) {
    const std::string body(3000, 's');
    S server;
    server.On("GET", S::Trickled(200, body, 100, 40));
    Start(server.Port(), 5);
    const auto downloadWhileTheUserSaves = [&](const std::string& name, int userData) {
        m_pShelf->DownloadFile(LocalPath(name).c_str(), name.c_str(), 3, userData);
        EXPECT_TRUE(server.WaitForRequests("GET", "/" + Escaped(name), 1, 20000));
        Pump(100);
        WriteLocal(name, "the user's " + name);
        EXPECT_TRUE(WaitForCall("OnFileDownloaded", [&](const RecordedCall& c) {
            return c.args[2] == std::to_string(userData);
        }));
        return std::atoi(CallsNamed("OnFileDownloaded").back().args[3].c_str());
    };
    // Nothing was there when it began.
    EXPECT_EQ(downloadWhileTheUserSaves("report.docx", 1), DS_RESULT_LOCAL_FILE_FAILED);
    EXPECT_EQ(ReadLocal("report.docx"), "the user's report.docx");
    // A file was there and the user may replace it; the user wrote it again meanwhile.
    WriteLocal("old.txt", "the first words");
    EXPECT_EQ(downloadWhileTheUserSaves("old.txt", 2), DS_RESULT_LOCAL_FILE_FAILED);
    EXPECT_EQ(ReadLocal("old.txt"), "the user's old.txt");
    // Nothing changed it: the download replaces it as asked.
    EXPECT_EQ(Download("old.txt", "old.txt", 3), DS_RESULT_SUCCESS);
    EXPECT_EQ(ReadLocal("old.txt"), body);
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"old.txt", "report.docx"}));
}

// Five downloads hold every worker; the sixth waits its turn while the user saves its target.
TEST_F(Integrity, AFileSavedWhileTheDownloadWaitsItsTurnIsNeverReplaced) {
    S server;
    server.On("GET", S::Trickled(200, std::string(3000, 'b'), 100, 40));
    Start(server.Port(), 5);
    for (int i = 0; i < 5; ++i) {
        const std::string name = "busy" + std::to_string(i);
        m_pShelf->DownloadFile(LocalPath(name).c_str(), name.c_str(), 3, 10 + i);
    }
    ASSERT_TRUE(server.WaitForRequests("GET", "", 5, 20000));
    m_pShelf->DownloadFile(LocalPath("minutes.txt").c_str(), "minutes.txt", 3, 20);
    WriteLocal("minutes.txt", "the user's minutes");
    const auto isTheQueuedOne = [](const RecordedCall& c) { return c.args[2] == "20"; };
    ASSERT_TRUE(WaitForCall("OnFileDownloaded", isTheQueuedOne));
    const auto calls = CallsNamed("OnFileDownloaded");
    const auto queued = std::find_if(calls.begin(), calls.end(), isTheQueuedOne);
    EXPECT_EQ(queued->args[3], std::to_string(DS_RESULT_LOCAL_FILE_FAILED));
    EXPECT_EQ(ReadLocal("minutes.txt"), "the user's minutes");
    EXPECT_TRUE(server.RequestsFor("GET", "/minutes%2Etxt").empty());
}

// Two downloads of one target at once would share its kept part: the second waits for the first
// to commit, then replaces that copy (the component's own) with the newer version.
TEST_F(Integrity, ATargetIsWrittenByOneDownloadAtATime) {
    const std::string newer = TestBytes(100000, 2);
    S server;
    server
        .On("GET", WithHeaders(S::Cut(200, kHead, kWhole.size()), "ETag: \"v1\"\r\n"), "/twice", 1)
        .On("GET", WithHeaders(S::Trickled(206, kRest, 2000, 40), "ETag: \"v1\"\r\n" + kRange),
            "/twice", 1)
        .On("GET", S::Status(200, newer, "ETag: \"v2\"\r\n"), "/twice");
    Start(server.Port(), 5);
    ASSERT_EQ(Download("twice", "twice", 1), DS_RESULT_REQUEST_FAILED);
    m_pShelf->DownloadFile(LocalPath("twice").c_str(), "twice", 3, 2);
    ASSERT_TRUE(server.WaitForRequests("GET", "/twice", 2, 20000));
    m_pShelf->DownloadFile(LocalPath("twice").c_str(), "twice", 3, 3);
    const auto resultOf = [&](const std::string& userData) {
        const auto calls = CallsNamed("OnFileDownloaded");
        const auto it = std::find_if(calls.begin(), calls.end(),
                                     [&](const RecordedCall& c) { return c.args[2] == userData; });
        return it == calls.end() ? std::string("none") : it->args[3];
    };
    Pump(300); // the first's rest takes 1.2 s to arrive; the second waits meanwhile
    EXPECT_EQ(server.RequestsFor("GET", "/twice").size(), 2u);
    ASSERT_TRUE(PumpUntil([&] { return resultOf("2") != "none" && resultOf("3") != "none"; }));
    EXPECT_EQ(resultOf("2"), std::to_string(DS_RESULT_SUCCESS));
    EXPECT_EQ(resultOf("3"), std::to_string(DS_RESULT_SUCCESS));
    EXPECT_TRUE(ReadLocal("twice") == newer);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"twice"});
}

TEST_F(Integrity, AChatFilterAnnouncementNeverReplacesACopyTheUserSavedMeanwhile) {
    S server;
    server.On("GET", S::Trickled(200, std::string(3000, 'k'), 100, 40), "/mtkey%2Etxt");
    Start(server.Port(), 5);
    m_pShelf->OnBroadcastMessage("CHAT_FILTER_FILE_UPLOADED");
    ASSERT_TRUE(server.WaitForRequests("GET", "/mtkey%2Etxt", 1, 20000));
    Pump(100);
    WriteLocal("mtkey.txt", "the user's filter");
    ASSERT_TRUE(PumpUntil([&] { return !GetWebDavMgr()->IsBusy(); }, 20000));
    EXPECT_EQ(ReadLocal("mtkey.txt"), "the user's filter");
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"mtkey.txt"});
    EXPECT_TRUE(CallsNamed("SetChatFilterFile").empty());
}

// Interim answers without end are no answer: the connection is lost, not refused.
TEST_F(Integrity, ProcessingWithoutEndIsALostConnection) {
    std::string flood;
    for (int i = 0; i < 40; ++i) {
        flood += "HTTP/1.1 102 Processing\r\n\r\n";
    }
    S server;
    server.On("GET", S::TrickledRaw(flood, 27, 250));
    m_port.Limits().stallSeconds = 2;
    Start(server.Port(), 5);
    EXPECT_EQ(Download("a", "a", 1), DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{});
}

// An automatic download cut off while the server still answers (a balancer's other server, for
// one) is taken up again by the listing that follows the server check, and continues from what
// it kept.
TEST_F(Integrity, ACutAutomaticDownloadIsTakenUpAgainWhereItStopped) {
    const std::string whole = TestBytes(200000);
    S server;
    server
        .On("PROPFIND", S::Multistatus({{"/dav/room/Presenter/", kFolderProps},
                                        {"/dav/room/Presenter/big.bin", FileProps("200000")}}))
        .On("MKCOL", S::Status(405));
    CutOnceThenTheRest(server, "/big", whole, 40000);
    Start(server.Port());
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    ASSERT_TRUE(PumpUntil([&] { return server.RequestsFor("GET").size() == 2; }));
    ASSERT_TRUE(PumpUntil([&] { return LocalNames() == std::vector<std::string>{"big.bin"}; }));
    EXPECT_TRUE(ReadLocal("big.bin") == whole);
    EXPECT_EQ(server.RequestsFor("GET")[1].Header("Range"), "bytes=40000-");
}
