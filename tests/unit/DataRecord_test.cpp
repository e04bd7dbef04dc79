// SPDX-License-Identifier: Apache-2.0
// CoreLib's keyed records.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "CoreLib.h"

namespace {

IDataRecord* NewRecord() {
    return GetDataFactory(1)->CreateDataRecord();
}

} // namespace

TEST(DataRecord, ValuesAreCopiedIn) {
    IDataRecord* r = NewRecord();
    ASSERT_NE(r, nullptr);
    char text[] = "FullPath value";
    ASSERT_TRUE(r->SetData("FullPath", text, sizeof(text)));
    std::strcpy(text, "changed later!");
    EXPECT_STREQ(static_cast<const char*>(r->GetDataPtr("FullPath")), "FullPath value");
    EXPECT_EQ(r->GetDataSize("FullPath"), sizeof(text));
    r->Release();
}

TEST(DataRecord, OverwriteReplacesValueAndSize) {
    IDataRecord* r = NewRecord();
    uint64_t big = 0x1122334455667788ULL;
    uint32_t small = 7;
    r->SetData("v", &big, sizeof(big));
    r->SetData("v", &small, sizeof(small));
    EXPECT_EQ(r->GetDataSize("v"), 4u);
    uint32_t out = 0;
    EXPECT_TRUE(r->GetData("v", &out, sizeof(out)));
    EXPECT_EQ(out, 7u);
    r->Release();
}

TEST(DataRecord, GetDataNeverWritesPastTheCallersSize) {
    IDataRecord* r = NewRecord();
    uint64_t value = 0xAAAAAAAAAAAAAAAAULL;
    r->SetData("ullFileLength", &value, sizeof(value));

    unsigned char buffer[12];
    std::memset(buffer, 0x5C, sizeof(buffer));
    // A buffer too small for the stored value gets nothing at all.
    EXPECT_FALSE(r->GetData("ullFileLength", buffer, 4));
    for (unsigned char c : buffer) {
        EXPECT_EQ(c, 0x5C);
    }
    // A larger one gets the value and keeps the rest.
    EXPECT_TRUE(r->GetData("ullFileLength", buffer, sizeof(buffer)));
    EXPECT_EQ(std::memcmp(buffer, &value, 8), 0);
    EXPECT_EQ(buffer[8], 0x5C);
    r->Release();
}

TEST(DataRecord, MissingKeys) {
    IDataRecord* r = NewRecord();
    int32_t out = 42;
    EXPECT_FALSE(r->HasData("dwUserData"));
    EXPECT_EQ(r->GetDataPtr("dwUserData"), nullptr);
    EXPECT_EQ(r->GetDataSize("dwUserData"), 0u);
    EXPECT_FALSE(r->GetData("dwUserData", &out, sizeof(out)));
    EXPECT_EQ(out, 42);
    EXPECT_FALSE(r->HasData(nullptr));
    // Keys are case-sensitive.
    r->SetData("hItem", &out, sizeof(out));
    EXPECT_TRUE(r->HasData("hItem"));
    EXPECT_FALSE(r->HasData("HITEM"));
    EXPECT_TRUE(r->RemoveData("hItem"));
    EXPECT_FALSE(r->HasData("hItem"));
    r->Release();
}

TEST(DataRecord, EmptyValueExists) {
    IDataRecord* r = NewRecord();
    r->SetData("empty", "", 0);
    EXPECT_TRUE(r->HasData("empty"));
    ASSERT_NE(r->GetDataPtr("empty"), nullptr);
    EXPECT_EQ(r->GetDataSize("empty"), 0u);
    r->Release();
}

TEST(DataRecord, MethodIsStored) {
    IDataRecord* r = NewRecord();
    EXPECT_EQ(r->GetMethod(), 0u);
    r->SetMethod(6);
    EXPECT_EQ(r->GetMethod(), 6u);
    r->Release();
}

TEST(DataRecord, ReferenceCountAndReleaseFromAnotherThread) {
    IDataRecord* r = NewRecord();
    EXPECT_EQ(r->AddRef(), 2);
    EXPECT_EQ(r->Release(), 1);
    int32_t v = 5;
    r->SetData("k", &v, sizeof(v));
    // Hand-over as a posted record does: the receiving thread releases the last reference.
    int32_t last = -1;
    std::thread([r, &last] { last = r->Release(); }).join();
    EXPECT_EQ(last, 0);
}

TEST(DataRecord, ManyThreadsCreateAndReleaseRecords) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 20000; ++i) {
                IDataRecord* r = GetDataFactory(i & 1)->CreateDataRecord();
                r->SetData("TaskID", &i, sizeof(i));
                r->AddRef();
                r->Release();
                r->Release();
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
}
