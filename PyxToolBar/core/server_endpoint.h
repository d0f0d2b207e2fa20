// The toolbar server endpoint and the product's web host, kept in the Server key.
#pragma once

#include <string>

#include "builtin_endpoints.h"

// The endpoint the service binding holds.
struct ServerEndpoint
{
    char host[256] = "";
    int port = 0;
};

// Fills the endpoint from the Server key. A stored host other than the built-in one is replaced
// by the built-in host and port (the service library is told); a missing or zero port reads as
// the built-in port.
void LoadServerEndpoint(ServerEndpoint* endpoint);

// When host (without regard to case) or port differ from the endpoint's: tells the service
// library, stores "SIP", "SPORT" and the built-in "HOMEPAGE", and takes them into the endpoint.
void SetServerEndpoint(ServerEndpoint* endpoint, const char* host, int port);

// Writes the built-in host, port and web host.
void ResetServerDefaults();

// "HOMEPAGE", or the built-in web host when absent or empty.
std::string ReadWebHost();
