#include "table_probe.h"
#include "http_peer.h"

HttpPeer::HttpPeer(std::string response) : response_(std::move(response))
{
    listener_ = ListenOnLoopback(1, &port_);
    thread_ = std::thread([this] {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait = {5, 0};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            return;
        }
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            return;
        }
        const DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        char buffer[4096];
        while (request_.find("\r\n\r\n") == std::string::npos) {
            const int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request_.append(buffer, static_cast<size_t>(n));
        }
        size_t sent = 0;
        while (sent < response_.size()) {
            const int n = send(client, response_.data() + sent, static_cast<int>(response_.size() - sent), 0);
            if (n <= 0) {
                break;
            }
            sent += static_cast<size_t>(n);
        }
        shutdown(client, SD_SEND);
        while (recv(client, buffer, sizeof buffer, 0) > 0) {
        }
        closesocket(client);
    });
}

HttpPeer::~HttpPeer()
{
    if (thread_.joinable()) {
        thread_.join();
    }
    closesocket(listener_);
}

std::string HttpPeer::Request()
{
    if (thread_.joinable()) {
        thread_.join();
    }
    return request_;
}
