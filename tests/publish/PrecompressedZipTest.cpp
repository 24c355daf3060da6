// A list deflated while it is written gives the very archive the writer makes from the file.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "io/CBackgroundDeflater.h"
#include "io/CFileSink.h"
#include "io/CTeeSink.h"
#include "io/CTextStream.h"
#include "publish/CZipWriter.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CFailingSink.h"
#include "tests/support/CScratchDir.h"

namespace {

// Megabytes of list text in uneven pieces to `list`, deflated on the way through `temp`.
std::shared_ptr<CDeflatedData> WriteList(std::unique_ptr<IByteSink> list, const std::string& temp) {
    auto deflated = std::make_shared<CDeflatedData>();
    CTextStream out(std::make_unique<CTeeSink>(
                        std::move(list), std::make_unique<CBackgroundDeflater>(temp, 9, deflated)),
                    "LIST.TXT");
    const std::string text = PatternText(3000000);
    for (size_t at = 0, n = 1; at < text.size(); at += n, n = n * 7 % 101 + 1)
        out.Write(std::string_view(text).substr(at, n));
    EXPECT_TRUE(out.Close());
    return deflated;
}

std::string Archive(const std::string& list, const CDeflatedData* deflated) {
    std::string bytes;
    CZipWriter writer;
    writer.Create(MemoryFile(&bytes));
    const bool added = deflated ? writer.AddPrecompressed(list, "LIST.TXT", 9, *deflated)
                                : writer.AddFile(list, "LIST.TXT", 9, 65535);
    EXPECT_TRUE(added);
    writer.SetComment("made twice");
    writer.Close();
    return bytes;
}

}  // namespace

TEST(PrecompressedZip, IsTheSameArchiveByteForByte) {
    CScratchDir dir;
    const std::string list = dir.File("LIST.TXT");
    std::string error;
    auto file = CFileSink::Create(list, &error);
    ASSERT_TRUE(file) << error;
    const auto deflated = WriteList(std::move(file), dir.File("QVZ0001.tmp"));
    ASSERT_TRUE(deflated->valid);
    SetMTime(list, 1033466400);  // 2002-10-01

    const std::string fromFile = Archive(list, nullptr);
    const std::string fromStream = Archive(list, deflated.get());
    EXPECT_GT(fromFile.size(), 1000u);
    EXPECT_EQ(fromStream, fromFile);
}

TEST(PrecompressedZip, ADeflaterThatCannotWriteLeavesTheListAlone) {
    CScratchDir dir;
    std::string bytes;
    EXPECT_FALSE(
        WriteList(std::make_unique<CFailingSink>(SIZE_MAX, &bytes), dir.File("missing/QVZ.tmp"))
            ->valid);
    EXPECT_GT(bytes.size(), 1000000u);
}
