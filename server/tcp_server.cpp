#include "tcp_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum ItemTag { kTagListener = 1, kTagWake = 2, kTagConnection = 3 };

struct WakeItem
{
    int tag = kTagWake;
    int fd = -1;
};

std::string ErrnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string UtcTimestamp()
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm parts;
    gmtime_r(&ts.tv_sec, &parts);
    char text[40];
    size_t n = strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &parts);
    snprintf(text + n, sizeof(text) - n, ".%03ldZ", ts.tv_nsec / 1000000);
    return text;
}

} // namespace

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void LogSink::Write(const std::string& lines)
{
    size_t done = 0;
    while (done < lines.size()) {
        ssize_t n = write(fd_, lines.data() + done, lines.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a log that cannot be written never stops the service
        done += static_cast<size_t>(n);
    }
}

struct Connection
{
    int tag = kTagConnection;
    int fd = -1;
    const TcpService* service = nullptr;
    std::unique_ptr<ConnectionHandler> handler;
    std::string out;
    size_t outPos = 0;
    bool replying = false;
    bool complete = false;
    bool watchingWrite = false;
    bool registered = false;
    int64_t startMs = 0;
    int64_t deadlineMs = 0;
    uint64_t inBytes = 0;
    uint64_t outBytes = 0;
    sockaddr_in peer{};
    std::list<Connection*>::iterator lru;
};

struct TcpServer::Worker
{
    TcpServer* server = nullptr;
    int epfd = -1;
    WakeItem wake;
    std::thread thread;
    std::list<Connection*> lru; // least recently active first
    std::string logBuffer;
    int64_t lastFlushMs = 0;
    bool listening = true;

    ~Worker()
    {
        if (wake.fd >= 0)
            close(wake.fd);
        if (epfd >= 0)
            close(epfd);
    }

    void Run();
    void AcceptFrom(TcpServer::Listener* listener);
    void OnReadable(Connection* c);
    void OnWritable(Connection* c);
    bool Pump(Connection* c); // fill and write; false when the connection was closed
    void Touch(Connection* c);
    void Finish(Connection* c, const char* outcome);
    void FlushLog(bool force);
};

TcpServer::TcpServer(const TcpServerLimits& limits, LogSink* log) : limits_(limits), log_(log)
{
    if (limits_.workers < 1)
        limits_.workers = 1;
}

TcpServer::~TcpServer()
{
    if (started_)
        Stop(0);
    for (auto& l : listeners_)
        if (l->fd >= 0)
            close(l->fd);
}

bool TcpServer::Listen(const std::string& address, int port, const TcpService* service,
                       int* boundPort, std::string* error)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (port < 0 || port > 65535 || inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        *error = "not an IPv4 address and port: " + address + ":" + std::to_string(port);
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = ErrnoText("socket");
        return false;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        *error = ErrnoText(("bind " + address + ":" + std::to_string(port)).c_str());
        close(fd);
        return false;
    }
    if (listen(fd, 4096) != 0) {
        *error = ErrnoText("listen");
        close(fd);
        return false;
    }
    socklen_t len = sizeof(addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    if (boundPort)
        *boundPort = ntohs(addr.sin_port);
    auto listener = std::make_unique<Listener>();
    listener->tag = kTagListener;
    listener->fd = fd;
    listener->service = service;
    listeners_.push_back(std::move(listener));
    return true;
}

bool TcpServer::Start(std::string* error)
{
    for (int i = 0; i < limits_.workers; i++) {
        auto w = std::make_unique<Worker>();
        w->server = this;
        w->epfd = epoll_create1(EPOLL_CLOEXEC);
        w->wake.fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (w->epfd < 0 || w->wake.fd < 0) {
            *error = ErrnoText("epoll/eventfd");
            return false;
        }
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &w->wake;
        epoll_ctl(w->epfd, EPOLL_CTL_ADD, w->wake.fd, &ev);
        for (auto& l : listeners_) {
            epoll_event lev{};
            lev.events = EPOLLIN | EPOLLEXCLUSIVE;
            lev.data.ptr = l.get();
            if (epoll_ctl(w->epfd, EPOLL_CTL_ADD, l->fd, &lev) != 0) {
                *error = ErrnoText("epoll_ctl listener");
                return false;
            }
        }
        workers_.push_back(std::move(w));
    }
    for (auto& w : workers_)
        w->thread = std::thread([worker = w.get()] { worker->Run(); });
    started_ = true;
    return true;
}

void TcpServer::Stop(int graceMs)
{
    if (!started_)
        return;
    stopDeadlineMs_ = SteadyMs() + graceMs;
    stopping_.store(true);
    for (auto& w : workers_) {
        uint64_t one = 1;
        ssize_t ignored = write(w->wake.fd, &one, sizeof(one));
        (void)ignored;
    }
    for (auto& w : workers_)
        if (w->thread.joinable())
            w->thread.join();
    workers_.clear();
    started_ = false;
}

void TcpServer::Worker::Run()
{
    epoll_event events[128];
    for (;;) {
        int64_t now = SteadyMs();
        if (server->stopping_.load()) {
            if (listening) {
                for (auto& l : server->listeners_)
                    epoll_ctl(epfd, EPOLL_CTL_DEL, l->fd, nullptr);
                listening = false;
            }
            if (lru.empty())
                break;
            if (now >= server->stopDeadlineMs_) {
                while (!lru.empty())
                    Finish(lru.front(), "shutdown");
                break;
            }
        }
        while (!lru.empty() && lru.front()->deadlineMs <= now)
            Finish(lru.front(), "idle time-out");
        int timeout = 1000;
        if (!lru.empty())
            timeout = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(timeout, lru.front()->deadlineMs - now)));
        if (!logBuffer.empty())
            timeout = std::min(timeout, 200);
        if (server->stopping_.load())
            timeout = std::min(timeout, 50);
        int n = epoll_wait(epfd, events, 128, timeout);
        if (n < 0 && errno != EINTR)
            break;
        for (int i = 0; i < n; i++) {
            int tag = *static_cast<int*>(events[i].data.ptr);
            if (tag == kTagListener) {
                if (!server->stopping_.load())
                    AcceptFrom(static_cast<TcpServer::Listener*>(events[i].data.ptr));
            } else if (tag == kTagWake) {
                uint64_t value;
                ssize_t ignored = read(wake.fd, &value, sizeof(value));
                (void)ignored;
            } else {
                Connection* c = static_cast<Connection*>(events[i].data.ptr);
                if (c->replying)
                    OnWritable(c); // a failed peer shows as a failing send
                else
                    OnReadable(c);
            }
        }
        FlushLog(false);
    }
    FlushLog(true);
}

