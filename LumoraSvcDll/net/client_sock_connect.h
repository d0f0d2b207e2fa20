// The plain blocking connect of every conversation with the toolbar server.
#pragma once

// Connects an IPv4 stream socket to host:port with SO_REUSEADDR, SO_LINGER on with 0 seconds
// (the close resets the connection) and 256 KiB send and receive buffers. Returns the socket,
// ready to be attached to a CSession, or: -256 port outside 0..65535, -1 host not found,
// -2 no socket, -3 to -6 an option could not be set, -7 the connect failed. Each failure but
// the first writes its message to standard output.
int ClientSockConnect(const char* host, int port);
