#include "net/sock_records.h"

#include <ctime>

#include "net/tcp_sock.h"

namespace {

// A record filled from a body starts with the current time; a body too short to carry the time
// leaves it at that.
template <typename Record>
void ReadFromBody(CTcpSock& sock, Record* record)
{
    const bool carriesTime = sock.Reader().Remaining() >= 4;
    ReadRecord(sock.Reader(), record);
    if (!carriesTime) {
        record->env.time = static_cast<int32_t>(std::time(nullptr));
    }
}

template <typename Record>
int SendEncrypted(CTcpSock& sock, int32_t code, Record& record)
{
    sock.SendHeader(code);
    sock.Header().cipher = 1;
    WriteRecord(sock.Writer(), record);
    return sock.SendFlush();
}

} // namespace

void WriteRecord(CTcpSock& sock, SvcSeqRecord& record) { WriteRecord(sock.Writer(), record); }
void WriteRecord(CTcpSock& sock, SvcToolbarMsgReq& record) { WriteRecord(sock.Writer(), record); }
void WriteRecord(CTcpSock& sock, SvcUrlRequest& record) { WriteRecord(sock.Writer(), record); }
void WriteRecord(CTcpSock& sock, SvcUrlResponse& record) { WriteRecord(sock.Writer(), record); }
void WriteRecord(CTcpSock& sock, SvcToolbarMsg& record) { WriteRecord(sock.Writer(), record); }
void WriteRecord(CTcpSock& sock, SvcNotice& record) { WriteRecord(sock.Writer(), record); }

void ReadRecord(CTcpSock& sock, SvcSeqRecord* record) { ReadFromBody(sock, record); }
void ReadRecord(CTcpSock& sock, SvcToolbarMsgReq* record) { ReadFromBody(sock, record); }
void ReadRecord(CTcpSock& sock, SvcUrlRequest* record) { ReadFromBody(sock, record); }
void ReadRecord(CTcpSock& sock, SvcUrlResponse* record) { ReadFromBody(sock, record); }
void ReadRecord(CTcpSock& sock, SvcToolbarMsg* record) { ReadFromBody(sock, record); }
void ReadRecord(CTcpSock& sock, SvcNotice* record) { ReadFromBody(sock, record); }

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcSeqRecord& record)
{
    return SendEncrypted(sock, code, record);
}

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcToolbarMsgReq& record)
{
    return SendEncrypted(sock, code, record);
}

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcUrlRequest& record)
{
    return SendEncrypted(sock, code, record);
}

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcUrlResponse& record)
{
    return SendEncrypted(sock, code, record);
}

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcToolbarMsg& record)
{
    return SendEncrypted(sock, code, record);
}

int SendRecordPacket(CTcpSock& sock, int32_t code, SvcNotice& record)
{
    return SendEncrypted(sock, code, record);
}
