// The base socket class of the toolbar-server protocol: one TCP socket handle and a time-out in
// whole seconds that bounds every send and receive chunk. The virtual operations keep their
// order (slots 0 to 5); the derived classes add theirs after them.
#pragma once

constexpr int kNoSocket = -1;
constexpr int kDefaultSocketTimeout = 30;

class InetSocket
{
public:
    InetSocket() = default;
    InetSocket(const InetSocket&) = delete;
    InetSocket& operator=(const InetSocket&) = delete;

    // Slot 0: closes the socket if it is open.
    virtual ~InetSocket();
    // Slot 1: sends until all `length` bytes are gone, waiting up to the time-out for
    // writability before each chunk. Returns `length`, a negative socket error, or 0 when the
    // wait runs out or the peer accepts nothing.
    virtual int SendAll(int socket, const void* data, int length, int flags);
    // Slot 2: one wait for writability, one send; its result (0 on time-out).
    virtual int SendSome(int socket, const void* data, int length, int flags);
    // Slot 3: zeroes the buffer and receives until `length` bytes have come, waiting up to the
    // time-out for readability before each chunk. Returns `length`, a negative socket error, or
    // 0 on time-out or orderly close.
    virtual int RecvAll(int socket, void* buffer, int length, int flags);
    // Slot 4: zeroes the buffer, one wait for readability, one receive; its result (0 on
    // time-out).
    virtual int RecvSome(int socket, void* buffer, int length, int flags);
    // Slot 5: closes `socket` when it is positive; otherwise closes the object's own socket and
    // marks it none. Returns the result of the close (0, or -1 when nothing was closed).
    virtual int CloseFd(int socket);

    // The handle: -1 when none; 0 or less counts as not connected.
    int Socket() const { return socket_; }
    bool IsConnected() const { return socket_ > 0; }
    // Takes over a socket connected elsewhere (ClientSockConnect); the object closes it.
    void AttachSocket(int socket) { socket_ = socket; }

    // Seconds; 0 or less: no waiting, the send and receive calls block.
    int Timeout() const { return timeout_; }
    void SetTimeout(int seconds) { timeout_ = seconds; }

protected:
    int socket_ = kNoSocket;
    int timeout_ = kDefaultSocketTimeout;
};
