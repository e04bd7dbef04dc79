// SPDX-License-Identifier: Apache-2.0
// The work items and job records the WebDAV manager builds, read back from the queue of a
// directory work thread that has not been started.
#include <gtest/gtest.h>

#include <string>

#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "RecordUtil.h"
#include "WebDavMgr.h"

namespace {

struct ItemDeleter {
    void operator()(IDataRecord* p) const {
        if (p != nullptr) {
            p->Release();
        }
    }
};
using Item = std::unique_ptr<IDataRecord, ItemDeleter>;

Item Take() {
    return Item(GetWebDavMgr()->GetWorkThread().TakeQueuedWork());
}

uint32_t U32(IDataRecord* r, const char* key) {
    uint32_t v = 0xDEADBEEF;
    EXPECT_TRUE(rec::GetU32(r, key, v)) << key;
    EXPECT_EQ(r->GetDataSize(key), 4u) << key;
    return v;
}

std::string Str(IDataRecord* r, const char* key) {
    std::string s = rec::GetStr(r, key);
    // Stored with the terminating zero.
    EXPECT_EQ(r->GetDataSize(key), s.size() + 1) << key;
    return s;
}

// Sets the server directory without starting the thread (Init would start it).
class WebDavMgrRecords : public ::testing::Test {
protected:
    void SetUp() override {
        CWebDavMgr* m = GetWebDavMgr();
        // Settings through Init, then the thread is stopped so items stay queued.
        m->Init("127.0.0.1", 1, "/dav/room/");
        m->GetWorkThread().Stop(1, 10000);
        while (Take()) {
        }
        m->SetServerAvailable(1);
        GetDocShelfMgr()->SetRights(0xF);
    }
};

} // namespace

TEST(WebDavMgrInit, ServerDirectoryAlwaysEndsInASlashAndIsCut) {
    CWebDavMgr* m = GetWebDavMgr();
    m->Init("127.0.0.1", 1, "/dav/room");
    EXPECT_EQ(m->GetServerDir(), "/dav/room/");
    m->Init(std::string(150, 'h').c_str(), 1, "");
    EXPECT_EQ(m->GetServerDir(), "/");
    EXPECT_EQ(m->GetSettings().host.size(), 99u);
    m->Init("127.0.0.1", 1, ("/" + std::string(400, 'd')).c_str());
    EXPECT_EQ(m->GetServerDir().size(), 259u);
    EXPECT_EQ(m->GetServerDir().back(), '/');
    m->SetUserAuth(std::string(120, 'u').c_str(), "pw");
    EXPECT_EQ(m->GetSettings().userName.size(), 99u);
    EXPECT_EQ(m->GetSettings().password, "pw");
    m->Shutdown();
}

TEST_F(WebDavMgrRecords, ListingItemCarriesTheCallersPathAndKey) {
    CWebDavMgr* m = GetWebDavMgr();
    ASSERT_EQ(m->MakeServerPath("a"), m->GetServerDir() + "a");
    m->ListDirectory("a", 9, 2, "ApplicationUserData");
    Item item = Take();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->GetMethod(), 6u);
    EXPECT_EQ(Str(item.get(), "RelatePath"), "a");
    EXPECT_EQ(Str(item.get(), "FullPath"), m->GetServerDir() + "a/");
    EXPECT_EQ(U32(item.get(), "ApplicationUserData"), 9u);
    EXPECT_EQ(U32(item.get(), "dwDepth"), 2u);
    EXPECT_FALSE(item->HasData("InternalUserData"));

    m->ListDirectory("", 0xFFFF0000u, 2, "InternalUserData");
    item = Take();
    ASSERT_TRUE(item);
    EXPECT_EQ(Str(item.get(), "FullPath"), m->GetServerDir());
    EXPECT_EQ(U32(item.get(), "InternalUserData"), 0xFFFF0000u);

    m->ListDirectory("x", 1, 2, nullptr);
    EXPECT_FALSE(Take());
}

TEST_F(WebDavMgrRecords, GatesDropWorkWhileTheServerIsUnavailable) {
    CWebDavMgr* m = GetWebDavMgr();
    m->SetServerAvailable(0);
    m->DeleteFile("a.txt", 1);
    m->DeleteDirectory("d", 1);
    m->MoveFile("a", "b", 1);
    m->ClearServerSpace();
    EXPECT_FALSE(Take());
    // Folder creation is queued; the work thread refuses it.
    m->MakeDirectory("d", 3);
    Item item = Take();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->GetMethod(), 5u);
    GetDocShelfMgr()->SetRights(0xF & ~0x4u);
    m->ListDirectory("a", 1, 2, "InternalUserData");
    EXPECT_FALSE(Take());
}

TEST_F(WebDavMgrRecords, DeleteMoveAndClearPaths) {
    CWebDavMgr* m = GetWebDavMgr();
    const std::string dir = m->GetServerDir();
    m->DeleteFile("/x/y.txt", 4);
    m->DeleteDirectory("x", 5);
    m->ClearServerSpace();
    m->MoveFile("a", "/b c", 6);
    m->MakeServerDirectory("/abs");
    m->CheckServer(1);

    Item del = Take();
    EXPECT_EQ(del->GetMethod(), 4u);
    EXPECT_EQ(Str(del.get(), "FullPath"), dir + "x/y.txt");
    EXPECT_EQ(U32(del.get(), "InternalUserData"), 4u);
    Item deldir = Take();
    EXPECT_EQ(Str(deldir.get(), "FullPath"), dir + "x/");
    Item clear = Take();
    EXPECT_EQ(Str(clear.get(), "FullPath"), dir + "/");
    EXPECT_EQ(U32(clear.get(), "InternalUserData"), 0u);
    Item move = Take();
    EXPECT_EQ(move->GetMethod(), 3u);
    EXPECT_EQ(Str(move.get(), "FullPathFrom"), dir + "a");
    EXPECT_EQ(Str(move.get(), "FullPathTo"), dir + "b c");
    EXPECT_EQ(U32(move.get(), "InternalUserData"), 6u);
    Item mk = Take();
    EXPECT_EQ(mk->GetMethod(), 5u);
    EXPECT_EQ(Str(mk.get(), "FullPath"), "/abs");
    Item check = Take();
    EXPECT_EQ(check->GetMethod(), 7u);
    EXPECT_EQ(U32(check.get(), "bIsAutoRefresh"), 1u);
    EXPECT_FALSE(Take());
}

TEST_F(WebDavMgrRecords, TransferJobRecordDescribesTheTransfer) {
    CWebDavMgr* m = GetWebDavMgr();
    ITask* up = m->UploadFile("/Presenter/a b.txt", "/tmp/local a.txt", 0, 1);
    ASSERT_NE(up, nullptr);
    IDataRecord* jr = up->GetJob()->GetContainer();
    ASSERT_NE(jr, nullptr);
    EXPECT_EQ(jr->GetMethod(), 2u);
    EXPECT_EQ(Str(jr, "FullPath"), m->GetServerDir() + "Presenter/a b.txt");
    EXPECT_EQ(Str(jr, "LocalFilePathName"), "/tmp/local a.txt");
    EXPECT_EQ(U32(jr, "AddRefFlag"), 1u);
    ITask* down = m->DownloadFile("f", "/tmp/f", 0, 0);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->GetJob()->GetContainer()->GetMethod(), 1u);
    EXPECT_EQ(U32(down->GetJob()->GetContainer(), "AddRefFlag"), 0u);
    EXPECT_NE(up->GetTaskID(), down->GetTaskID());
}
