// SPDX-License-Identifier: Apache-2.0
// The exported functions, the interface manager and the module base interface.

#include <gtest/gtest.h>

#include <thread>

#include "DocShelf.h"
#include "DocShelfMgr.h"
#include "IDocShelfInfoItf.h"
#include "LogCapture.h"
#include "RecordingHost.h"

TEST(ComponentEntry, ComponentNamesAreCaseInsensitiveAndYieldOneManager) {
    IMXCCItfMgr* a = nullptr;
    IMXCCItfMgr* b = nullptr;
    EXPECT_EQ(CreateComp("default", &a), 0);
    EXPECT_EQ(CreateComp("ccDocShelf", &b), 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);

    auto* sentinel = reinterpret_cast<IMXCCItfMgr*>(0x1234);
    IMXCCItfMgr* untouched = sentinel;
    EXPECT_EQ(CreateComp("DocShelf", &untouched), -1);
    EXPECT_EQ(CreateComp("", &untouched), -1);
    EXPECT_EQ(CreateComp(nullptr, &untouched), -1);
    EXPECT_EQ(untouched, sentinel);
}

TEST(ComponentEntry, DestroyThenCreateGivesTheSameManager) {
    IMXCCItfMgr* first = nullptr;
    ASSERT_EQ(CreateComp("Default", &first), 0);
    EXPECT_EQ(DestroyComp(first), 0);
    IMXCCItfMgr* second = nullptr;
    ASSERT_EQ(CreateComp("CCDocShelf", &second), 0);
    EXPECT_EQ(first, second);
}

TEST(ComponentEntry, QueryItfAnswersOnlyTheComponentInterface) {
    IMXCCItfMgr* mgr = nullptr;
    ASSERT_EQ(CreateComp("Default", &mgr), 0);

    void* itf = nullptr;
    EXPECT_EQ(mgr->QueryItf("idocshelf", &itf), 1);
    ASSERT_NE(itf, nullptr);
    auto* docShelf = static_cast<IDocShelfItf*>(itf);
    EXPECT_EQ(docShelf, static_cast<IDocShelfItf*>(GetDocShelfMgr()));
    EXPECT_EQ(docShelf->GetItfMgr(), mgr);

    void* other = nullptr;
    EXPECT_EQ(mgr->QueryItf("IDocShelfContainerItf", &other), 1);
    EXPECT_EQ(other, nullptr);

    void* info = nullptr;
    EXPECT_EQ(mgr->QueryItf("IDocShelfInfo", &info), 1);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(static_cast<IDocShelfInfoItf*>(info)->GetVersion(), DOCSHELF_PROJECT_VERSION);
    EXPECT_EQ(static_cast<IDocShelfInfoItf*>(info)->GetInterfaceRevision(), DS_INTERFACE_REVISION);
}

TEST(ComponentEntry, HostQueriesGoThroughTheHostManager) {
    IMXCCItfMgr* mgr = nullptr;
    ASSERT_EQ(CreateComp("Default", &mgr), 0);
    void* container = nullptr;
    EXPECT_EQ(mgr->QueryHostItf("IDocShelfContainerItf", &container), 0) << "no host manager yet";
    EXPECT_EQ(container, nullptr);

    CRecordingHost host;
    EXPECT_EQ(mgr->SetHostItfMgr(&host), 0);
    EXPECT_EQ(mgr->QueryHostItf("IDocShelfContainerItf", &container), 1);
    EXPECT_EQ(container, static_cast<IDocShelfContainerItf*>(&host));
    mgr->SetHostItfMgr(nullptr);
}

TEST(ModuleItf, ReferenceCountOnlyCounts) {
    CDocShelfMgr module;
    EXPECT_EQ(module.AddRef(), 2);
    EXPECT_EQ(module.Release(), 1);
    EXPECT_EQ(module.Release(), 0);
    // Still usable: the count never deletes.
    module.SetSizeLimits(1, 2);
    EXPECT_EQ(module.GetTotalSpace(), 2u);
    EXPECT_EQ(module.AddRef(), 1);
}

TEST(ModuleItf, ReferenceCountIsAtomic) {
    CDocShelfMgr module;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&module] {
            for (int i = 0; i < 10000; ++i) {
                module.AddRef();
                module.Release();
                module.AddRef();
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(module.Release(), 40000);
}

TEST(ModuleItf, CheckThreadReportsASecondThread) {
    CLogCapture log;
    CDocShelfMgr module;
    module.CheckThread();
    module.CheckThread();
    EXPECT_FALSE(log.Contains("Assert failed"));

    std::thread([&module] { module.CheckThread(); }).join();
    auto lines = log.Lines();
    ASSERT_EQ(log.Count("Assert failed"), 1);
    for (const LogLine& line : lines) {
        if (line.text.find("Assert failed") != std::string::npos) {
            EXPECT_EQ(line.text, "Assert failed: file=CommonCC line=47 expr=FALSE");
            EXPECT_EQ(line.level, 16);
        }
    }
    // The owner thread is still fine afterwards.
    log.Clear();
    module.CheckThread();
    EXPECT_FALSE(log.Contains("Assert failed"));
}
