// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "CoreLib.h"
#include "DirThread.h"

namespace {

IDataRecord* NewItem(uint32_t method) {
    IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
    r->SetMethod(method);
    return r;
}

} // namespace

// Methods outside 3 to 7 send nothing and run no completion; the item is released all the same.
TEST(DirThread, StopRunsEveryItemQueuedBeforeIt) {
    CWDWorkThread t;
    ASSERT_EQ(t.Start(), 1);
    IDataRecord* items[3] = {NewItem(1), NewItem(2), NewItem(99)};
    for (IDataRecord* item : items) {
        item->AddRef();
        t.PushWork(item);
    }
    EXPECT_EQ(t.Stop(1, 10000), qk::WAIT_OBJECT_0);
    EXPECT_EQ(t.QueuedCount(), 0u);
    for (IDataRecord* item : items) {
        // Only our own reference is left.
        EXPECT_EQ(item->Release(), 0);
    }
}

TEST(DirThread, ItemsQueuedAfterTheEndWaitForTheDestructor) {
    IDataRecord* item = NewItem(99);
    item->AddRef();
    {
        CWDWorkThread t;
        ASSERT_EQ(t.Start(), 1);
        t.Stop(1, 10000);
        t.PushWork(item);
        EXPECT_EQ(t.QueuedCount(), 1u);
        t.PushWork(nullptr);
    }
    EXPECT_EQ(item->Release(), 0);
}

TEST(DirThread, RecordsComeFromTheThreadsFactoryOnceItRuns) {
    CWDWorkThread t;
    EXPECT_EQ(t.CreateDataRecord(), nullptr);
    ASSERT_EQ(t.Start(), 1);
    // A queued item has been through Run, so the factory is known afterwards.
    t.PushWork(NewItem(99));
    t.Stop(1, 10000);
    IDataRecord* r = t.CreateDataRecord();
    ASSERT_NE(r, nullptr);
    r->Release();
}
