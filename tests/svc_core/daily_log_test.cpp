// The daily log in the Wine prefix's temporary directory: no directory, appending, roll-over at
// the size limit, the clean-up of earlier days, refused names and over-long lines.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "log/daily_log.h"

namespace {

std::string TempDir()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof path, path);
    EXPECT_GT(length, 0u);
    return path;
}

std::string DateText(const SYSTEMTIME& day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", day.wYear, day.wMonth, day.wDay);
    return text;
}

SYSTEMTIME DaysFromToday(int days)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME stamp;
    SystemTimeToFileTime(&now, &stamp);
    ULARGE_INTEGER value;
    value.LowPart = stamp.dwLowDateTime;
    value.HighPart = stamp.dwHighDateTime;
    value.QuadPart += static_cast<long long>(days) * 24 * 3600 * 10000000LL;
    stamp.dwLowDateTime = value.LowPart;
    stamp.dwHighDateTime = value.HighPart;
    SYSTEMTIME day;
    FileTimeToSystemTime(&stamp, &day);
    return day;
}

std::string ReadFile(const std::string& path)
{
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return content;
    }
    char piece[4096];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
        content.append(piece, got);
    }
    std::fclose(file);
    return content;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void WriteFile(const std::string& path, const std::string& content, DWORD attributes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file) << path;
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

