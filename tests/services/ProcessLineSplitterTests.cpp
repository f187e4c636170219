#include "engine/services/ProcessLineSplitter.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace varnel {
namespace {

QStringList split(const std::string& bytes, std::size_t chunk)
{
    QStringList lines;
    ProcessLineSplitter splitter([&](const QString& line) { lines << line; });
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        splitter.feed(bytes.data() + at, std::min(chunk, bytes.size() - at));
    splitter.finish();
    return lines;
}

TEST(ProcessLineSplitter, SameLinesWhateverTheChunking)
{
    const std::string bytes = "first\r\nsecond\rthird\n\nfourth \xe2\x80\x94 dash\r\r\nlast";
    const QStringList expected{"first", "second", "third", "", QStringLiteral("fourth — dash"), "", "last"};
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u})
        EXPECT_EQ(split(bytes, chunk), expected) << "chunk size " << chunk;
}

TEST(ProcessLineSplitter, ATerminatorAtTheEndAddsNoLineAndInvalidBytesAreReplaced)
{
    EXPECT_EQ(split("a\r", 1), QStringList{"a"});
    EXPECT_EQ(split("a\r\n", 2), QStringList{"a"});
    EXPECT_EQ(split("", 1), QStringList{});
    EXPECT_EQ(split("\n", 1), QStringList{""});
    EXPECT_EQ(split("bad\xff\n", 64), QStringList{QStringLiteral("bad\uFFFD")});
}

TEST(ProcessLineSplitter, AnEndlessLineArrivesInBoundedPiecesWithoutSplittingCharacters)
{
    // "é" is two bytes: an odd limit would cut one in half without the care.
    std::string bytes;
    while (bytes.size() < 3 * ProcessLineSplitter::kMaximumLineBytes)
        bytes += "\xc3\xa9";
    const QStringList lines = split(bytes + "\n", 4096);
    ASSERT_GE(lines.size(), 3);
    QString joined;
    for (const QString& line : lines) {
        EXPECT_LE(static_cast<std::size_t>(line.toUtf8().size()), ProcessLineSplitter::kMaximumLineBytes);
        EXPECT_FALSE(line.contains(QChar(0xFFFD)));
        joined += line;
    }
    EXPECT_EQ(joined, QString::fromUtf8(bytes));
}

}  // namespace
}  // namespace varnel
