#include "store_snapshot.h"

#include "text_codec.h"
#include "verdict.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyText(char* dest, size_t size, const std::string& utf8)
{
    std::string wire = Utf8ToCp949(utf8);
    size_t n = std::min(wire.size(), size - 1);
    std::memcpy(dest, wire.data(), n);
    dest[n] = '\0';
}

} // namespace

std::shared_ptr<const StoreSnapshot> BuildSnapshot(const std::vector<SiteRule>& rules,
                                                   const std::vector<ToolbarMessage>& messages,
                                                   const std::vector<Notice>& notices,
                                                   int64_t generation)
{
    auto snapshot = std::make_shared<StoreSnapshot>();
    snapshot->generation = generation;
    for (const SiteRule& rule : rules)
        snapshot->rules.Add(rule);

    for (const ToolbarMessage& m : messages) {
        SvcToolbarMsg record;
        std::memset(&record, 0, sizeof(record));
        record.toolbar_msg_seq = m.seq;
        record.msg_code = m.code;
        CopyText(record.msg, sizeof(record.msg), m.text);
        snapshot->messages.push_back(record);
        snapshot->toolbarMsgSeq = std::max(snapshot->toolbarMsgSeq, m.seq);
    }
    std::sort(snapshot->messages.begin(), snapshot->messages.end(),
              [](const SvcToolbarMsg& a, const SvcToolbarMsg& b) {
                  return a.toolbar_msg_seq < b.toolbar_msg_seq;
              });

    for (const Notice& n : notices) {
        SvcNotice record;
        std::memset(&record, 0, sizeof(record));
        record.notice_no = n.number;
        record.notice_kind = n.kind;
        record.env.opt2 = n.transient ? 1 : 0;
        CopyText(record.content, sizeof(record.content), n.link);
        CopyText(record.title, sizeof(record.title), n.title);
        CopyText(record.extra1, sizeof(record.extra1), n.date);
        CopyText(record.extra2, sizeof(record.extra2), n.extra2);
        CopyText(record.extra3, sizeof(record.extra3), n.extra3);
        CopyText(record.extra4, sizeof(record.extra4), n.endDate);
        snapshot->notices.push_back(record);
        int position = NoticePosition(n.kind);
        snapshot->noticeSeq[position] = std::max(snapshot->noticeSeq[position], n.number);
    }
    std::sort(snapshot->notices.begin(), snapshot->notices.end(),
              [](const SvcNotice& a, const SvcNotice& b) { return a.notice_no < b.notice_no; });
    return snapshot;
}