void TcpServer::Worker::AcceptFrom(TcpServer::Listener* listener)
{
    for (int k = 0; k < 64; k++) {
        sockaddr_in peer{};
        socklen_t len = sizeof(peer);
        int fd = accept4(listener->fd, reinterpret_cast<sockaddr*>(&peer), &len,
                         SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN, or out of descriptors: try again on the next wake-up
        }
        server->accepted_.fetch_add(1);
        if (server->open_.load() >= server->limits_.maxConnections) {
            server->rejected_.fetch_add(1);
            close(fd);
            continue;
        }
        server->open_.fetch_add(1);
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        Connection* c = new Connection;
        c->fd = fd;
        c->service = listener->service;
        c->handler = listener->service->create();
        c->peer = peer;
        c->startMs = SteadyMs();
        c->deadlineMs = c->startMs + server->limits_.idleTimeoutMs;
        lru.push_back(c);
        c->lru = std::prev(lru.end());
        // The request has usually arrived with the connection: try it before registering.
        OnReadable(c);
    }
}

void TcpServer::Worker::Touch(Connection* c)
{
    c->deadlineMs = SteadyMs() + server->limits_.idleTimeoutMs;
    lru.splice(lru.end(), lru, c->lru);
}

void TcpServer::Worker::OnReadable(Connection* c)
{
    uint8_t buffer[16384];
    bool progressed = false;
    for (;;) {
        ssize_t n = recv(c->fd, buffer, sizeof(buffer), 0);
        if (n > 0) {
            progressed = true;
            c->inBytes += static_cast<uint64_t>(n);
            ConnectionHandler::State s = c->handler->OnData(buffer, static_cast<size_t>(n));
            if (s == ConnectionHandler::State::Fail) {
                std::string why = "malformed: " + c->handler->Failure();
                Finish(c, why.c_str());
                return;
            }
            if (s == ConnectionHandler::State::Reply) {
                c->replying = true;
                Touch(c);
                Pump(c);
                return;
            }
            continue;
        }
        if (n == 0) {
            Finish(c, c->inBytes ? "peer closed mid-request" : "peer closed without request");
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        Finish(c, "receive error");
        return;
    }
    if (progressed)
        Touch(c);
    if (!c->registered) {
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLRDHUP;
        ev.data.ptr = c;
        if (epoll_ctl(epfd, EPOLL_CTL_ADD, c->fd, &ev) != 0) {
            Finish(c, "epoll registration failed");
            return;
        }
        c->registered = true;
    }
}

void TcpServer::Worker::OnWritable(Connection* c)
{
    Pump(c);
}

bool TcpServer::Worker::Pump(Connection* c)
{
    for (;;) {
        if (c->outPos == c->out.size()) {
            c->out.clear();
            c->outPos = 0;
            if (c->complete) {
                Finish(c, "ok");
                return false;
            }
            c->complete = c->handler->Fill(c->out, server->limits_.outputBudget);
            if (c->out.empty() && c->complete) {
                Finish(c, "ok");
                return false;
            }
        }
        ssize_t n = send(c->fd, c->out.data() + c->outPos, c->out.size() - c->outPos, MSG_NOSIGNAL);
        if (n > 0) {
            c->outPos += static_cast<size_t>(n);
            c->outBytes += static_cast<uint64_t>(n);
            Touch(c);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!c->watchingWrite) {
                epoll_event ev{};
                ev.events = EPOLLOUT; // input after the request is not read
                ev.data.ptr = c;
                int op = c->registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
                if (epoll_ctl(epfd, op, c->fd, &ev) != 0) {
                    Finish(c, "epoll registration failed");
                    return false;
                }
                c->registered = true;
                c->watchingWrite = true;
            }
            return true;
        }
        Finish(c, "send error");
        return false;
    }
}

void TcpServer::Worker::Finish(Connection* c, const char* outcome)
{
    char peer[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &c->peer.sin_addr, peer, sizeof(peer));
    std::string line = UtcTimestamp() + " " + c->service->name + " " + peer + ":" +
                       std::to_string(ntohs(c->peer.sin_port)) + " " + c->handler->Summary() +
                       " in=" + std::to_string(c->inBytes) + " out=" + std::to_string(c->outBytes) +
                       " ms=" + std::to_string(SteadyMs() - c->startMs) + " " + outcome + "\n";
    logBuffer += line;
    if (c->registered)
        epoll_ctl(epfd, EPOLL_CTL_DEL, c->fd, nullptr);
    close(c->fd);
    lru.erase(c->lru);
    delete c;
    server->open_.fetch_sub(1);
    if (logBuffer.size() > 32768)
        FlushLog(true);
}

void TcpServer::Worker::FlushLog(bool force)
{
    if (logBuffer.empty())
        return;
    int64_t now = SteadyMs();
    if (!force && now - lastFlushMs < 100)
        return;
    if (server->log_)
        server->log_->Write(logBuffer);
    logBuffer.clear();
    lastFlushMs = now;
}
