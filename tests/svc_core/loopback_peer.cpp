#include "loopback_peer.h"

#include <string>

#include <gtest/gtest.h>

#include "net/client_sock_connect.h"
#include "protocol/aria.h"
#include "protocol/packet.h"

namespace {

// Winsock for the whole test program, at the version the service library asks for.
class WinsockEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(1, 1), &data));
    }
    void TearDown() override { WSACleanup(); }
};

testing::Environment* const gWinsock = testing::AddGlobalTestEnvironment(new WinsockEnvironment);

} // namespace

LoopbackPeer::LoopbackPeer(Script script)
{
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) {
        ADD_FAILURE() << "peer socket: " << WSAGetLastError();
        return;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ADD_FAILURE() << "peer listen: " << WSAGetLastError();
        return;
    }
    port_ = ntohs(address.sin_port);
    SOCKET listener = listener_;
    thread_ = std::thread([listener, script]() {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval limit = {kPeerWaitSeconds, 0};
        if (select(0, &ready, nullptr, nullptr, &limit) != 1) {
            return; // the client never came
        }
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            return;
        }
        DWORD timeoutMs = kPeerWaitSeconds * 1000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof timeoutMs);
        setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof timeoutMs);
        script(client);
        closesocket(client);
    });
}

void LoopbackPeer::Join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

LoopbackPeer::~LoopbackPeer()
{
    Join();
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
    }
}

bool SendRaw(SOCKET socket, const std::vector<uint8_t>& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        int result = send(socket, reinterpret_cast<const char*>(bytes.data()) + sent,
                          static_cast<int>(bytes.size() - sent), 0);
        if (result <= 0) {
            return false;
        }
        sent += static_cast<size_t>(result);
    }
    return true;
}

std::vector<uint8_t> ReceiveUntilClosed(SOCKET socket)
{
    std::vector<uint8_t> bytes;
    char piece[65536];
    for (;;) {
        int result = recv(socket, piece, sizeof piece, 0);
        if (result <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), piece, piece + result);
    }
}

std::vector<uint8_t> EchoUntilClosed(SOCKET socket)
{
    std::vector<uint8_t> bytes;
    char piece[65536];
    for (;;) {
        int result = recv(socket, piece, sizeof piece, 0);
        if (result <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), piece, piece + result);
        if (!SendRaw(socket, std::vector<uint8_t>(piece, piece + result))) {
            return bytes;
        }
    }
}

void WaitForClose(SOCKET socket)
{
    ReceiveUntilClosed(socket);
}

void AppendInt(std::vector<uint8_t>& body, int32_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    body.push_back(static_cast<uint8_t>(bits >> 24));
    body.push_back(static_cast<uint8_t>(bits >> 16));
    body.push_back(static_cast<uint8_t>(bits >> 8));
    body.push_back(static_cast<uint8_t>(bits));
}

void AppendText(std::vector<uint8_t>& body, const std::string& text)
{
    AppendInt(body, static_cast<int32_t>(text.size()));
    body.insert(body.end(), text.begin(), text.end());
}

int32_t ReadBigEndian(const uint8_t* bytes)
{
    return static_cast<int32_t>((static_cast<uint32_t>(bytes[0]) << 24) |
                                (static_cast<uint32_t>(bytes[1]) << 16) |
                                (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3]);
}

std::vector<uint8_t> HeaderBytes(const RawHeader& header)
{
    std::vector<uint8_t> bytes;
    for (int32_t field : {header.magic, header.cipher, header.kind, header.code, header.length,
                          header.pad, header.reserved, header.seq}) {
        AppendInt(bytes, field);
    }
    return bytes;
}

std::vector<uint8_t> BuildPacket(RawHeader header, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> padded = body;
    size_t total = 32 + padded.size();
    if (total % 128 != 0) {
        padded.resize(padded.size() + 128 - total % 128, 0);
    }
    if (header.cipher == 1) {
        EXPECT_TRUE(AriaEcbEncrypt(kProtocolKey, sizeof kProtocolKey, padded.data(), padded.size()));
        header.length = static_cast<int32_t>(padded.size());
        header.pad = 0;
    } else {
        header.length = static_cast<int32_t>(body.size());
        header.pad = static_cast<int32_t>(padded.size() - body.size());
    }
    std::vector<uint8_t> packet = HeaderBytes(header);
    packet.insert(packet.end(), padded.begin(), padded.end());
    return packet;
}

int ConnectToPeer(const LoopbackPeer& peer)
{
    return ClientSockConnect("127.0.0.1", peer.Port());
}
