// The records of the toolbar-server protocol written to and read from a framed socket: the
// wire encodings of protocol/records.h applied to the socket's packet being built (after
// SendHeader, before SendFlush) or to the body of the last packet received (after RecvHeader).
#pragma once

#include <cstdint>

#include "protocol/records.h"

class CTcpSock;

// Writing cuts over-long texts in the record itself, as the protocol requires.
void WriteRecord(CTcpSock& sock, SvcSeqRecord& record);
void WriteRecord(CTcpSock& sock, SvcToolbarMsgReq& record);
void WriteRecord(CTcpSock& sock, SvcUrlRequest& record);
void WriteRecord(CTcpSock& sock, SvcUrlResponse& record);
void WriteRecord(CTcpSock& sock, SvcToolbarMsg& record);
void WriteRecord(CTcpSock& sock, SvcNotice& record);

// Reading never fails: a short body leaves zeros and empty texts (and the current time when it
// ends before the time field).
void ReadRecord(CTcpSock& sock, SvcSeqRecord* record);
void ReadRecord(CTcpSock& sock, SvcToolbarMsgReq* record);
void ReadRecord(CTcpSock& sock, SvcUrlRequest* record);
void ReadRecord(CTcpSock& sock, SvcUrlResponse* record);
void ReadRecord(CTcpSock& sock, SvcToolbarMsg* record);
void ReadRecord(CTcpSock& sock, SvcNotice* record);

// One whole encrypted packet: SendHeader(code), cipher 1, the record, SendFlush. Returns what
// SendFlush returns (the bytes sent, or -1).
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcSeqRecord& record);
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcToolbarMsgReq& record);
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcUrlRequest& record);
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcUrlResponse& record);
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcToolbarMsg& record);
int SendRecordPacket(CTcpSock& sock, int32_t code, SvcNotice& record);
