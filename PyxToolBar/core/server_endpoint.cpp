#include "server_endpoint.h"

#include "registry_access.h"
#include "service_server_change.h"
#include "text_cut.h"

void SetServerEndpoint(ServerEndpoint* endpoint, const char* host, int port)
{
    if (lstrcmpiA(host, endpoint->host) == 0 && port == endpoint->port)
        return;
    TellServiceServerChange(host, port);
    CopyCut(endpoint->host, sizeof(endpoint->host), host);
    endpoint->port = port;
    RegistryKey server;
    if (!server.OpenForWriting(kServerKey))
        return;
    WriteTextValue(server.Get(), "SIP", endpoint->host);
    WriteDwordValue(server.Get(), "SPORT", static_cast<DWORD>(port));
    WriteTextValue(server.Get(), "HOMEPAGE", LUMORA_BUILTIN_WEB_HOST);
}

void LoadServerEndpoint(ServerEndpoint* endpoint)
{
    RegistryKey server;
    if (!server.OpenForReading(kServerKey)) {
        RegistryKey created;
        created.OpenForWriting(kServerKey);
        created.Close();
        SetServerEndpoint(endpoint, LUMORA_BUILTIN_SERVER_HOST, LUMORA_BUILTIN_SERVER_PORT);
        server.OpenForReading(kServerKey);
    }
    char host[256];
    if (!ReadTextValue(server.Get(), "SIP", host, sizeof(host)) || host[0] == '\0') {
        CopyCut(endpoint->host, sizeof(endpoint->host), LUMORA_BUILTIN_SERVER_HOST);
    } else if (lstrcmpiA(host, LUMORA_BUILTIN_SERVER_HOST) != 0) {
        SetServerEndpoint(endpoint, LUMORA_BUILTIN_SERVER_HOST, LUMORA_BUILTIN_SERVER_PORT);
        CopyCut(endpoint->host, sizeof(endpoint->host), LUMORA_BUILTIN_SERVER_HOST);
    } else {
        CopyCut(endpoint->host, sizeof(endpoint->host), host);
    }
    DWORD port = 0;
    // 0 counts as absent; so does a number that is no TCP port.
    if (ReadDwordValue(server.Get(), "SPORT", &port) && port != 0 && port <= 65535)
        endpoint->port = static_cast<int>(port);
    else
        endpoint->port = LUMORA_BUILTIN_SERVER_PORT;
}

void ResetServerDefaults()
{
    RegistryKey server;
    if (!server.OpenForWriting(kServerKey))
        return;
    WriteTextValue(server.Get(), "SIP", LUMORA_BUILTIN_SERVER_HOST);
    WriteDwordValue(server.Get(), "SPORT", LUMORA_BUILTIN_SERVER_PORT);
    WriteTextValue(server.Get(), "HOMEPAGE", LUMORA_BUILTIN_WEB_HOST);
}

std::string ReadWebHost()
{
    RegistryKey server;
    char host[256];
    if (server.OpenForReading(kServerKey) &&
        ReadTextValue(server.Get(), "HOMEPAGE", host, sizeof(host)) && host[0] != '\0')
        return host;
    return LUMORA_BUILTIN_WEB_HOST;
}
