// The toolbar data store: one per toolbar control. Holds the verdict maps (top-level pages and
// frames), the toolbar message table with its file, the sequence numbers sent in requests, the
// request envelope template and the paths of the toolbar's data files. Every member operation
// runs under the store's critical section.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "protocol/records.h"
#include "verdict_record.h"

class CCacheData
{
public:
    // Paths below the temporary directory; the data directory is created when missing.
    CCacheData();
    ~CCacheData();
    CCacheData(const CCacheData&) = delete;
    CCacheData& operator=(const CCacheData&) = delete;

    // Verdict maps. Keys are the address cut to 2047 characters, compared exactly. A found
    // record stays valid until its entry is replaced or its map cleared.
    const VerdictRecord* FindTopVerdict(const char* address);
    const VerdictRecord* FindFrameVerdict(const char* address);
    // urltype 1 goes to the top-level map, anything else to the frame map; an entry already
    // under the same key is replaced and its record freed.
    void StoreVerdict(const SvcUrlResponse& reply);
    void ClearTopVerdicts();
    void ClearFrameVerdicts();
    size_t TopVerdictCount();
    size_t FrameVerdictCount();

    // Toolbar messages. AddToolbarMessage returns 0 or the system error of the message file (the
    // table entry is kept either way).
    DWORD AddToolbarMessage(const SvcToolbarMsg& message);
    // Rebuilds the table from the file; returns the number of whole records read. A missing file
    // is reset (left behind empty) and gives 0.
    int LoadToolbarMessages();
    // Empties the table, sequence 0, and replaces the file by an empty one; 0 or system error.
    DWORD ResetToolbarMessages();
    // Resets the message file when it cannot be opened for reading.
    void EnsureMessageFile();
    bool MessageText(int32_t code, std::string* text);

    int32_t ToolbarMessageSequence();
    void SetToolbarMessageSequence(int32_t seq);
    int32_t NoticeSequence(int position);
    void SetNoticeSequence(int position, int32_t seq);

    // The identity part of every request envelope (filled at connect time).
    SvcEnvelope EnvelopeTemplate();
    void SetEnvelopeTemplate(const SvcEnvelope& envelope);

    const char* TempDirectory() const { return tempDirectory; }
    const char* DataDirectory() const { return dataDirectory; }
    const char* MessageFile() const { return messageFile; }
    const char* NoticeFile() const { return noticeFile; }
    const char* LogFile() const { return logFile; }

    // Verdict records alive in all stores of the process (each store frees its own).
    static long LiveVerdictRecords();

private:
    struct RecordDeleter
    {
        void operator()(VerdictRecord* record) const;
    };
    typedef std::unique_ptr<VerdictRecord, RecordDeleter> RecordPtr;
    typedef std::unordered_map<std::string, RecordPtr> VerdictMap;

    class Lock
    {
    public:
        explicit Lock(CRITICAL_SECTION* section) : held(section) { EnterCriticalSection(held); }
        ~Lock() { LeaveCriticalSection(held); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CRITICAL_SECTION* held;
    };

    const VerdictRecord* Find(VerdictMap& map, const char* address);
    DWORD ResetToolbarMessagesLocked();

    CRITICAL_SECTION section;
    SvcEnvelope envelopeTemplate;
    std::map<int32_t, std::string> messages;
    VerdictMap topVerdicts;
    VerdictMap frameVerdicts;
    int32_t toolbarMessageSeq;
    int32_t noticeSeq[kNoticeKinds];
    char tempDirectory[MAX_PATH];
    char dataDirectory[MAX_PATH];
    char messageFile[MAX_PATH];
    char noticeFile[MAX_PATH];
    char logFile[MAX_PATH];
};
