// Serving one taken slot: the page fetch, the spacing of change checks, and the request side of a
// conversation with the toolbar server.
#include "thread/sock_client_worker.h"

#include <cstring>

#include "blocking/http_get.h"
#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "net/session.h"
#include "protocol/packet.h"

namespace {

// Change checks closer together than this are dropped without a reply.
constexpr int32_t kChangeCheckSpacingSeconds = 5;

} // namespace

void CSockClientWorker::ServeSlot(int i, int32_t seq)
{
    SharedSlot& slot = table_->slots[i];
    if (slot.kind == LM_SVC_URL_CONTENTS) {
        ServePageFetch(i);
        return;
    }
    if (slot.kind == LM_SVC_CHANGED_REQ) {
        const int32_t now = NowSeconds();
        if (now - table_->header.changed_time < kChangeCheckSpacingSeconds) {
            LockTable(semaphore_);
            slot.queued_time = 0;
            slot.sent_time = 0;
            slot.taken = 0;
            UnlockTable(semaphore_);
            return;
        }
        table_->header.changed_time = now;
    }
    if (!session_->IsConnected() && !ConnectToServer()) {
        ReportConnectFailure(i);
        return;
    }
    const SendResult sent = SendRequest(i, seq);
    if (sent == SendResult::Invalid) {
        ZeroSlot(i);
        return;
    }
    // After a failed send the receive fails at once: the send closed the connection.
    ReceiveReply();
}

void CSockClientWorker::ServePageFetch(int i)
{
    SharedSlot& slot = table_->slots[i];
    const int32_t hToolbar = slot.hToolbar;
    char address[kSlotPayloadSize];
    std::memcpy(address, slot.payload, sizeof(address));
    address[sizeof(address) - 1] = '\0';

    const int length = FetchPage(address, pageBody_);
    if (length >= 0) {
        Deliver(hToolbar, LM_SVC_URL_CONTENTS, pageBody_, static_cast<uint32_t>(length));
    }
    ZeroSlot(i);
}

CSockClientWorker::SendResult CSockClientWorker::SendRequest(int i, int32_t seq)
{
    SharedSlot& slot = table_->slots[i];
    const int32_t kind = slot.kind;
    union {
        SvcSeqRecord seqRecord;
        SvcToolbarMsgReq msgRequest;
        SvcUrlRequest urlRequest;
    } record;
    std::memset(&record, 0, sizeof(record));

    size_t unpacked = 0;
    switch (kind) {
    case LM_SVC_CONNECT_REQ:
    case LM_SVC_NOTICE_REQ:
    case LM_SVC_CHANGED_REQ:
        unpacked = UnpackRecord(slot.payload, kSlotPayloadSize, &record.seqRecord);
        break;
    case LM_SVC_TOOLBAR_MSG_REQ:
        unpacked = UnpackRecord(slot.payload, kSlotPayloadSize, &record.msgRequest);
        break;
    case LM_SVC_URL_REQ:
        unpacked = UnpackRecord(slot.payload, kSlotPayloadSize, &record.urlRequest);
        break;
    default:
        break;
    }
    if (unpacked == 0) {
        WriteDailyLog(kSvcLogName, kLogInvalidKind, pid_, kind);
        return SendResult::Invalid;
    }

    // Only this thread writes a taken slot; the request calls read sent_time under the semaphore,
    // and an aligned 32-bit store is seen whole, so no lock is needed for this one field.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&slot.sent_time), NowSeconds());

    const SvcSeqRecord& s = record.seqRecord;
    switch (kind) {
    case LM_SVC_CONNECT_REQ:
        WriteDailyLog(kSvcLogName, kLogConnectReqSent, seq, s.toolbarmsg_seq, s.notice_seq[0],
                      s.notice_seq[1], s.notice_seq[2], s.notice_seq[3], s.notice_seq[4],
                      s.notice_seq[5], s.notice_seq[6]);
        break;
    case LM_SVC_CHANGED_REQ:
        WriteDailyLog(kSvcLogName, kLogChangedReqSent, seq, s.toolbarmsg_seq, s.notice_seq[0],
                      s.notice_seq[1], s.notice_seq[2], s.notice_seq[3], s.notice_seq[4],
                      s.notice_seq[5], s.notice_seq[6]);
        break;
    case LM_SVC_NOTICE_REQ:
        WriteDailyLog(kSvcLogName, kLogNoticeReqSent, seq, s.notice_seq[0], s.notice_seq[1],
                      s.notice_seq[2], s.notice_seq[3], s.notice_seq[4], s.notice_seq[5],
                      s.notice_seq[6]);
        break;
    case LM_SVC_TOOLBAR_MSG_REQ:
        WriteDailyLog(kSvcLogName, kLogToolbarMsgReqSent, seq, record.msgRequest.toolbarmsg_seq);
        break;
    case LM_SVC_URL_REQ:
        WriteDailyLog(kSvcLogName, kLogUrlReqSent, seq, record.urlRequest.url);
        break;
    }

    session_->SendHeader(kind);
    session_->Header().cipher = 1;
    switch (kind) {
    case LM_SVC_TOOLBAR_MSG_REQ:
        WriteRecord(session_->Writer(), record.msgRequest);
        break;
    case LM_SVC_URL_REQ:
        WriteRecord(session_->Writer(), record.urlRequest);
        break;
    default:
        WriteRecord(session_->Writer(), record.seqRecord);
        break;
    }
    if (session_->SendFlush() > 0) {
        return SendResult::Sent;
    }

    // Back to the queue for a new connection, unless this request keeps failing; the slot is
    // touched only while it still holds this request.
    bool giveUp = false;
    LockTable(semaphore_);
    if (slot.seq == seq && slot.sent_time != 0) {
        slot.send_failures = static_cast<uint16_t>(slot.send_failures + 1);
        if (slot.send_failures >= kMaxSendAttempts) {
            giveUp = true;
        } else {
            slot.sent_time = 0;
            slot.taken = 0;
        }
    }
    UnlockTable(semaphore_);
    if (giveUp) {
        ReportConnectFailure(i);
    }
    return SendResult::Failed;
}

void CSockClientWorker::ReportConnectFailure(int i)
{
    SharedSlot& slot = table_->slots[i];
    const int32_t kind = slot.kind;
    const int32_t hToolbar = slot.hToolbar;
    if (kind == LM_SVC_CONNECT_REQ || kind == LM_SVC_CHANGED_REQ) {
        WriteDailyLog(kSvcLogName, kLogConnectFailNotSent, pid_);
        ZeroSlot(i);
        return;
    }
    WriteDailyLog(kSvcLogName, kLogConnectFailSent, pid_);
    ZeroSlot(i);
    Deliver(hToolbar, LM_SVC_CONNECTION_FAIL, nullptr, 0);
}
