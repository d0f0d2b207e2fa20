// Preparing a record that is about to be filled from a received body.
#pragma once

#include <cstring>

#include "protocol/records.h"
#include "table/shared_memory.h"

template <typename Record>
void StartDecoding(Record& record)
{
    std::memset(&record, 0, sizeof(record));
    InitRecordEnvelope(&record.env, NowSeconds());
}
