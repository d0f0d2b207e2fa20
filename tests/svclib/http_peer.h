// A one-connection HTTP responder on 127.0.0.1: reads the request head, answers with a canned
// response and closes. Every wait is bounded.
#pragma once

#include <winsock2.h>

#include <string>
#include <thread>

class HttpPeer
{
public:
    explicit HttpPeer(std::string response);
    ~HttpPeer(); // waits for the connection to end
    HttpPeer(const HttpPeer&) = delete;
    HttpPeer& operator=(const HttpPeer&) = delete;

    int Port() const { return port_; }
    std::string Request(); // the request head that arrived (after the peer finished)

private:
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::string response_;
    std::string request_;
    std::thread thread_;
};
