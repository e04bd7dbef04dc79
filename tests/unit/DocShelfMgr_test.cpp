// SPDX-License-Identifier: Apache-2.0
// The DocShelf manager's settings, helpers and host lookup.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "CoreLib.h"
#include "DocShelf.h"
#include "DocShelfMgr.h"
#include "LogCapture.h"
#include "RecordingHost.h"

namespace {

std::string WorkDirectory() {
    char buffer[4096];
    CoreLibGetWorkDirectory(buffer, sizeof(buffer));
    return buffer;
}

} // namespace

TEST(DocShelfMgr, LocalDirectoryGetsOneTrailingSeparator) {
    CDocShelfMgr mgr;
    mgr.SetLocalDirectory("/tmp/save");
    EXPECT_EQ(mgr.GetLocalDirectory(), "/tmp/save/");
    EXPECT_EQ(WorkDirectory(), "/tmp/save/");
    mgr.SetLocalDirectory("/tmp/save/");
    EXPECT_EQ(mgr.GetLocalDirectory(), "/tmp/save/");
    mgr.SetLocalDirectory("");
    EXPECT_EQ(mgr.GetLocalDirectory(), "");
    EXPECT_EQ(WorkDirectory(), "");
}

TEST(DocShelfMgr, NullLocalDirectoryIsReportedAndChangesNothing) {
    CLogCapture log;
    CDocShelfMgr mgr;
    mgr.SetLocalDirectory("/srv/a");
    mgr.SetLocalDirectory(nullptr);
    EXPECT_EQ(mgr.GetLocalDirectory(), "/srv/a/");
    EXPECT_TRUE(log.Contains("Assert failed: file=DocShelfMgr line=183 expr=LocalPath"));
}

TEST(DocShelfMgr, OperationsLogTheirCalls) {
    CLogCapture log;
    CDocShelfMgr mgr;
    mgr.ListDirectoryContent("x\\y", 5, 9);
    mgr.SetLocalDirectory("/d");
    EXPECT_TRUE(log.Contains("dshelf - CDocShelfMgr::ListDirectoryContent(x\\y,5,9)"));
    EXPECT_TRUE(log.Contains("dshelf - CDocShelfMgr::SetLocalDirectory(/d)"));
}

TEST(DocShelfMgr, PasswordNeverReachesTheLog) {
    CLogCapture log;
    CDocShelfMgr mgr;
    EXPECT_EQ(mgr.SetUserAuth("alice", "s3cr3t-pw"), 0);
    EXPECT_TRUE(log.Contains("dshelf - CDocShelfMgr::SetUserAuth(alice,******)"));
    EXPECT_FALSE(log.Contains("s3cr3t-pw"));
}

TEST(DocShelfMgr, RightsBits) {
    CDocShelfMgr mgr;
    EXPECT_FALSE(mgr.CanDownload() || mgr.CanUpload() || mgr.CanList() || mgr.CanDelete());
    mgr.SetRights(DS_RIGHT_LIST | DS_RIGHT_DELETE);
    EXPECT_EQ(mgr.CanDownload(), 0);
    EXPECT_EQ(mgr.CanUpload(), 0);
    EXPECT_EQ(mgr.CanList(), 1);
    EXPECT_EQ(mgr.CanDelete(), 1);
    mgr.SetRights(0xFFFFFFF3u);
    EXPECT_EQ(mgr.CanDownload(), 1);
    EXPECT_EQ(mgr.CanUpload(), 1);
    EXPECT_EQ(mgr.CanList(), 0);
}

TEST(DocShelfMgr, SettingsAreKept) {
    CDocShelfMgr mgr;
    mgr.SetSizeLimits(5ULL << 32, (7ULL << 32) + 3);
    EXPECT_EQ(mgr.GetMaxUploadSize(), 5ULL << 32);
    EXPECT_EQ(mgr.GetTotalSpace(), (7ULL << 32) + 3);
    EXPECT_EQ(mgr.IsAutoDownload(), 0);
    mgr.EnableAutoDownload();
    EXPECT_EQ(mgr.IsAutoDownload(), 1);
    mgr.SetAuthorName("张三");
    EXPECT_EQ(mgr.GetAuthorName(), "张三");
    mgr.SetUserRole(0xC);
    EXPECT_EQ(mgr.GetUserRole(), 0xC);
    EXPECT_EQ(mgr.IsLocalCleanupDone(), 0);
    mgr.SetLocalCleanupDone();
    EXPECT_EQ(mgr.IsLocalCleanupDone(), 1);
}

TEST(DocShelfMgr, FormatSizeBoundaries) {
    EXPECT_EQ(CDocShelfMgr::FormatSize(0), "0.00 KB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(1536), "1.50 KB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(1048576), "1024.00 KB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(1048577), "1.00 MB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(1073741824), "1024.00 MB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(1073741825), "1.00 GB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(4294967296ULL), "4.00 GB");
    EXPECT_EQ(CDocShelfMgr::FormatSize(~0ULL), "17179869184.00 GB");
}

TEST(DocShelfMgr, ServerPathsUseSlashes) {
    EXPECT_EQ(CDocShelfMgr::ToServerPath("a\\b\\c.txt"), "a/b/c.txt");
    EXPECT_EQ(CDocShelfMgr::ToServerPath("/x/y"), "/x/y");
    EXPECT_EQ(CDocShelfMgr::ToServerPath(nullptr), "");
}

TEST(DocShelfMgr, HostContainerIsAskedForAtEveryUse) {
    CDocShelfMgr mgr;
    EXPECT_EQ(mgr.GetHostContainer(), nullptr) << "no interface manager yet";

    IMXCCItfMgr* itfMgr = nullptr;
    ASSERT_EQ(CreateComp("Default", &itfMgr), 0);
    CRecordingHost host;
    itfMgr->SetHostItfMgr(&host);
    mgr.SetItfMgr(itfMgr);

    EXPECT_EQ(mgr.GetHostContainer(), static_cast<IDocShelfContainerItf*>(&host));
    EXPECT_EQ(mgr.GetHostContainer(), static_cast<IDocShelfContainerItf*>(&host));
    EXPECT_EQ(host.QueryCount(), 2);
    host.SetAnswering(false);
    EXPECT_EQ(mgr.GetHostContainer(), nullptr);
    itfMgr->SetHostItfMgr(nullptr);
}

TEST(DocShelfMgr, ActiveTransferCountUnderConcurrency) {
    CDocShelfMgr mgr;
    EXPECT_EQ(mgr.GetActiveTransferCount(), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&mgr] {
            for (int i = 0; i < 5000; ++i) {
                mgr.AddActiveTransfer();
                mgr.RemoveActiveTransfer();
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(mgr.GetActiveTransferCount(), 0);
    mgr.AddActiveTransfer();
    EXPECT_EQ(mgr.GetActiveTransferCount(), 1);
}

TEST(DocShelfMgr, NoRecordsBeforeInitAndNoMessageWithoutView) {
    CLogCapture log;
    CDocShelfMgr mgr;
    EXPECT_EQ(mgr.CreateDataRecord(), nullptr);
    EXPECT_EQ(mgr.ShowMessage("hello", 0), 0);
    EXPECT_TRUE(log.Contains("Assert failed: file=DocShelfMgr line=323 expr=m_pView"));
}