void MakeFileOfSize(const std::string& path, long long size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER end;
    end.QuadPart = size;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

std::vector<std::string> ListDirectory(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

// "[YYYY-MM-DD hh:mm:ss] " at the start of `line`.
bool HasTimePrefix(const std::string& line)
{
    if (line.size() < 22) {
        return false;
    }
    const char* pattern = "[dddd-dd-dd dd:dd:dd] ";
    for (size_t i = 0; i < 22; ++i) {
        if (pattern[i] == 'd' ? (line[i] < '0' || line[i] > '9') : line[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

// Each test starts without the log directory; the ones that need it create it. Everything here
// is inside the throwaway prefix's temporary directory.
class DailyLog : public testing::Test
{
protected:
    void SetUp() override
    {
        directory_ = TempDir() + "lumorares";
        RemoveDirectoryAndFiles();
        testing::internal::CaptureStdout(); // every line also goes to standard output
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStdout();
        RemoveDirectoryAndFiles();
    }

    // What went to standard output since the test began (or the last call).
    std::string TakeStdout()
    {
        std::string out = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        return out;
    }

    void MakeLogDirectory() { ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr)); }
    std::string TodaysFile() const
    {
        return directory_ + "\\lumora_" + DateText(DaysFromToday(0)) + ".log";
    }

    void RemoveDirectoryAndFiles()
    {
        for (const std::string& name : ListDirectory(directory_)) {
            std::string path = directory_ + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(directory_.c_str());
    }

    std::string directory_;
};

TEST_F(DailyLog, WithoutTheDirectoryNothingIsWritten)
{
    WriteDailyLog("lumora", "line %d\n", 1);
    std::string out = TakeStdout();
    EXPECT_FALSE(Exists(directory_)) << "the log never creates its directory";
    EXPECT_EQ("", out);
}

TEST_F(DailyLog, AppendsPrefixedLinesAndEchoesThemToStandardOutput)
{
    MakeLogDirectory();
    WriteDailyLog("lumora", "PCID(%s)\n", "ABC");
    WriteDailyLog("lumora", "연결요청(LM_SVC_CONNECT_REQ=%d)\n", 7);
    std::string out = TakeStdout();

    std::string content = ReadFile(TodaysFile());
    size_t firstEnd = content.find('\n');
    ASSERT_NE(std::string::npos, firstEnd);
    std::string first = content.substr(0, firstEnd + 1);
    std::string second = content.substr(firstEnd + 1);
    EXPECT_TRUE(HasTimePrefix(first)) << first;
    EXPECT_EQ("PCID(ABC)\n", first.substr(22));
    EXPECT_TRUE(HasTimePrefix(second)) << second;
    EXPECT_EQ("연결요청(LM_SVC_CONNECT_REQ=7)\n", second.substr(22));
    EXPECT_EQ(content, out);
}

struct NameCase
{
    const char* label;
    std::string name;
    bool written;
};

class DailyLogName : public DailyLog, public testing::WithParamInterface<NameCase>
{
};

TEST_P(DailyLogName, DecidesWhetherAnythingIsWritten)
{
    MakeLogDirectory();
    const NameCase& c = GetParam();
    WriteDailyLog(c.name.c_str(), "x\n");
    std::vector<std::string> files = ListDirectory(directory_);
    if (c.written) {
        ASSERT_EQ(1u, files.size());
        EXPECT_EQ(c.name + "_" + DateText(DaysFromToday(0)) + ".log", files[0]);
    } else {
        EXPECT_TRUE(files.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Names, DailyLogName,
                         testing::Values(NameCase{"Empty", "", false},
                                         NameCase{"Of256Characters", std::string(256, 'n'), false},
                                         NameCase{"Of300Characters", std::string(300, 'n'), false},
                                         NameCase{"Other", "other", true}),
                         [](const testing::TestParamInfo<NameCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(DailyLog, AFullFileRollsOverAndReplacesTheOlderRollOver)
{
    MakeLogDirectory();
    const std::string path = TodaysFile();
    MakeFileOfSize(path, 10485760);
    WriteFile(path + ".1", "older roll-over\n", FILE_ATTRIBUTE_ARCHIVE);

    WriteDailyLog("lumora", "after %s\n", "roll-over");

    EXPECT_EQ(10485760, FileSize(path + ".1"));
    std::string content = ReadFile(path);
    EXPECT_TRUE(HasTimePrefix(content));
    EXPECT_EQ("after roll-over\n", content.substr(22));
}

TEST_F(DailyLog, AFileJustUnderTheLimitIsAppendedTo)
{
    MakeLogDirectory();
    const std::string path = TodaysFile();
    MakeFileOfSize(path, 10485759);

    WriteDailyLog("lumora", "one more\n");

    EXPECT_FALSE(Exists(path + ".1"));
    EXPECT_EQ(10485759 + 22 + 9, FileSize(path));
}

TEST_F(DailyLog, CleanUpRemovesEarlierDaysAndRollOversOnly)
{
    MakeLogDirectory();
    const std::string today = "lumora_" + DateText(DaysFromToday(0)) + ".log";
    const std::string yesterday = "lumora_" + DateText(DaysFromToday(-1)) + ".log";
    const std::string dir = directory_ + "\\";
    WriteFile(dir + today, "today\n", FILE_ATTRIBUTE_ARCHIVE);
    WriteFile(dir + today + ".1", "today rolled\n", FILE_ATTRIBUTE_ARCHIVE);
    WriteFile(dir + yesterday, "yesterday\n", FILE_ATTRIBUTE_ARCHIVE);
    WriteFile(dir + "PyxMessage_3.1.0.1.res", "foreign\n", FILE_ATTRIBUTE_ARCHIVE);
    WriteFile(dir + "lumora_20120418.log.keep", "not archived\n", FILE_ATTRIBUTE_NORMAL);
    // Wine reports every regular file as archived; the case is checked where the flag clears.
    const bool archiveClears =
        (GetFileAttributesA((dir + "lumora_20120418.log.keep").c_str()) & FILE_ATTRIBUTE_ARCHIVE) == 0;
    WriteFile(dir + "Lumora_20120418.log", "other case\n", FILE_ATTRIBUTE_ARCHIVE);

    CleanOldLogs();

    EXPECT_TRUE(Exists(dir + today));
    EXPECT_FALSE(Exists(dir + today + ".1"));
    EXPECT_FALSE(Exists(dir + yesterday));
    EXPECT_TRUE(Exists(dir + "PyxMessage_3.1.0.1.res"));
    if (archiveClears) {
        EXPECT_TRUE(Exists(dir + "lumora_20120418.log.keep"));
    }
    EXPECT_TRUE(Exists(dir + "Lumora_20120418.log")) << "the prefix is compared case-sensitively";
}

TEST_F(DailyLog, CleanUpWithoutTheDirectoryDoesNothing)
{
    CleanOldLogs();
    EXPECT_FALSE(Exists(directory_));
}

// A message longer than the 8192-byte line buffer is cut, never overflowed, never inside a
// double-byte character, and still ends with its line break.
TEST_F(DailyLog, OverlongMessagesAreCutSafely)
{
    MakeLogDirectory();
    const std::string ascii(9000, 'a');
    std::string korean;
    for (int i = 0; i < 4500; ++i) {
        korean += "가";
    }
    ASSERT_EQ(9000u, korean.size());

    WriteDailyLog("lumora", "%s", ascii.c_str());
    std::string content = ReadFile(TodaysFile());
    ASSERT_TRUE(HasTimePrefix(content));
    EXPECT_LE(content.size(), 8191u);
    EXPECT_GT(content.size(), 8000u);
    ASSERT_EQ('\n', content.back()) << "a cut line still ends its line";
    EXPECT_EQ(std::string(content.size() - 23, 'a'), content.substr(22, content.size() - 23));

    DeleteFileA(TodaysFile().c_str());
    WriteDailyLog("lumora", "%s", korean.c_str());
    content = ReadFile(TodaysFile());
    ASSERT_TRUE(HasTimePrefix(content));
    EXPECT_LE(content.size(), 8191u);
    ASSERT_EQ('\n', content.back());
    std::string text = content.substr(22, content.size() - 23);
    ASSERT_EQ(0u, text.size() % 2) << "a double-byte character was split";
    EXPECT_EQ(korean.substr(0, text.size()), text);
}

} // namespace
