#include "cache_data.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "message_record.h"
#include "text_cut.h"

namespace {

const size_t kInitialBuckets = 257;
volatile LONG gLiveVerdictRecords = 0;

// "%s\\%s", without doubling the backslash the temporary directory ends with. Cut paths are left
// empty rather than pointing somewhere else.
void JoinPath(char* out, size_t size, const char* directory, const char* name)
{
    size_t length = std::strlen(directory);
    const char* separator = (length > 0 && directory[length - 1] == '\\') ? "" : "\\";
    int n = std::snprintf(out, size, "%s%s%s", directory, separator, name);
    if (n < 0 || static_cast<size_t>(n) >= size)
        out[0] = '\0';
}

std::string AddressKey(const char* address)
{
    char key[kVerdictAddressMax + 1];
    CopyCut(key, sizeof(key), address);
    return key;
}

} // namespace

void CCacheData::RecordDeleter::operator()(VerdictRecord* record) const
{
    delete record;
    InterlockedDecrement(&gLiveVerdictRecords);
}

long CCacheData::LiveVerdictRecords()
{
    return InterlockedCompareExchange(&gLiveVerdictRecords, 0, 0);
}

CCacheData::CCacheData()
    : topVerdicts(kInitialBuckets), frameVerdicts(kInitialBuckets), toolbarMessageSeq(0)
{
    InitializeCriticalSection(&section);
    std::memset(&envelopeTemplate, 0, sizeof(envelopeTemplate));
    std::memset(noticeSeq, 0, sizeof(noticeSeq));
    tempDirectory[0] = dataDirectory[0] = messageFile[0] = noticeFile[0] = logFile[0] = '\0';

    DWORD n = GetTempPathA(sizeof(tempDirectory), tempDirectory);
    if (n == 0 || n >= sizeof(tempDirectory)) {
        tempDirectory[0] = '\0';
        return;
    }
    JoinPath(dataDirectory, sizeof(dataDirectory), tempDirectory, "LumoraRes");
    if (dataDirectory[0] == '\0')
        return;
    JoinPath(messageFile, sizeof(messageFile), dataDirectory, "PyxMessage_3.1.0.1.res");
    JoinPath(noticeFile, sizeof(noticeFile), dataDirectory, "PyxNotice_3.1.0.1.res");
    JoinPath(logFile, sizeof(logFile), dataDirectory, "PyxToolbar.log");
    DWORD attributes = GetFileAttributesA(dataDirectory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        CreateDirectoryA(dataDirectory, nullptr); // a file of that name makes this fail: no files then
}

CCacheData::~CCacheData()
{
    topVerdicts.clear();
    frameVerdicts.clear();
    messages.clear();
    DeleteCriticalSection(&section);
}

const VerdictRecord* CCacheData::Find(VerdictMap& map, const char* address)
{
    Lock lock(&section);
    VerdictMap::const_iterator it = map.find(AddressKey(address));
    return it == map.end() ? nullptr : it->second.get();
}

const VerdictRecord* CCacheData::FindTopVerdict(const char* address)
{
    return Find(topVerdicts, address);
}

const VerdictRecord* CCacheData::FindFrameVerdict(const char* address)
{
    return Find(frameVerdicts, address);
}

void CCacheData::StoreVerdict(const SvcUrlResponse& reply)
{
    VerdictRecord* raw = new (std::nothrow) VerdictRecord;
    if (raw == nullptr)
        return;
    InterlockedIncrement(&gLiveVerdictRecords);
    RecordPtr record(raw);
    FillVerdictRecord(reply, record.get());
    std::string key = record->address;
    Lock lock(&section);
    VerdictMap& map = record->urltype == 1 ? topVerdicts : frameVerdicts;
    map[key] = std::move(record); // the replaced record is freed here
}

void CCacheData::ClearTopVerdicts()
{
    Lock lock(&section);
    topVerdicts.clear();
}

void CCacheData::ClearFrameVerdicts()
{
    Lock lock(&section);
    frameVerdicts.clear();
}

size_t CCacheData::TopVerdictCount()
{
    Lock lock(&section);
    return topVerdicts.size();
}

size_t CCacheData::FrameVerdictCount()
{
    Lock lock(&section);
    return frameVerdicts.size();
}

DWORD CCacheData::AddToolbarMessage(const SvcToolbarMsg& message)
{
    ToolbarMessageRecord record;
    MakeMessageRecord(message.toolbar_msg_seq, message.msg_code, message.msg, &record);
    // The wire text may fill its field without a terminator: MakeMessageRecord stops at 255.
    Lock lock(&section);
    messages[record.msgCode] = record.text;
    toolbarMessageSeq = record.toolbarMsgSeq;

    HANDLE file = CreateFileA(messageFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD result = 0;
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        result = GetLastError();
    else if (!WriteFile(file, &record, sizeof(record), &written, nullptr))
        result = GetLastError();
    else if (written != sizeof(record))
        result = ERROR_WRITE_FAULT;
    CloseHandle(file);
    return result;
}

int CCacheData::LoadToolbarMessages()
{
    Lock lock(&section);
    HANDLE file = CreateFileA(messageFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Missing: start afresh. Held open by another toolbar: keep what the table has.
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            ResetToolbarMessagesLocked();
        return 0;
    }
    messages.clear();
    int count = 0;
    for (;;) {
        uint8_t buffer[kMessageRecordSize];
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr) || got == 0)
            break;
        ToolbarMessageRecord record;
        // A short read is the cut-off tail of a damaged file: only whole records count.
        if (!DecodeMessageRecord(buffer, got, &record))
            break;
        toolbarMessageSeq = record.toolbarMsgSeq;
        messages[record.msgCode] = record.text;
        ++count;
    }
    CloseHandle(file);
    return count;
}

DWORD CCacheData::ResetToolbarMessagesLocked()
{
    messages.clear();
    toolbarMessageSeq = 0;
    if (messageFile[0] == '\0')
        return ERROR_PATH_NOT_FOUND;
    DeleteFileA(messageFile);
    HANDLE file = CreateFileA(messageFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(file);
    return 0;
}

DWORD CCacheData::ResetToolbarMessages()
{
    Lock lock(&section);
    return ResetToolbarMessagesLocked();
}

void CCacheData::EnsureMessageFile()
{
    Lock lock(&section);
    HANDLE file = CreateFileA(messageFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ResetToolbarMessagesLocked();
        return;
    }
    CloseHandle(file);
}

bool CCacheData::MessageText(int32_t code, std::string* text)
{
    Lock lock(&section);
    std::map<int32_t, std::string>::const_iterator it = messages.find(code);
    if (it == messages.end())
        return false;
    *text = it->second;
    return true;
}

int32_t CCacheData::ToolbarMessageSequence()
{
    Lock lock(&section);
    return toolbarMessageSeq;
}

void CCacheData::SetToolbarMessageSequence(int32_t seq)
{
    Lock lock(&section);
    toolbarMessageSeq = seq;
}

int32_t CCacheData::NoticeSequence(int position)
{
    if (position < 0 || position >= kNoticeKinds)
        return 0;
    Lock lock(&section);
    return noticeSeq[position];
}

void CCacheData::SetNoticeSequence(int position, int32_t seq)
{
    if (position < 0 || position >= kNoticeKinds)
        return;
    Lock lock(&section);
    noticeSeq[position] = seq;
}

SvcEnvelope CCacheData::EnvelopeTemplate()
{
    Lock lock(&section);
    return envelopeTemplate;
}

void CCacheData::SetEnvelopeTemplate(const SvcEnvelope& envelope)
{
    Lock lock(&section);
    envelopeTemplate = envelope;
}
