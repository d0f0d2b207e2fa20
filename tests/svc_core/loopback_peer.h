// A scripted peer for the socket tests: listens on an ephemeral port of 127.0.0.1, accepts one
// connection on its own thread and runs a script on it. Every wait of the peer is bounded, so a
// test whose client misbehaves still ends.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

constexpr int kPeerWaitSeconds = 5; // the longest any peer operation waits

class LoopbackPeer
{
public:
    using Script = std::function<void(SOCKET)>;

    // Starts listening and the thread that accepts one connection and runs `script` on it.
    explicit LoopbackPeer(Script script);
    // Waits for the script to end, then closes the sockets.
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int Port() const { return port_; }
    void Join();

private:
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
};

// Bounded helpers for scripts (the accepted socket has a kPeerWaitSeconds receive time-out).
bool SendRaw(SOCKET socket, const std::vector<uint8_t>& bytes);
// Everything that arrives until the client closes (or the wait runs out).
std::vector<uint8_t> ReceiveUntilClosed(SOCKET socket);
// Echoes everything back until the client closes; returns what came.
std::vector<uint8_t> EchoUntilClosed(SOCKET socket);
// Waits until the client closes the connection, reading and dropping what it sends.
void WaitForClose(SOCKET socket);

// A packet as the server would send it, its header written byte by byte here.
struct RawHeader
{
    int32_t magic = 0x62382060;
    int32_t cipher = 1;
    int32_t kind = 2;
    int32_t code = 0;
    int32_t length = 0;
    int32_t pad = 0;
    int32_t reserved = 0;
    int32_t seq = 1;
};
std::vector<uint8_t> HeaderBytes(const RawHeader& header);
// A whole packet: the body (zero-padded to a multiple of 128 with the header) is encrypted with
// the protocol key when `header.cipher` is 1; length and pad are set accordingly.
std::vector<uint8_t> BuildPacket(RawHeader header, const std::vector<uint8_t>& body);
// Big-endian integers and counted texts for hand-built bodies.
void AppendInt(std::vector<uint8_t>& body, int32_t value);
void AppendText(std::vector<uint8_t>& body, const std::string& text);
int32_t ReadBigEndian(const uint8_t* bytes);

// A client socket to the peer: ClientSockConnect's socket, to attach to a CSession.
int ConnectToPeer(const LoopbackPeer& peer);
