// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "CodePage.h"
#include "ListingReader.h"
#include "PathCodec.h"

TEST(PathCodec, EncodeKeepsOnlyLettersDigitsAndSlashes) {
    EXPECT_EQ(EncodePath("a/b c.txt"), "a/b%20c%2Etxt");
    EXPECT_EQ(EncodePath("\xE4"), "%E4");
    EXPECT_EQ(EncodePath("A-z_9~"), "A%2Dz%5F9%7E");
    EXPECT_EQ(EncodePath(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(EncodePath(""), "");
}

TEST(PathCodec, DecodeAcceptsBothLetterCases) {
    EXPECT_EQ(DecodePath("%2e"), ".");
    EXPECT_EQ(DecodePath("%2E"), ".");
    EXPECT_EQ(DecodePath("a%2Fb"), "a/b");
    EXPECT_EQ(DecodePath("%c3%a4"), "\xC3\xA4");
    // Non-hex digits count as zero, as the wire format has always been read.
    EXPECT_EQ(DecodePath("%zz"), std::string(1, '\0'));
}

TEST(PathCodec, DecodeNeverReadsPastTheEnd) {
    // Built from a buffer without a terminating zero so a read past the end would show
    // under the address sanitizer.
    const char raw[] = {'a', '%', '4'};
    EXPECT_EQ(DecodePath(std::string_view(raw, 3)), "a%4");
    const char lone[] = {'%'};
    EXPECT_EQ(DecodePath(std::string_view(lone, 1)), "%");
    EXPECT_EQ(DecodePath("x%"), "x%");
    EXPECT_EQ(DecodePath("%41%"), "A%");
}

TEST(PathCodec, EncodeDecodeRoundTripsEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(DecodePath(EncodePath(all)), all);
}

TEST(PathCodec, MakeServerPathDropsOneLeadingSlash) {
    EXPECT_EQ(MakeServerPath("/dav/room/", "/a"), "/dav/room/a");
    EXPECT_EQ(MakeServerPath("/dav/room/", "a"), "/dav/room/a");
    EXPECT_EQ(MakeServerPath("/dav/room/", ""), "/dav/room/");
    EXPECT_EQ(MakeServerPath("/dav/room/", "Presenter/"), "/dav/room/Presenter/");
}

TEST(PathCodec, ToRelativePathIgnoresCaseAndRejectsOutsiders) {
    EXPECT_EQ(ToRelativePath("/dav/room/", "/DAV/room/Presenter/"), "Presenter/");
    EXPECT_EQ(ToRelativePath("/dav/room/", "/other/x"), "");
    EXPECT_EQ(ToRelativePath("/dav/room/", "dav/room/a/b"), "a/b");
    EXPECT_EQ(ToRelativePath("/dav/room/", "/dav/room/"), "");
    EXPECT_EQ(ToRelativePath("/dav/room/", "/dav"), "");
}

TEST(PathCodec, NameAndParent) {
    EXPECT_EQ(GetPathName("/a/b/"), "b");
    EXPECT_EQ(GetParentPath("/a/b/"), "/a");
    EXPECT_EQ(GetParentPath("/a"), "");
    EXPECT_EQ(GetPathName("a"), "a");
    EXPECT_EQ(GetPathName("/dav/room/Presenter/mtkey.txt"), "mtkey.txt");
    EXPECT_EQ(GetParentPath("/dav/room/Presenter/mtkey.txt"), "/dav/room/Presenter");
    EXPECT_EQ(GetPathName(""), "");
    EXPECT_EQ(GetParentPath(""), "");
}

TEST(PathCodec, UnsafeLocalNames) {
    EXPECT_TRUE(IsUnsafeLocalName(""));
    EXPECT_TRUE(IsUnsafeLocalName("."));
    EXPECT_TRUE(IsUnsafeLocalName(".."));
    EXPECT_TRUE(IsUnsafeLocalName("a/b"));
    EXPECT_TRUE(IsUnsafeLocalName("a\\b"));
    EXPECT_TRUE(IsUnsafeLocalName(std::string("a\0b", 3)));
    EXPECT_FALSE(IsUnsafeLocalName("...")); // a legal file name
    EXPECT_FALSE(IsUnsafeLocalName(".hidden"));
}

TEST(PathCodec, NoCaseHelpers) {
    EXPECT_TRUE(EqualsNoCase("MTKEY.TXT", "mtkey.txt"));
    EXPECT_FALSE(EqualsNoCase("mtkey.txt ", "mtkey.txt"));
    EXPECT_TRUE(EndsWithNoCase("PLAN.PPT.MXDSTMP", ".mxdstmp"));
    EXPECT_FALSE(EndsWithNoCase("mxdstmp", ".mxdstmp"));
}

TEST(PathCodec, GbkCodePageGoesOutAsUtf8) {
    afx::SetTestCodePage(afx::CP_GBK);
    // "中" is D6 D0 in GBK and E4 B8 AD in UTF-8.
    EXPECT_EQ(EncodePath(AnsiToUtf8("\xD6\xD0.txt")), "%E4%B8%AD%2Etxt");
    EXPECT_EQ(Utf8ToAnsi(DecodePath("%e4%b8%ad")), "\xD6\xD0");
    afx::SetTestCodePage(0);
}

TEST(ResourceType, OnlyTheCollectionElementOfDavMakesAFolder) {
    EXPECT_TRUE(IsCollectionValue("<DAV:collection></DAV:collection>"));
    EXPECT_TRUE(IsCollectionValue(" <DAV:collection urn:zkind='room'></DAV:collection>\n"));
    EXPECT_TRUE(
        IsCollectionValue("<DAV:principal></DAV:principal><DAV:collection></DAV:collection>"));
    EXPECT_FALSE(IsCollectionValue(""));
    EXPECT_FALSE(IsCollectionValue(nullptr));
    EXPECT_FALSE(IsCollectionValue("<DAV:collectionx></DAV:collectionx>"));
    EXPECT_FALSE(IsCollectionValue("<urn:zcollection></urn:zcollection>"));
    // Text is no element: escaped mentions arrive as bare text beside or inside elements.
    EXPECT_FALSE(IsCollectionValue("collection"));
    EXPECT_FALSE(IsCollectionValue("see <DAV:collection></DAV:collection>"));
    EXPECT_FALSE(IsCollectionValue("<DAV:collection/>"));
    EXPECT_FALSE(IsCollectionValue("<urn:zx><DAV:collection></DAV:collection></urn:zx>"));
}

TEST(ContentLength, DigitsWithinSixtyFourBitsOnly) {
    uint64_t n = 1;
    EXPECT_TRUE(ParseContentLength(" 5368709120 ", n));
    EXPECT_EQ(n, 5368709120ull);
    EXPECT_TRUE(ParseContentLength("18446744073709551615", n));
    EXPECT_EQ(n, UINT64_MAX);
    EXPECT_FALSE(ParseContentLength("18446744073709551616", n));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(ParseContentLength("12abc", n));
    EXPECT_FALSE(ParseContentLength("-1", n));
    EXPECT_FALSE(ParseContentLength("", n));
}

TEST(PathCodec, ParentOfTheServerDirectoryWithAndWithoutTheLeadingSlash) {
    EXPECT_EQ(ParentOfServerDir("/dav/room/"), "/dav");
    EXPECT_EQ(ParentOfServerDir("/dav/room"), "/dav");
    EXPECT_EQ(ParentOfServerDir("dav/room/"), "dav");
    EXPECT_EQ(ParentOfServerDir("/room/"), "");
    EXPECT_EQ(ParentOfServerDir("room/"), "");
    EXPECT_EQ(ParentOfServerDir(""), "");
}
