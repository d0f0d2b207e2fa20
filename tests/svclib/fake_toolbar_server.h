// A scriptable toolbar server inside the test program: listens on an ephemeral port of 127.0.0.1,
// serves every connection on its own thread with the protocol's framing and records, and can be
// told to misbehave in the ways a real network or a broken server does. Every wait is bounded.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class ServerFault
{
    None,
    CloseAtAccept,        // accepts and closes before reading anything
    Stall,                // reads the request and never answers (until the client gives up)
    WrongMagic,           // the reply header carries another magic number
    WrongSeq,             // the reply header carries packet number 2
    LengthNotBlocks,      // an encrypted body whose size is not a multiple of 16
    OversizeLength,       // a header announcing a body over the 5,048,576-byte limit
    UnexpectedStreamCode, // a stream answered with BEGIN and then an address-check reply
    UnknownSeq,           // the reply's envelope names a seq that no request had
};

struct ServedRequest
{
    int32_t code;
    int32_t seq;
    int32_t hToolbar;
    std::string url;  // address checks only
    int32_t pcidLength;
};

class FakeToolbarServer
{
public:
    FakeToolbarServer();
    ~FakeToolbarServer();
    FakeToolbarServer(const FakeToolbarServer&) = delete;
    FakeToolbarServer& operator=(const FakeToolbarServer&) = delete;

    int Port() const { return port_; }
    void SetFault(ServerFault fault) { fault_ = fault; }
    void SetSendStreamBegin(bool send) { sendBegin_ = send; }
    void SetStreamItems(int count) { streamItems_ = count; }
    // The address-check verdict: malCode of every reply.
    void SetMalCode(int32_t code) { malCode_ = code; }

    int Connections() const { return connections_; }
    std::vector<ServedRequest> Requests();
    // Waits until `count` requests have been read (bounded by `timeoutMs`).
    bool WaitForRequests(size_t count, int timeoutMs);

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<ServerFault> fault_{ServerFault::None};
    std::atomic<bool> sendBegin_{true};
    std::atomic<int> streamItems_{2};
    std::atomic<int32_t> malCode_{0};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::vector<ServedRequest> requests_;
    std::atomic<int> activeWorkers_{0};
    std::thread acceptor_;
};

// A 127.0.0.1 port on which nobody listens.
int ClosedLoopbackPort();
