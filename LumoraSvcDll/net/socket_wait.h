// Waiting for a socket to become readable or writable within a time-out in seconds.
#pragma once

enum class SocketWait { Ready, TimedOut, Failed };

// A time-out of 0 or less does not wait: the socket counts as ready and the following call
// blocks. A socket that reports an error condition (a failed connect) counts as ready, so that
// the caller's next call reports the error.
SocketWait WaitReadable(int socket, int timeoutSec);
SocketWait WaitWritable(int socket, int timeoutSec);
