// Reading the server's answer to the request just sent: a single reply, or a stream of items
// between a begin and an end packet.
#include "thread/sock_client_worker.h"

#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "net/session.h"
#include "thread/reply_decoding.h"

template <typename Record>
void CSockClientWorker::DeliverRecord(int32_t code, const Record& record)
{
    const size_t size = PackRecord(record, delivery_, sizeof(delivery_));
    Deliver(record.env.hToolbar, code, delivery_, static_cast<uint32_t>(size));
}

void CSockClientWorker::ReceiveReply()
{
    int kind = 0;
    if (session_->RecvHeader(kind) < 0) {
        FailReceive();
        return;
    }
    if (kind != kPacketKind) {
        return;
    }
    const int32_t code = session_->ReceivedHeader().code;
    switch (code) {
    case LM_SVC_CONNECT_RESP:
    case LM_SVC_URL_RESP:
    case LM_SVC_CHANGED_RESP:
        ReceiveSingleReply(code);
        break;
    case LM_SVC_TOOLBAR_MSG_BEGIN:
        ReceiveStream(LM_SVC_TOOLBAR_MSG_RESP, LM_SVC_TOOLBAR_MSG_END);
        break;
    case LM_SVC_NOTICE_BEGIN:
        ReceiveStream(LM_SVC_NOTICE_RESP, LM_SVC_NOTICE_END);
        break;
    default:
        break;
    }
}

void CSockClientWorker::ReceiveSingleReply(int32_t code)
{
    int32_t seq = 0;
    if (code == LM_SVC_URL_RESP) {
        SvcUrlResponse reply;
        StartDecoding(reply);
        ReadRecord(session_->Reader(), &reply);
        WriteDailyLog(kSvcLogName, kLogUrlRespReadThread, reply.urltype, reply.url,
                      static_cast<unsigned>(reply.env.hToolbar));
        DeliverRecord(code, reply);
        seq = reply.env.seq;
    } else {
        SvcSeqRecord reply;
        StartDecoding(reply);
        ReadRecord(session_->Reader(), &reply);
        WriteDailyLog(kSvcLogName,
                      code == LM_SVC_CONNECT_RESP ? kLogConnectRespRead : kLogChangedRespRead,
                      reply.toolbarmsg_seq, reply.notice_seq[0], reply.notice_seq[1],
                      reply.notice_seq[2], reply.notice_seq[3], reply.notice_seq[4],
                      reply.notice_seq[5], reply.notice_seq[6]);
        DeliverRecord(code, reply);
        seq = reply.env.seq;
    }
    FreeSlotBySeq(seq);
}

void CSockClientWorker::ReceiveStream(int32_t itemCode, int32_t endCode)
{
    const bool notices = itemCode == LM_SVC_NOTICE_RESP;
    session_->SetTimeout(1);
    for (;;) {
        int kind = 0;
        if (session_->RecvHeader(kind) < 0) {
            FailReceive();
            return;
        }
        if (kind != kPacketKind) {
            return;
        }
        const int32_t code = session_->ReceivedHeader().code;
        if (code == endCode) {
            break;
        }
        if (code != itemCode) {
            WriteDailyLog(kSvcLogName, notices ? kLogNoticeUnexpected : kLogToolbarMsgUnexpected);
            return;
        }
        if (notices) {
            SvcNotice item;
            StartDecoding(item);
            ReadRecord(session_->Reader(), &item);
            WriteDailyLog(kSvcLogName, kLogNoticeRead, item.notice_no, item.title);
            DeliverRecord(code, item);
        } else {
            SvcToolbarMsg item;
            StartDecoding(item);
            ReadRecord(session_->Reader(), &item);
            WriteDailyLog(kSvcLogName, kLogToolbarMsgRead, item.toolbar_msg_seq, item.msg_code,
                          item.msg);
            DeliverRecord(code, item);
        }
    }
    const int32_t seq = session_->GetInt();
    WriteDailyLog(kSvcLogName, notices ? kLogNoticeEnd : kLogToolbarMsgEnd);
    if (!FreeSlotBySeq(seq)) {
        WriteDailyLog(kSvcLogName, notices ? kLogNoticeSlotNotFound : kLogToolbarMsgSlotNotFound,
                      seq);
    }
}
