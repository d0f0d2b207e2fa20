#include "LoopbackHttpServer.h"

#include <ws2tcpip.h>
#include <cstdlib>

LoopbackHttpServer::LoopbackHttpServer() = default;

LoopbackHttpServer::~LoopbackHttpServer()
{
    stopping = true;
    if (worker.joinable())
        worker.join();
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    WSACleanup();
}

bool LoopbackHttpServer::Start()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 16) != 0)
        return false;
    int size = sizeof(address);
    if (getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    port = ntohs(address.sin_port);
    worker = std::thread([this] { Serve(); });
    return true;
}

std::string LoopbackHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

void LoopbackHttpServer::SetPage(const std::string& path, const std::string& html)
{
    std::lock_guard<std::mutex> guard(lock);
    pages[path] = html;
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests()
{
    std::lock_guard<std::mutex> guard(lock);
    return requests;
}

int LoopbackHttpServer::CountRequests(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock);
    int n = 0;
    for (const RecordedRequest& r : requests)
        n += r.path == path ? 1 : 0;
    return n;
}

void LoopbackHttpServer::Serve()
{
    // Bounded by the owner: the loop checks the stop flag every 100 ms.
    while (!stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval wait = {0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        Handle(client);
        closesocket(client);
    }
}

void LoopbackHttpServer::Handle(SOCKET client)
{
    DWORD timeout = 5000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    std::string data;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos && data.size() < 65536) {
        int n = recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        data.append(buffer, static_cast<size_t>(n));
        headerEnd = data.find("\r\n\r\n");
    }
    if (headerEnd == std::string::npos)
        return;
    RecordedRequest request;
    size_t space = data.find(' ');
    size_t space2 = data.find(' ', space + 1);
    request.method = data.substr(0, space);
    request.path = data.substr(space + 1, space2 - space - 1);
    size_t length = 0;
    std::string headers = data.substr(0, headerEnd);
    for (const char* name : {"Content-Length:", "content-length:", "Content-length:"}) {
        size_t at = headers.find(name);
        if (at != std::string::npos)
            length = static_cast<size_t>(std::strtoul(headers.c_str() + at + strlen(name), nullptr, 10));
    }
    std::string body = data.substr(headerEnd + 4);
    while (body.size() < length && body.size() < 1024 * 1024) {
        int n = recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        body.append(buffer, static_cast<size_t>(n));
    }
    request.body = body.substr(0, length);
    std::string page;
    {
        std::lock_guard<std::mutex> guard(lock);
        requests.push_back(request);
        std::string path = request.path.substr(0, request.path.find('?'));
        auto it = pages.find(path);
        if (path == "/block.html")
            page = "<html><body><h1>blocked</h1><p>" + request.method + " " + request.body +
                   "</p></body></html>";
        else if (it != pages.end())
            page = it->second;
        else
            page = "<html><body>page " + path + "</body></html>";
    }
    std::string response = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                           "Content-Length: " + std::to_string(page.size()) +
                           "\r\nConnection: close\r\n\r\n" + page;
    send(client, response.data(), static_cast<int>(response.size()), 0);
    shutdown(client, SD_SEND);
}
