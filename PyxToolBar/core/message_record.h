// The records of the toolbar message file: 264 bytes each, appended in arrival order, integers
// in host byte order. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

struct ToolbarMessageRecord
{
    int32_t toolbarMsgSeq;
    int32_t msgCode;
    char text[256]; // NUL-terminated
};
static_assert(sizeof(ToolbarMessageRecord) == 264, "message file records are 264 bytes");

constexpr size_t kMessageRecordSize = sizeof(ToolbarMessageRecord);

// Builds the record of one message; the text is cut to 255 bytes.
void MakeMessageRecord(int32_t seq, int32_t code, const char* text, ToolbarMessageRecord* record);

// Decodes one whole record from `length` bytes; false when fewer than 264 bytes are there. The
// text always ends within its field, whatever the bytes held.
bool DecodeMessageRecord(const uint8_t* in, size_t length, ToolbarMessageRecord* record);
