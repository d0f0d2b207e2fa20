// The product web server on the TCP layer: the page table of the toolbar (site pop-ups, block
// and malicious-bot pages, certification search, upgrade statistics), the product's own pages,
// and on its own port the upgrade description. One request per connection ("Connection: close").
#pragma once

#include "http_request.h"
#include "server_config.h"
#include "snapshot_holder.h"
#include "tcp_server.h"

#include <cstdint>
#include <functional>
#include <string>

struct HttpResponse
{
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::string allow; // for 405
};

struct WebContext
{
    const ServerConfig* config = nullptr;
    const SnapshotHolder* snapshots = nullptr;
    // Adds one to the upgrade statistics counter; false when the store could not be written.
    std::function<bool(int64_t* count)> countUpgrade;
};

// Answers one request of the main web port (`upgradePort` false) or of the upgrade port.
HttpResponse RouteWebRequest(const WebContext& context, const HttpRequest& request, bool upgradePort);
// The whole response text: status line, headers, body (none for HEAD).
std::string SerialiseResponse(const HttpResponse& response, bool headOnly);

TcpService MakeWebService(const WebContext* context, bool upgradePort);
