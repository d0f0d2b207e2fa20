#include "message_record.h"

#include <cstring>

#include "text_cut.h"

void MakeMessageRecord(int32_t seq, int32_t code, const char* text, ToolbarMessageRecord* record)
{
    std::memset(record, 0, sizeof(*record));
    record->toolbarMsgSeq = seq;
    record->msgCode = code;
    CopyCutText(record->text, sizeof(record->text), text);
}

bool DecodeMessageRecord(const uint8_t* in, size_t length, ToolbarMessageRecord* record)
{
    if (length < kMessageRecordSize)
        return false;
    std::memcpy(record, in, kMessageRecordSize);
    record->text[sizeof(record->text) - 1] = '\0';
    return true;
}
