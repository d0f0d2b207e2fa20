#include "net/session.h"

#include <ctime>

CSession::CSession(int timeoutSec) : createdTime_(static_cast<int32_t>(std::time(nullptr)))
{
    SetTimeout(timeoutSec);
}

CSession::~CSession() = default; // CTcpSock closes the socket and frees the buffers
