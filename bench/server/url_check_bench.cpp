// Load generator for the toolbar server: T threads, each keeping C/T connections in flight,
// every connection one address check (connect, encrypted LM_SVC_URL_REQ, read the reply until
// the server closes), for a fixed time. Prints checks/s and the p50/p99 latency.
//
//   server_url_bench --port N [--host 127.0.0.1] [--connections 64] [--threads 2] [--seconds 10]
#include "protocol/packet.h"
#include "protocol/records.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int64_t NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string BuildRequest()
{
    std::unique_ptr<SvcUrlRequest> r(new SvcUrlRequest);
    std::memset(r.get(), 0, sizeof(SvcUrlRequest));
    r->env.time = 1700000000;
    r->env.seq = 1;
    r->env.hToolbar = 0x10203;
    r->env.os_code = 181012;
    r->env.browser_code = 181111;
    std::strcpy(r->env.pcid, "0123456789ABCDEF0123456789ABCDEF");
    std::strcpy(r->url, "http://www.bank-login.example/account/login.html?next=/home");
    std::strcpy(r->page_url, r->url);
    std::strcpy(r->host, "bank-login.example");
    std::strcpy(r->host_ip, "10.1.2.3");
    r->port = 80;
    r->harmful_grade = 18;
    r->urltype = 1;
    PacketWriter writer;
    writer.Begin(LM_SVC_URL_REQ);
    writer.Header().cipher = 1;
    WriteRecord(writer, *r);
    if (writer.Finish() != PacketWriter::FinishResult::Ok)
        return std::string();
    return std::string(reinterpret_cast<const char*>(writer.Data()), writer.Size());
}

struct Slot
{
    int fd = -1;
    int64_t startUs = 0;
    size_t sent = 0;
    size_t received = 0;
};

struct ThreadResult
{
    uint64_t checks = 0;
    uint64_t errors = 0;
    std::vector<uint32_t> latencyUs;
};

void RunThread(const sockaddr_in& addr, int connections, int64_t endUs, const std::string& request,
               size_t expectedReply, ThreadResult* result)
{
    int ep = epoll_create1(0);
    std::vector<Slot> slots(static_cast<size_t>(connections));
    auto open = [&](size_t i) {
        Slot& s = slots[i];
        s = Slot();
        s.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        linger l{1, 0}; // as the service library does: the close resets the connection
        setsockopt(s.fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
        int one = 1;
        setsockopt(s.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        s.startUs = NowUs();
        int rc = connect(s.fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
        if (rc != 0 && errno != EINPROGRESS) {
            close(s.fd);
            s.fd = -1;
            result->errors++;
            return;
        }
        epoll_event ev{};
        ev.events = EPOLLOUT | EPOLLIN;
        ev.data.u64 = i;
        epoll_ctl(ep, EPOLL_CTL_ADD, s.fd, &ev);
    };
    auto finish = [&](size_t i, bool ok) {
        Slot& s = slots[i];
        epoll_ctl(ep, EPOLL_CTL_DEL, s.fd, nullptr);
        close(s.fd);
        s.fd = -1;
        if (ok) {
            result->checks++;
            result->latencyUs.push_back(static_cast<uint32_t>(std::min<int64_t>(NowUs() - s.startUs, UINT32_MAX)));
        } else {
            result->errors++;
        }
        if (NowUs() < endUs)
            open(i);
    };
    for (size_t i = 0; i < slots.size(); i++)
        open(i);
    epoll_event events[256];
    char buffer[8192];
    while (NowUs() < endUs) {
        int n = epoll_wait(ep, events, 256, 100);
        for (int k = 0; k < n; k++) {
            size_t i = events[k].data.u64;
            Slot& s = slots[i];
            if (s.fd < 0)
                continue;
            if (s.sent < request.size() && (events[k].events & EPOLLOUT)) {
                ssize_t w = send(s.fd, request.data() + s.sent, request.size() - s.sent, MSG_NOSIGNAL);
                if (w < 0 && errno != EAGAIN) {
                    finish(i, false);
                    continue;
                }
                if (w > 0)
                    s.sent += static_cast<size_t>(w);
                if (s.sent == request.size()) {
                    epoll_event ev{};
                    ev.events = EPOLLIN;
                    ev.data.u64 = i;
                    epoll_ctl(ep, EPOLL_CTL_MOD, s.fd, &ev);
                }
            }
            if (events[k].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                for (;;) {
                    ssize_t r = recv(s.fd, buffer, sizeof(buffer), 0);
                    if (r > 0) {
                        s.received += static_cast<size_t>(r);
                        continue;
                    }
                    if (r == 0)
                        finish(i, s.received == expectedReply);
                    else if (errno != EAGAIN)
                        finish(i, false);
                    break;
                }
            }
        }
    }
    for (Slot& s : slots)
        if (s.fd >= 0)
            close(s.fd);
    close(ep);
}

} // namespace

int main(int argc, char** argv)
{
    std::string host = "127.0.0.1";
    int port = 0, connections = 64, threads = 2, seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--host") host = argv[i + 1];
        else if (a == "--port") port = std::atoi(argv[i + 1]);
        else if (a == "--connections") connections = std::atoi(argv[i + 1]);
        else if (a == "--threads") threads = std::atoi(argv[i + 1]);
        else if (a == "--seconds") seconds = std::atoi(argv[i + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (port <= 0 || threads < 1 || connections < threads || seconds < 1 ||
        inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        std::fprintf(stderr, "usage: %s --port N [--host A] [--connections C] [--threads T] [--seconds S]\n", argv[0]);
        return 2;
    }
    const std::string request = BuildRequest();
    // The reply to this request is one 128-byte-aligned packet; its size is learned from a
    // first check so that every later reply can be verified by its length.
    size_t expected = 0;
    {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            std::perror("connect");
            return 1;
        }
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[8192];
        ssize_t r;
        while ((r = recv(fd, buffer, sizeof(buffer), 0)) > 0)
            expected += static_cast<size_t>(r);
        close(fd);
        if (expected == 0 || expected % 128 != 0) {
            std::fprintf(stderr, "the server did not answer the check (got %zu bytes)\n", expected);
            return 1;
        }
    }
    std::vector<ThreadResult> results(static_cast<size_t>(threads));
    std::vector<std::thread> pool;
    int64_t start = NowUs();
    int64_t end = start + static_cast<int64_t>(seconds) * 1000000;
    for (int t = 0; t < threads; t++) {
        int share = connections / threads + (t < connections % threads ? 1 : 0);
        pool.emplace_back(RunThread, addr, share, end, request, expected, &results[static_cast<size_t>(t)]);
    }
    for (auto& t : pool)
        t.join();
    double elapsed = static_cast<double>(NowUs() - start) / 1e6;
    uint64_t checks = 0, errors = 0;
    std::vector<uint32_t> all;
    for (auto& r : results) {
        checks += r.checks;
        errors += r.errors;
        all.insert(all.end(), r.latencyUs.begin(), r.latencyUs.end());
    }
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, static_cast<size_t>(p * all.size()))] / 1000.0; };
    std::printf("checks: %llu in %.2f s, errors: %llu\n", static_cast<unsigned long long>(checks), elapsed,
                static_cast<unsigned long long>(errors));
    std::printf("checks/s: %.0f\n", checks / elapsed);
    std::printf("latency p50: %.3f ms, p99: %.3f ms\n", pct(0.50), pct(0.99));
    return errors > checks / 100 ? 1 : 0;
}
