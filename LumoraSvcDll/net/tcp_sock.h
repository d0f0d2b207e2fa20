// The framed socket of the toolbar-server protocol: a TCP connection with a send buffer in which
// one packet at a time is built (SendHeader, Put*, SendFlush) and a receive buffer holding the
// body of the last packet read (RecvHeader, then Get*). Framing, padding and the body cipher are
// done by the portable PacketWriter and PacketReader; this class adds the socket I/O, the time-out
// and the diagnostics on standard error.
//
// Every failure inside SendFlush and RecvHeader closes the connection; the caller sees -1 and has
// to start a new connection. Close returns the object to a fresh connection's state (both packet
// counters 0), so a reused object numbers its packets from 1 again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/inet_socket.h"
#include "protocol/packet.h"

constexpr size_t kPeerHostSize = 64; // the peer host name is kept to 63 characters

class CTcpSock : public InetSocket
{
public:
    CTcpSock() = default;
    ~CTcpSock() override;

    // Slot 6: timed connect (see tcp_sock_connect.cpp). Returns the socket, or -1. An empty host
    // or port 0 fails; an object that is already connected returns its socket.
    virtual int Connect(const char* host, int port, int timeoutSec, int sndBuf, int rcvBuf);
    // Slots 7 to 10: the 4-byte values go out in network byte order through Send.
    virtual int SendFloat(float value, int flags);
    virtual int SendInt(int value, int flags);
    virtual int Send(const void* data, int length, int flags);     // SendAll; -1 if not connected
    virtual int SendOnce(const void* data, int length, int flags); // SendSome; -1 if not connected
    // Slots 11 to 14: the 4-byte values come through Recv and are converted to host order.
    virtual int RecvFloat(float* value, int flags);
    virtual int RecvInt(int* value, int flags);
    virtual int Recv(void* buffer, int length, int flags);     // RecvAll; -1 if not connected
    virtual int RecvOnce(void* buffer, int length, int flags); // RecvSome; -1 if not connected
    // Slot 15: closes the socket, marks it none, forgets both headers and zeroes both packet
    // counters.
    virtual void Close();

    // Starts a packet with the next send sequence number. Set Header().cipher = 1 to encrypt it.
    void SendHeader(int32_t code);
    void PutInt(int32_t value);
    void PutBytes(const void* data, size_t count);
    // Pads, encrypts and sends the packet. Returns the bytes sent, or -1 (not connected, no
    // packet started, the packet passed the buffer limit, or the send fell short; all but the
    // first close the connection). The packet is closed afterwards in every case.
    int SendFlush();

    // Receives one whole packet. Returns 32 and sets `kind` (0 for an empty body), or -1 with
    // `kind` 0: not connected, short header, wrong magic or sequence, a body over the buffer
    // limit, an encrypted body that is not whole 16-byte blocks, or a short body (all but the
    // first close the connection).
    int RecvHeader(int& kind);
    int32_t GetInt();                          // 0 when fewer than 4 bytes remain
    void GetBytes(void* dest, size_t count);   // zero-filled past the end of the body
    void GetString(char* dest, size_t size);   // always terminated; an over-long text is skipped whole

    // Grow the buffers to at least `size` bytes; nullptr (with a message on standard error) when
    // `size` passes the 5,048,576-byte limit or memory is short.
    uint8_t* GetSendBuf(size_t size);
    uint8_t* GetRecvBuf(size_t size);

    // The header of the packet being built (valid between SendHeader and SendFlush).
    PacketHeader& Header() { return writer_.Header(); }
    // The header of the last packet received.
    const PacketHeader& ReceivedHeader() const { return reader_.Header(); }

    // The framing objects, for the record encoders (sock_records.h).
    PacketWriter& Writer() { return writer_; }
    PacketReader& Reader() { return reader_; }

    // Recorded by Connect; empty and 0 for a socket attached from outside.
    const char* PeerHost() const { return peerHost_; }
    int PeerPort() const { return peerPort_; }

private:
    void ReportSendOverLimit(size_t count);

    PacketWriter writer_;
    PacketReader reader_;
    char peerHost_[kPeerHostSize] = {};
    int peerPort_ = 0;
    bool sendOverLimitReported_ = false;
};
