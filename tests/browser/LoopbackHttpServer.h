// A tiny HTTP/1.0 server on 127.0.0.1 for the browser tests: serves fixed pages by path and
// records every request (method, path, body). It stops by itself when destroyed.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct RecordedRequest {
    std::string method;
    std::string path;
    std::string body;
};

class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    bool Start();
    unsigned short Port() const { return port; }
    std::string Url(const std::string& path) const;
    // Page served for a path; unknown paths get "page <path>". "/block.html" echoes the body.
    void SetPage(const std::string& path, const std::string& html);
    std::vector<RecordedRequest> Requests();
    int CountRequests(const std::string& path);

private:
    void Serve();
    void Handle(SOCKET client);

    SOCKET listener = INVALID_SOCKET;
    unsigned short port = 0;
    volatile bool stopping = false;
    std::thread worker;
    std::mutex lock;
    std::map<std::string, std::string> pages;
    std::vector<RecordedRequest> requests;
};
