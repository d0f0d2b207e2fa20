#include "net/socket_wait.h"

#include <winsock2.h>

namespace {

SocketWait Wait(int socket, int timeoutSec, bool forWriting)
{
    if (timeoutSec <= 0) {
        return SocketWait::Ready;
    }
    SOCKET handle = static_cast<SOCKET>(socket);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(handle, &ready);
    FD_SET(handle, &failed);
    timeval limit;
    limit.tv_sec = timeoutSec;
    limit.tv_usec = 0;
    // The first argument is ignored by Winsock.
    int result = forWriting ? select(0, nullptr, &ready, &failed, &limit)
                            : select(0, &ready, nullptr, &failed, &limit);
    if (result == SOCKET_ERROR) {
        return SocketWait::Failed;
    }
    return result == 0 ? SocketWait::TimedOut : SocketWait::Ready;
}

} // namespace

SocketWait WaitReadable(int socket, int timeoutSec)
{
    return Wait(socket, timeoutSec, false);
}

SocketWait WaitWritable(int socket, int timeoutSec)
{
    return Wait(socket, timeoutSec, true);
}
