#include "blocking/blocking_requests.h"

#include <cstring>
#include <new>

#include "blocking/http_get.h"
#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "net/client_sock_connect.h"
#include "net/session.h"
#include "protocol/records.h"
#include "thread/reply_decoding.h"

namespace {

constexpr int kBlockingTimeoutSeconds = 2;
constexpr int kStreamTimeoutSeconds = 1;

void Callback(SvcHandle* handle, int32_t code, const void* bytes, size_t count)
{
    if (handle->callback == nullptr) {
        return;
    }
    COPYDATASTRUCT data;
    data.dwData = static_cast<ULONG_PTR>(static_cast<uint32_t>(code));
    data.cbData = static_cast<DWORD>(count);
    data.lpData = const_cast<void*>(bytes);
    handle->callback(&data);
}

template <typename Record>
void PackAndCallback(SvcHandle* handle, int32_t code, const Record& record)
{
    uint8_t packed[kMaxPackedReplySize];
    const size_t size = PackRecord(record, packed, sizeof(packed));
    Callback(handle, code, packed, size);
}

// Opens the conversation and sends the request. False when the server could not be reached
// (with the log line and the 100 ms pause); a failed send is left to the receive that follows.
bool OpenAndSend(SvcHandle* handle, CSession& session, int32_t requestCode, void* record)
{
    const int fd = handle->host[0] != '\0' ? ClientSockConnect(handle->host, handle->port) : -1;
    if (fd <= 0) {
        WriteDailyLog(kSvcLogName, kLogServerConnectFailed, handle->host, handle->port);
        Sleep(100);
        return false;
    }
    session.AttachSocket(fd);
    session.SendHeader(requestCode);
    session.Header().cipher = 1;
    switch (requestCode) {
    case LM_SVC_TOOLBAR_MSG_REQ:
        WriteRecord(session.Writer(), *static_cast<SvcToolbarMsgReq*>(record));
        break;
    case LM_SVC_URL_REQ:
        WriteRecord(session.Writer(), *static_cast<SvcUrlRequest*>(record));
        break;
    default:
        WriteRecord(session.Writer(), *static_cast<SvcSeqRecord*>(record));
        break;
    }
    session.SendFlush();
    return true;
}

void ReadSingleReply(SvcHandle* handle, CSession& session, int32_t replyCode)
{
    int kind = 0;
    if (session.RecvHeader(kind) < 0 || session.ReceivedHeader().code != replyCode) {
        return;
    }
    if (replyCode == LM_SVC_URL_RESP) {
        SvcUrlResponse reply;
        StartDecoding(reply);
        ReadRecord(session.Reader(), &reply);
        WriteDailyLog(kSvcLogName, kLogUrlRespReadBlocking, reply.urltype, reply.url);
        PackAndCallback(handle, replyCode, reply);
        return;
    }
    SvcSeqRecord reply;
    StartDecoding(reply);
    ReadRecord(session.Reader(), &reply);
    WriteDailyLog(kSvcLogName, replyCode == LM_SVC_CONNECT_RESP ? kLogConnectRespRead : kLogChangedRespRead,
                  reply.toolbarmsg_seq, reply.notice_seq[0], reply.notice_seq[1],
                  reply.notice_seq[2], reply.notice_seq[3], reply.notice_seq[4],
                  reply.notice_seq[5], reply.notice_seq[6]);
    PackAndCallback(handle, replyCode, reply);
}

int ReadStream(SvcHandle* handle, CSession& session, bool notices)
{
    const int32_t beginCode = notices ? LM_SVC_NOTICE_BEGIN : LM_SVC_TOOLBAR_MSG_BEGIN;
    const int32_t itemCode = notices ? LM_SVC_NOTICE_RESP : LM_SVC_TOOLBAR_MSG_RESP;
    const int32_t endCode = notices ? LM_SVC_NOTICE_END : LM_SVC_TOOLBAR_MSG_END;
    session.SetTimeout(kStreamTimeoutSeconds);
    bool first = true;
    for (;;) {
        int kind = 0;
        if (session.RecvHeader(kind) < 0) {
            return -1;
        }
        if (kind != kPacketKind) {
            return -2;
        }
        const int32_t code = session.ReceivedHeader().code;
        if (first && code == beginCode) {
            first = false;
            continue; // the begin packet that the queued path expects
        }
        first = false;
        if (code == endCode) {
            break;
        }
        if (code != itemCode) {
            WriteDailyLog(kSvcLogName, notices ? kLogNoticeUnexpected : kLogToolbarMsgUnexpected);
            return -3;
        }
        if (notices) {
            SvcNotice item;
            StartDecoding(item);
            ReadRecord(session.Reader(), &item);
            WriteDailyLog(kSvcLogName, kLogNoticeRead, item.notice_no, item.title);
            PackAndCallback(handle, code, item);
        } else {
            SvcToolbarMsg item;
            StartDecoding(item);
            ReadRecord(session.Reader(), &item);
            WriteDailyLog(kSvcLogName, kLogToolbarMsgRead, item.toolbar_msg_seq, item.msg_code,
                          item.msg);
            PackAndCallback(handle, code, item);
        }
    }
    session.GetInt(); // the seq of the request; this conversation has only the one
    WriteDailyLog(kSvcLogName, notices ? kLogNoticeEnd : kLogToolbarMsgEnd);
    return 0;
}

int32_t ReplyCodeOf(int32_t requestCode)
{
    switch (requestCode) {
    case LM_SVC_CONNECT_REQ: return LM_SVC_CONNECT_RESP;
    case LM_SVC_URL_REQ: return LM_SVC_URL_RESP;
    case LM_SVC_CHANGED_REQ: return LM_SVC_CHANGED_RESP;
    default: return 0;
    }
}

} // namespace

int BlockingSingleRequest(SvcHandle* handle, int32_t requestCode, void* record)
{
    if (handle == nullptr || record == nullptr) {
        return -1;
    }
    CSession* session = new (std::nothrow) CSession(kBlockingTimeoutSeconds);
    if (session == nullptr) {
        return -1;
    }
    if (OpenAndSend(handle, *session, requestCode, record)) {
        ReadSingleReply(handle, *session, ReplyCodeOf(requestCode));
    }
    session->Close();
    delete session;
    return 0;
}

int BlockingStreamRequest(SvcHandle* handle, int32_t requestCode, void* record)
{
    if (handle == nullptr || record == nullptr) {
        return -1;
    }
    CSession* session = new (std::nothrow) CSession(kBlockingTimeoutSeconds);
    if (session == nullptr) {
        return -1;
    }
    int result = 0;
    if (OpenAndSend(handle, *session, requestCode, record)) {
        result = ReadStream(handle, *session, requestCode == LM_SVC_NOTICE_REQ);
    }
    session->Close();
    delete session;
    return result;
}

int BlockingFetchPage(SvcHandle* handle, const char* address)
{
    if (address == nullptr || address[0] == '\0') {
        return -1;
    }
    static_assert(kPageBodyLimit < 65536, "page body is kept on the stack");
    char body[kPageBodyLimit];
    const int length = FetchPage(address, body);
    if (length == kFetchRefused) {
        return 0;
    }
    if (handle != nullptr) {
        Callback(handle, LM_SVC_URL_CONTENTS, body, static_cast<size_t>(length));
    }
    return length;
}
