#include "gui/Stream.h"

#include "gui/Exceptions.h"
#include "tests/common/TempDir.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(Stream, FileStreamsRoundTripAndReportPositions) {
    TempDir dir;
    {
        TFileStream out(dir.File("f.bin"), TFileStream::fmCreate);
        out.WriteBuffer("hello world", 11);
        EXPECT_EQ(out.Position(), 11);
        EXPECT_EQ(out.Size(), 11);
    }
    TFileStream in(dir.File("f.bin"), TFileStream::fmOpenRead);
    in.Seek(-5, TSeekOrigin::soEnd);
    char buffer[6] = {};
    in.ReadBuffer(buffer, 5);
    EXPECT_STREQ(buffer, "world");
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
}

TEST(Stream, OpeningAMissingFileNamesItInTheMessage) {
    TempDir dir;
    try {
        TFileStream in(dir.File("absent"), TFileStream::fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("Cannot open file \"" + dir.File("absent") + "\""),
                  std::string::npos);
    }
}

TEST(Stream, MemoryStreamsGrowSeekAndCopy) {
    TMemoryStream a;
    a.WriteBuffer("abcdef", 6);
    a.Seek(2, TSeekOrigin::soBeginning);
    a.WriteBuffer("XY", 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.Memory()), 6), "abXYef");
    TMemoryStream b;
    EXPECT_EQ(b.CopyFrom(a, 0), 6);
    EXPECT_EQ(b.Bytes(), a.Bytes());
    EXPECT_THROW(a.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}
