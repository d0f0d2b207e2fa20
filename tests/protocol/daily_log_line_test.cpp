// The daily log's line, path and clean-up rule.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/daily_log_line.h"

namespace {

const LogTime kTime{2012, 4, 19, 7, 5, 9};

std::string Line(size_t size, const char* format, ...)
{
    std::vector<char> out(size + 1, 'Z'); // one guard byte after the buffer
    va_list args;
    va_start(args, format);
    const size_t length = FormatLogLine(out.data(), size, kTime, format, args);
    va_end(args);
    EXPECT_EQ(out[size], 'Z') << "wrote past the buffer";
    if (size == 0) {
        EXPECT_EQ(length, 0u);
        return std::string();
    }
    EXPECT_EQ(length, std::strlen(out.data()));
    EXPECT_LT(length, size);
    return std::string(out.data(), length);
}

TEST(DailyLogLine, PrefixThenTheFormattedMessage)
{
    EXPECT_EQ(Line(kLogLineSize, "PCID(%s)\n", "ABC"), "[2012-04-19 07:05:09] PCID(ABC)\n");
    EXPECT_EQ(Line(kLogLineSize, "pid=%d, fd=%d\n", 1234, -1), "[2012-04-19 07:05:09] pid=1234, fd=-1\n");
    EXPECT_EQ(Line(kLogLineSize, ""), "[2012-04-19 07:05:09] ");
}

TEST(DailyLogLine, LongMessagesAreCutToTheBufferAndEndTheLine)
{
    const std::string prefix = "[2012-04-19 07:05:09] ";
    const std::string longText(10000, 'a');
    const std::string line = Line(kLogLineSize, "%s\n", longText.c_str());
    ASSERT_EQ(line.size(), kLogLineSize - 1);
    EXPECT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.substr(prefix.size(), 10), "aaaaaaaaaa");

    // A message that just fits is left alone.
    const std::string fits(kLogLineSize - 1 - prefix.size() - 1, 'b');
    EXPECT_EQ(Line(kLogLineSize, "%s\n", fits.c_str()), prefix + fits + "\n");
}

TEST(DailyLogLine, CutNeverSplitsADoubleByteCharacter)
{
    const std::string prefix = "[2012-04-19 07:05:09] ";
    std::string korean;
    for (int i = 0; i < 50; ++i) {
        korean += "\xC7\xD1"; // 한
    }
    for (size_t size = prefix.size() + 3; size < prefix.size() + 12; ++size) {
        const std::string line = Line(size, "x%s\n", korean.c_str());
        const std::string message = line.substr(prefix.size());
        ASSERT_GE(message.size(), 1u);
        EXPECT_EQ(message.back(), '\n');
        // "x", whole characters, the line break.
        EXPECT_EQ((message.size() - 2) % 2, 0u) << "size " << size << ": " << message;
    }
}

TEST(DailyLogLine, TinyBuffersStayTerminated)
{
    EXPECT_EQ(Line(0, "abc"), "");
    EXPECT_EQ(Line(1, "abc"), "");
    EXPECT_EQ(Line(5, "abc"), "[201");
    EXPECT_EQ(Line(23, "abc"), "[2012-04-19 07:05:09] ");
    EXPECT_EQ(Line(24, "abc\n"), "[2012-04-19 07:05:09] \n");
}

TEST(DailyLogPath, NameAndDateInTheLogDirectory)
{
    char path[300];
    ASSERT_TRUE(FormatLogPath(path, sizeof(path), "C:\\TEMP\\", "lumora", kTime));
    EXPECT_STREQ(path, "C:\\TEMP\\\\lumorares\\lumora_20120419.log");
    EXPECT_FALSE(FormatLogPath(path, 20, "C:\\TEMP\\", "lumora", kTime));
    EXPECT_STREQ(path, "");
    const size_t exact = std::strlen("C:\\TEMP\\\\lumorares\\lumora_20120419.log") + 1;
    EXPECT_TRUE(FormatLogPath(path, exact, "C:\\TEMP\\", "lumora", kTime));
    EXPECT_FALSE(FormatLogPath(path, exact - 1, "C:\\TEMP\\", "lumora", kTime));
}

TEST(DailyLogCleanUp, DeletesEarlierDaysAndRollOversOnly)
{
    const struct
    {
        const char* name;
        bool archive;
        bool deleted;
    } cases[] = {
        {"lumora_20120418.log", true, true},
        {"lumora_20120419.log.1", true, true},
        {"lumora_20120419.log", true, false},
        {"lumora_20120418.log", false, false}, // no archive attribute
        {"other_20120418.log", true, false},
        {"Lumora_20120418.log", true, false},  // case-sensitive prefix
        {"lumora_", true, true},
        {"lumora", true, false},
        {".", true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOldLogFile(c.name, c.archive, kTime), c.deleted) << c.name;
    }
}

} // namespace
