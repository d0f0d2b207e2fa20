#include "thread/sock_client_worker.h"

#include <cstring>

#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "net/client_sock_connect.h"
#include "net/session.h"

bool CSockClientWorker::ConnectToServer()
{
    // The header can change under us (LMChangeServerIpPort); work on a terminated copy.
    char host[kServerHostSize];
    std::memcpy(host, table_->header.server_host, sizeof(host));
    host[sizeof(host) - 1] = '\0';
    const int port = table_->header.server_port;

    WriteDailyLog(kSvcLogName, kLogConnectAttempt, pid_, host, port);
    // An empty host (none set, or a refused one) is unreachable: a lookup of "" would name this
    // machine instead.
    const int fd = host[0] != '\0' ? ClientSockConnect(host, port) : -1;
    if (fd <= 0) {
        WriteDailyLog(kSvcLogName, kLogConnectFailedKo, pid_, host, port);
        WriteDailyLog(kSvcLogName, kLogConnectFailedEn, pid_, host, port);
        Sleep(100);
        return false;
    }
    session_->AttachSocket(fd);
    WriteDailyLog(kSvcLogName, kLogConnectSucceeded, pid_, host, port, fd);
    return true;
}
