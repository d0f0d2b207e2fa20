// An immutable picture of the rules store that every conversation reads without locks. The
// server builds a new one when the store changes and swaps it in; conversations that started on
// the old one keep it alive until they end.
#pragma once

#include "protocol/records.h"
#include "store_data.h"
#include "verdict.h"

#include <cstdint>
#include <memory>
#include <vector>

struct StoreSnapshot
{
    RuleIndex rules;
    std::vector<SvcToolbarMsg> messages; // ascending seq; texts in CP949; envelopes zero
    std::vector<SvcNotice> notices;      // ascending number; texts in CP949; envelopes zero
    int32_t toolbarMsgSeq = 0;           // newest message number, 0 without messages
    int32_t noticeSeq[kNoticeKinds] = {}; // newest notice number per position
    int64_t generation = 0;
};

std::shared_ptr<const StoreSnapshot> BuildSnapshot(const std::vector<SiteRule>& rules,
                                                   const std::vector<ToolbarMessage>& messages,
                                                   const std::vector<Notice>& notices,
                                                   int64_t generation);
