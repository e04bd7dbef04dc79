// SPDX-License-Identifier: Apache-2.0
// Many listing rows in one record: every field comes back as written, in order, and a record
// cut short hands over only the whole rows before the cut.
#include <gtest/gtest.h>

#include <vector>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "Records.h"

TEST(ListingBatch, RowsComeBackWholeAndInOrderAndACutRecordStopsAtTheCut) {
    ds::ListingEntryRecord a;
    a.depth = 2;
    a.hItem = 7;
    a.relatedPath = "/Presenter/";
    a.fileName = "Grüße 中文.txt";
    a.extName = "txt";
    a.length = (5ull << 30) + 3;
    a.author = "Zoë";
    ds::ListingEntryRecord b = a;
    b.bDir = true;
    b.fileName = "Old";
    b.extName.clear();
    b.author.clear();
    b.bLengthKnown = false;
    b.length = 0;

    ds::ListingEntryBatch batch;
    batch.Add(a);
    batch.Add(b);
    IDataRecord* pRec = GetDataFactory(1)->CreateDataRecord();
    batch.Write(pRec, ds::kToDirList, ds::kDirAddEntries);
    EXPECT_EQ(batch.Count(), 0u);
    std::vector<ds::ListingEntryRecord> read;
    EXPECT_TRUE(ds::ReadListingEntries(pRec, [&](const auto& row) { read.push_back(row); }));
    ASSERT_EQ(read.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const ds::ListingEntryRecord& want = i == 0 ? a : b;
        EXPECT_EQ(read[i].depth, 2u);
        EXPECT_EQ(read[i].hItem, 7u);
        EXPECT_EQ(read[i].relatedPath, "/Presenter/");
        EXPECT_EQ(read[i].fileName, want.fileName);
        EXPECT_EQ(read[i].extName, want.extName);
        EXPECT_EQ(read[i].author, want.author);
        EXPECT_EQ(read[i].length, want.length);
        EXPECT_EQ(read[i].bDir, want.bDir);
        EXPECT_EQ(read[i].bLengthKnown, want.bLengthKnown);
    }

    const uint32_t size = pRec->GetDataSize(ds::key::Entries);
    const std::string packed(static_cast<const char*>(pRec->GetDataPtr(ds::key::Entries)), size);
    pRec->SetData(ds::key::Entries, packed.data(), size - 2);
    read.clear();
    EXPECT_FALSE(ds::ReadListingEntries(pRec, [&](const auto& row) { read.push_back(row); }));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].fileName, a.fileName);
    pRec->Release();
}
