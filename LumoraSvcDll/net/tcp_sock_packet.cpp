// The packet operations of CTcpSock: building and sending one packet, receiving one packet and
// reading its body.
#include "net/tcp_sock.h"

#include <climits>
#include <cstdio>

#include "protocol/aria.h"

namespace {

int ClampToInt(long long value)
{
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

} // namespace

void CTcpSock::SendHeader(int32_t code)
{
    writer_.Begin(code);
    sendOverLimitReported_ = false;
}

void CTcpSock::ReportSendOverLimit(size_t count)
{
    // The writer refuses the growth itself and marks the packet unusable; this only reports the
    // size that was asked for, once per packet.
    size_t requested = writer_.BytesBuilt() + count;
    if (requested > static_cast<size_t>(kMaxPacketBuffer) && !sendOverLimitReported_) {
        std::fprintf(stderr, "CTcpSock::GetSendBuf over max limit %d\n",
                     ClampToInt(static_cast<long long>(requested)));
        sendOverLimitReported_ = true;
    }
}

void CTcpSock::PutInt(int32_t value)
{
    ReportSendOverLimit(4);
    writer_.PutInt(value);
}

void CTcpSock::PutBytes(const void* data, size_t count)
{
    ReportSendOverLimit(count);
    writer_.PutBytes(data, count);
}

int CTcpSock::SendFlush()
{
    const int32_t kind = writer_.Header().kind;
    PacketWriter::FinishResult result = writer_.Finish(); // closes the packet whatever happens
    if (!IsConnected()) {
        return -1;
    }
    if (result == PacketWriter::FinishResult::NotStarted) {
        std::fprintf(stderr, "[CTcpSock::SendFlush] missing SendHeader, closed!! (%s:%d)\n",
                     peerHost_, peerPort_);
        Close();
        return -1;
    }
    if (result != PacketWriter::FinishResult::Ok) {
        // The packet passed the buffer limit: nothing of it may go out.
        std::fprintf(stderr, "[CTcpSock::SendFlush] msg %d: can't send, closed!! (%s:%d)\n", kind,
                     peerHost_, peerPort_);
        Close();
        return -1;
    }
    const int size = static_cast<int>(writer_.Size());
    int sent = Send(writer_.Data(), size, 0);
    if (sent < size) {
        std::fprintf(stderr, "[CTcpSock::SendFlush] msg %d: can't send, closed!! (%s:%d)\n", kind,
                     peerHost_, peerPort_);
        Close();
        return -1;
    }
    return sent;
}

int CTcpSock::RecvHeader(int& kind)
{
    kind = 0;
    if (!IsConnected()) {
        return -1;
    }
    uint8_t raw[kPacketHeaderSize];
    if (Recv(raw, kPacketHeaderSize, 0) < kPacketHeaderSize) {
        Close();
        return -1;
    }

    switch (reader_.AcceptHeader(raw)) {
    case PacketReader::HeaderResult::Ok:
        break;
    case PacketReader::HeaderResult::BadSequenceOrMagic:
        Close();
        std::fprintf(stderr, "[CTcpSock::RecvHeader] incorrect sequence, closed!! (%s:%d)\n",
                     peerHost_, peerPort_);
        return -1;
    case PacketReader::HeaderResult::BadSize: {
        const PacketHeader header = DecodePacketHeader(raw);
        const long long bodySize = static_cast<long long>(header.length) + header.pad;
        Close();
        if (bodySize > kMaxPacketBuffer) {
            std::fprintf(stderr, "CTcpSock::GetRecvBuf over max limit %d\n", ClampToInt(bodySize));
        } else if (header.cipher == 1 && bodySize % static_cast<long long>(kAriaBlockSize) != 0) {
            std::fprintf(stderr,
                         "[CTcpSock::RecvHeader] encrypted body of %d bytes is not whole blocks,"
                         " closed!! (%s:%d)\n",
                         ClampToInt(bodySize), peerHost_, peerPort_);
        } else {
            std::fprintf(stderr, "[CTcpSock::RecvHeader] can't recv, closed!! (%s:%d)\n",
                         peerHost_, peerPort_);
        }
        return -1;
    }
    }

    const size_t bodySize = reader_.BodySize();
    if (bodySize == 0) {
        return kPacketHeaderSize; // no body: kind stays 0
    }
    if (Recv(reader_.BodyBuffer(), static_cast<int>(bodySize), 0) < static_cast<int>(bodySize)) {
        Close();
        std::fprintf(stderr, "[CTcpSock::RecvHeader] can't recv, closed!! (%s:%d)\n", peerHost_,
                     peerPort_);
        return -1;
    }
    if (reader_.AcceptBody() != PacketReader::BodyResult::Ok) {
        Close();
        std::fprintf(stderr, "[CTcpSock::RecvHeader] can't recv, closed!! (%s:%d)\n", peerHost_,
                     peerPort_);
        return -1;
    }
    kind = reader_.Kind();
    return kPacketHeaderSize;
}

int32_t CTcpSock::GetInt()
{
    return reader_.GetInt();
}

void CTcpSock::GetBytes(void* dest, size_t count)
{
    reader_.GetBytes(dest, count);
}

void CTcpSock::GetString(char* dest, size_t size)
{
    reader_.GetString(dest, size);
}

uint8_t* CTcpSock::GetSendBuf(size_t size)
{
    if (size > static_cast<size_t>(kMaxPacketBuffer)) {
        std::fprintf(stderr, "CTcpSock::GetSendBuf over max limit %d\n",
                     ClampToInt(static_cast<long long>(size)));
        return nullptr;
    }
    return writer_.ReserveBuffer(size);
}

uint8_t* CTcpSock::GetRecvBuf(size_t size)
{
    if (size > static_cast<size_t>(kMaxPacketBuffer)) {
        std::fprintf(stderr, "CTcpSock::GetRecvBuf over max limit %d\n",
                     ClampToInt(static_cast<long long>(size)));
        return nullptr;
    }
    return reader_.ReserveBuffer(size);
}
