// The event-driven TCP layer shared by the toolbar service and the web server: listening
// sockets watched by every worker's epoll (EPOLLEXCLUSIVE wakes one worker per connection), a
// fixed pool of worker threads, an idle time-out per connection, a cap on connections and on
// the output each connection buffers, one log line per connection, and a stop that lets running
// conversations finish within a grace period.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// One conversation's protocol logic; the layer does all I/O for it.
class ConnectionHandler
{
public:
    enum class State { NeedMore, Reply, Fail };
    virtual ~ConnectionHandler() = default;
    // Received bytes. Reply: start writing (no more input is read). Fail: close at once.
    virtual State OnData(const uint8_t* data, size_t length) = 0;
    // Appends output until `out` holds about `budget` bytes; true once the reply is complete.
    virtual bool Fill(std::string& out, size_t budget) = 0;
    // The conversation's part of the log line (what was asked, what was answered).
    virtual std::string Summary() const = 0;
    // Why OnData failed, for the log line.
    virtual std::string Failure() const = 0;
};

struct TcpService
{
    std::string name; // in log lines: "toolbar", "web", "upgrade"
    std::function<std::unique_ptr<ConnectionHandler>()> create;
};

struct TcpServerLimits
{
    int workers = 2;
    int idleTimeoutMs = 10000;      // no byte in either direction for this long ends a connection
    size_t maxConnections = 10000;  // more are accepted and closed at once
    size_t outputBudget = 65536;    // output buffered per connection at most (plus one packet)
};

// Receives finished log lines; called from worker threads (the sink serialises itself).
class LogSink
{
public:
    explicit LogSink(int fd) : fd_(fd) {}
    void Write(const std::string& lines); // one write(2) call
    int Fd() const { return fd_; }

private:
    int fd_;
};

class TcpServer
{
public:
    TcpServer(const TcpServerLimits& limits, LogSink* log);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Binds and listens on an IPv4 address; port 0 picks a free port (given back in *boundPort).
    bool Listen(const std::string& address, int port, const TcpService* service, int* boundPort,
                std::string* error);
    bool Start(std::string* error);
    // Stops accepting, lets open conversations end within `graceMs`, closes the rest, joins.
    void Stop(int graceMs);

    uint64_t Accepted() const { return accepted_.load(); }
    uint64_t Rejected() const { return rejected_.load(); }

    struct Worker;
    struct Listener
    {
        int tag; // first member: identifies epoll items
        int fd;
        const TcpService* service;
    };

private:
    friend struct Worker;
    TcpServerLimits limits_;
    LogSink* log_;
    std::vector<std::unique_ptr<Listener>> listeners_;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> open_{0};
    std::atomic<uint64_t> accepted_{0};
    std::atomic<uint64_t> rejected_{0};
    int64_t stopDeadlineMs_ = 0;
    bool started_ = false;
};

// Milliseconds of a steady clock.
int64_t SteadyMs();
