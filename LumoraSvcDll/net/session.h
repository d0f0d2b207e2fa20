// One conversation with the toolbar server: a framed socket that remembers when it was made. The
// library creates one on the heap per conversation (or per connection thread) and attaches the
// socket of ClientSockConnect to it.
#pragma once

#include <cstdint>

#include "net/tcp_sock.h"

class CSession : public CTcpSock
{
public:
    explicit CSession(int timeoutSec = kDefaultSocketTimeout);
    ~CSession() override; // slot 0, the only one overridden

    // Seconds since 1970 (UTC) at construction.
    int32_t CreatedTime() const { return createdTime_; }

private:
    int32_t createdTime_;
};
