// The data store: verdict maps, the message table and its file, the data paths.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cache_data.h"
#include "message_record.h"

namespace {

// Each test gets its own temporary directory (TMP/TEMP), so the store's "LumoraRes" files are
// the test's alone.
class CacheDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char base[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof(base), base));
        originalTmp = base;
        temp = std::string(base) + "lumora_core_test\\";
        Wipe();
        ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
        SetEnvironmentVariableA("TMP", temp.c_str());
        SetEnvironmentVariableA("TEMP", temp.c_str());
        store.reset(new CCacheData);
    }
    void TearDown() override
    {
        store.reset();
        SetEnvironmentVariableA("TMP", originalTmp.c_str());
        SetEnvironmentVariableA("TEMP", originalTmp.c_str());
        Wipe();
    }
    void Wipe()
    {
        std::string data = temp + "LumoraRes\\";
        for (const char* name : {"PyxMessage_3.1.0.1.res", "PyxNotice_3.1.0.1.res", "PyxToolbar.log"})
            DeleteFileA((data + name).c_str());
        RemoveDirectoryA(data.c_str());
        RemoveDirectoryA(temp.c_str());
    }
    std::string MessageFileBytes()
    {
        std::string bytes;
        HANDLE f = CreateFileA(store->MessageFile(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return "<missing>";
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(f);
        return bytes;
    }
    void WriteMessageFile(const std::string& bytes)
    {
        HANDLE f = CreateFileA(store->MessageFile(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, f);
        DWORD written = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    }

    std::string originalTmp;
    std::string temp;
    std::unique_ptr<CCacheData> store;
};

SvcUrlResponse Reply(const std::string& url, int urltype, int malCode)
{
    SvcUrlResponse reply;
    std::memset(&reply, 0, sizeof(reply));
    std::strncpy(reply.url, url.c_str(), sizeof(reply.url) - 1);
    reply.urltype = urltype;
    reply.malCode = malCode;
    return reply;
}

SvcToolbarMsg Message(int seq, int code, const char* text)
{
    SvcToolbarMsg message;
    std::memset(&message, 0, sizeof(message));
    message.toolbar_msg_seq = seq;
    message.msg_code = code;
    std::strncpy(message.msg, text, sizeof(message.msg) - 1);
    return message;
}

std::string RecordBytes(int seq, int code, const char* text)
{
    ToolbarMessageRecord record;
    MakeMessageRecord(seq, code, text, &record);
    return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

} // namespace

TEST_F(CacheDataTest, PathsLieInLumoraResUnderTheTemporaryDirectory)
{
    EXPECT_EQ(temp, store->TempDirectory());
    EXPECT_EQ(temp + "LumoraRes", store->DataDirectory());
    EXPECT_EQ(temp + "LumoraRes\\PyxMessage_3.1.0.1.res", store->MessageFile());
    EXPECT_EQ(temp + "LumoraRes\\PyxNotice_3.1.0.1.res", store->NoticeFile());
    EXPECT_EQ(temp + "LumoraRes\\PyxToolbar.log", store->LogFile());
    DWORD attributes = GetFileAttributesA(store->DataDirectory());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(CacheDataTest, VerdictGoesToTheMapOfItsKind)
{
    const struct
    {
        int urltype;
        bool top;
    } cases[] = {{1, true}, {2, false}, {0, false}, {3, false}, {-1, false}};
    for (const auto& c : cases) {
        std::string url = "http://kind.example/" + std::to_string(c.urltype);
        store->StoreVerdict(Reply(url, c.urltype, 121013));
        EXPECT_EQ(c.top, store->FindTopVerdict(url.c_str()) != nullptr) << c.urltype;
        EXPECT_EQ(!c.top, store->FindFrameVerdict(url.c_str()) != nullptr) << c.urltype;
    }
}

TEST_F(CacheDataTest, VerdictFieldsAreCopiedFromTheReply)
{
    SvcUrlResponse reply = Reply("http://fields.example/", 1, 121014);
    reply.malCodePropagate = 121042;
    reply.malCodeHistory = 121016;
    reply.phishing = 121012;
    reply.falsify = 121018;
    reply.aux1 = 7;
    reply.aux2 = 121026;
    reply.aux3 = 121020;
    reply.olderThan19 = 121037;
    std::memset(reply.countryName, 'K', sizeof(reply.countryName)); // no terminator
    store->StoreVerdict(reply);
    const VerdictRecord* r = store->FindTopVerdict("http://fields.example/");
    ASSERT_NE(nullptr, r);
    EXPECT_STREQ("http://fields.example/", r->address);
    EXPECT_EQ(1, r->urltype);
    EXPECT_EQ(121014, r->malCode);
    EXPECT_EQ(121042, r->malCodePropagate);
    EXPECT_EQ(121016, r->malCodeHistory);
    EXPECT_EQ(121012, r->phishing);
    EXPECT_EQ(121018, r->falsify);
    EXPECT_EQ(7, r->reserved);
    EXPECT_EQ(121026, r->siteMarkCode);
    EXPECT_EQ(121020, r->trustCode);
    EXPECT_EQ(121037, r->olderThan19);
    EXPECT_EQ(std::string(31, 'K'), r->countryName);
    EXPECT_TRUE(IsDangerous(*r));
    EXPECT_TRUE(HasCode(*r, 121042));
}

TEST_F(CacheDataTest, ReplacementFreesTheOldRecord)
{
    long before = CCacheData::LiveVerdictRecords();
    store->StoreVerdict(Reply("http://same.example/", 1, 121014));
    store->StoreVerdict(Reply("http://same.example/", 1, 121013));
    EXPECT_EQ(before + 1, CCacheData::LiveVerdictRecords());
    EXPECT_EQ(1u, store->TopVerdictCount());
    const VerdictRecord* r = store->FindTopVerdict("http://same.example/");
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(121013, r->malCode);

    store->StoreVerdict(Reply("http://frame.example/", 2, 121014));
    EXPECT_EQ(before + 2, CCacheData::LiveVerdictRecords());
    store->ClearTopVerdicts();
    EXPECT_EQ(nullptr, store->FindTopVerdict("http://same.example/"));
    EXPECT_NE(nullptr, store->FindFrameVerdict("http://frame.example/"));
    EXPECT_EQ(before + 1, CCacheData::LiveVerdictRecords());
    store->ClearFrameVerdicts();
    EXPECT_EQ(before, CCacheData::LiveVerdictRecords());

    store->StoreVerdict(Reply("http://left.example/", 1, 121014));
    store.reset();
    EXPECT_EQ(before, CCacheData::LiveVerdictRecords()) << "the store frees what it holds";
    store.reset(new CCacheData);
}

TEST_F(CacheDataTest, KeysAreExactAndCaseSensitive)
{
    store->StoreVerdict(Reply("http://case.example/Page", 1, 121013));
    store->StoreVerdict(Reply("http://case.example/page", 1, 121014));
    EXPECT_EQ(2u, store->TopVerdictCount());
    ASSERT_NE(nullptr, store->FindTopVerdict("http://case.example/Page"));
    EXPECT_EQ(121013, store->FindTopVerdict("http://case.example/Page")->malCode);
    EXPECT_EQ(121014, store->FindTopVerdict("http://case.example/page")->malCode);
    EXPECT_EQ(nullptr, store->FindTopVerdict("http://case.example/PAGE"));
    EXPECT_EQ(nullptr, store->FindTopVerdict("http://case.example/Page/"));
    EXPECT_EQ(nullptr, store->FindTopVerdict("http://case.example/Pag"));
}

TEST_F(CacheDataTest, LongAddressFindsTheReplyOfItsCutText)
{
    std::string address = "http://long.example/" + std::string(3000, 'a');
    // The request carried the address cut to 2047 characters, and the reply echoes that.
    store->StoreVerdict(Reply(address.substr(0, 2047), 1, 121013));
    const VerdictRecord* r = store->FindTopVerdict(address.c_str());
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(2047u, std::strlen(r->address));

    SvcUrlResponse full = Reply("", 2, 121014);
    std::memset(full.url, 'b', sizeof(full.url)); // no terminator at all
    store->StoreVerdict(full);
    r = store->FindFrameVerdict(std::string(2047, 'b').c_str());
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(2047u, std::strlen(r->address));
}

TEST_F(CacheDataTest, LoadOnAMissingFileGivesZeroAndLeavesAnEmptyFile)
{
    store->AddToolbarMessage(Message(5, 121013, "kept in memory")); // file missing: not written
    EXPECT_EQ(0, store->LoadToolbarMessages());
    EXPECT_EQ("", MessageFileBytes());
    std::string text;
    EXPECT_FALSE(store->MessageText(121013, &text));
    EXPECT_EQ(0, store->ToolbarMessageSequence());
}

TEST_F(CacheDataTest, AddToAMissingFileReportsTheErrorAndKeepsTheText)
{
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              store->AddToolbarMessage(Message(3, 121011, "피싱 사이트입니다")));
    std::string text;
    ASSERT_TRUE(store->MessageText(121011, &text));
    EXPECT_EQ("피싱 사이트입니다", text);
    EXPECT_EQ(3, store->ToolbarMessageSequence());
    EXPECT_EQ("<missing>", MessageFileBytes());
}

TEST_F(CacheDataTest, MessagesAreAppendedAndLoadedBack)
{
    store->EnsureMessageFile();
    ASSERT_EQ("", MessageFileBytes());
    EXPECT_EQ(0u, store->AddToolbarMessage(Message(1, 121013, "악성코드 유포 사이트")));
    EXPECT_EQ(0u, store->AddToolbarMessage(Message(2, 121011, "피싱 사이트")));
    EXPECT_EQ(0u, store->AddToolbarMessage(Message(3, 121013, "악성코드 유포지")));
    EXPECT_EQ(RecordBytes(1, 121013, "악성코드 유포 사이트") + RecordBytes(2, 121011, "피싱 사이트") +
                  RecordBytes(3, 121013, "악성코드 유포지"),
              MessageFileBytes());

    CCacheData other;
    EXPECT_EQ(3, other.LoadToolbarMessages());
    EXPECT_EQ(3, other.ToolbarMessageSequence());
    std::string text;
    ASSERT_TRUE(other.MessageText(121013, &text));
    EXPECT_EQ("악성코드 유포지", text) << "the later record of a code wins";
    ASSERT_TRUE(other.MessageText(121011, &text));
    EXPECT_EQ("피싱 사이트", text);
    EXPECT_FALSE(other.MessageText(121015, &text));

    store->EnsureMessageFile();
    EXPECT_EQ(3u * 264u, MessageFileBytes().size()) << "an existing file is kept";
}

TEST_F(CacheDataTest, DamagedMessageFileLoadsOnlyItsWholeRecords)
{
    std::string garbage(264, '\xFF'); // no terminator anywhere
    const struct
    {
        const char* label;
        std::string bytes;
        int expectedCount;
        int expectedSeq;
    } cases[] = {
        {"two records and a cut-off third",
         RecordBytes(1, 10, "one") + RecordBytes(2, 20, "two") + RecordBytes(3, 30, "x").substr(0, 100),
         2, 2},
        {"shorter than one record (sequence untouched)", std::string(263, 'z'), 0, 2},
        {"a record of garbage", RecordBytes(4, 10, "one") + garbage, 2, -1},
    };
    for (const auto& c : cases) {
        WriteMessageFile(c.bytes);
        EXPECT_EQ(c.expectedCount, store->LoadToolbarMessages()) << c.label;
        EXPECT_EQ(c.expectedSeq, store->ToolbarMessageSequence()) << c.label;
    }
    std::string text;
    ASSERT_TRUE(store->MessageText(-1, &text));
    EXPECT_EQ(std::string(255, '\xFF'), text) << "cut inside its field";
    ASSERT_TRUE(store->MessageText(10, &text));
    EXPECT_EQ("one", text);
    EXPECT_FALSE(store->MessageText(30, &text));
}

TEST_F(CacheDataTest, OverlongMessageTextIsCut)
{
    store->EnsureMessageFile();
    SvcToolbarMsg message = Message(9, 121017, "");
    std::memset(message.msg, 'm', sizeof(message.msg)); // fills its field, no terminator
    EXPECT_EQ(0u, store->AddToolbarMessage(message));
    std::string text;
    ASSERT_TRUE(store->MessageText(121017, &text));
    EXPECT_EQ(std::string(255, 'm'), text);
    EXPECT_EQ(264u, MessageFileBytes().size());
}

TEST_F(CacheDataTest, ResetEmptiesTableSequenceAndFile)
{
    store->EnsureMessageFile();
    store->AddToolbarMessage(Message(7, 121013, "text"));
    EXPECT_EQ(0u, store->ResetToolbarMessages());
    EXPECT_EQ(0, store->ToolbarMessageSequence());
    std::string text;
    EXPECT_FALSE(store->MessageText(121013, &text));
    EXPECT_EQ("", MessageFileBytes());
}
