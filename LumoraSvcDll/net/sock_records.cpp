#include "net/sock_records.h"

#include "net/tcp_sock.h"

namespace {

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

void ReadRecord(CTcpSock& sock, SvcSeqRecord* record) { ReadRecord(sock.Reader(), record); }
void ReadRecord(CTcpSock& sock, SvcToolbarMsgReq* record) { ReadRecord(sock.Reader(), record); }
void ReadRecord(CTcpSock& sock, SvcUrlRequest* record) { ReadRecord(sock.Reader(), record); }
void ReadRecord(CTcpSock& sock, SvcUrlResponse* record) { ReadRecord(sock.Reader(), record); }
void ReadRecord(CTcpSock& sock, SvcToolbarMsg* record) { ReadRecord(sock.Reader(), record); }
void ReadRecord(CTcpSock& sock, SvcNotice* record) { ReadRecord(sock.Reader(), record); }

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
