#include <gtest/gtest.h>

#include "CodePage.h"
#include "NeonCallback.h"
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

TEST(ResourceType, CollectionElementIsRecognisedWithOrWithoutAttributes) {
    EXPECT_TRUE(CNeonCallback::IsCollection("<DAV:collection></DAV:collection>"));
    EXPECT_TRUE(CNeonCallback::IsCollection("<dav:COLLECTION></dav:COLLECTION>"));
    EXPECT_TRUE(CNeonCallback::IsCollection("<DAV:collection xmlns:D=\"DAV:\"></DAV:collection>"));
    EXPECT_TRUE(CNeonCallback::IsCollection("<DAV:collection/>"));
    EXPECT_TRUE(CNeonCallback::IsCollection(
        "<DAV:principal></DAV:principal><DAV:collection></DAV:collection>"));
    EXPECT_FALSE(CNeonCallback::IsCollection(""));
    EXPECT_FALSE(CNeonCallback::IsCollection(nullptr));
    EXPECT_FALSE(CNeonCallback::IsCollection("<DAV:collectionx></DAV:collectionx>"));
    EXPECT_FALSE(CNeonCallback::IsCollection("collection"));
}
