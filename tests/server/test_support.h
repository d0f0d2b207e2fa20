// Helpers of the server tests: a throwaway directory, a daemon on loopback ports picked by the
// system, and a toolbar client that speaks the protocol through the protocol core over a real
// socket.
#pragma once

#include "daemon.h"
#include "protocol/packet.h"
#include "protocol/records.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

// A directory under /tmp removed (with its files) at the end of the test.
class TempDir
{
public:
    TempDir()
    {
        char pattern[] = "/tmp/lumora-server-test-XXXXXX";
        char* made = mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~TempDir()
    {
        if (path_.compare(0, 24, "/tmp/lumora-server-test-") == 0)
            nftw(path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); },
                 8, FTW_DEPTH | FTW_PHYS);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline ServerConfig TestConfig(const TempDir& dir)
{
    ServerConfig c;
    c.db = dir.File("rules.db");
    c.listen = "127.0.0.1";
    c.toolbarPort = 0;
    c.webPort = 0;
    c.upgradePort = 0;
    c.webHost = "127.0.0.1:8080";
    c.workers = 2;
    c.idleTimeout = 2;
    c.log = dir.File("server.log");
    c.reloadInterval = 3600; // the tests reload explicitly
    c.shutdownGrace = 1;
    return c;
}

inline int ConnectLoopback(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline bool SendAll(int fd, const void* data, size_t length)
{
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = send(fd, p, length, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Everything the peer sends until it closes (or `timeoutMs` passes without data).
inline std::string ReadUntilClose(int fd, int timeoutMs = 5000, bool* closed = nullptr)
{
    std::string all;
    char buffer[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) {
            if (closed)
                *closed = false;
            return all;
        }
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            if (closed)
                *closed = true;
            return all;
        }
        all.append(buffer, static_cast<size_t>(n));
    }
}

struct ReceivedPacket
{
    PacketHeader header;
    std::vector<uint8_t> body; // decrypted, `length` bytes
};

// Splits a reply stream into packets, checking the framing of each (sequence from 1, magic,
// 128-byte multiples); false when the stream is not whole packets.
inline bool SplitPackets(const std::string& stream, std::vector<ReceivedPacket>* packets)
{
    PacketReader reader;
    size_t pos = 0;
    while (pos < stream.size()) {
        if (stream.size() - pos < static_cast<size_t>(kPacketHeaderSize))
            return false;
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(stream.data() + pos);
        if (reader.AcceptHeader(raw) != PacketReader::HeaderResult::Ok)
            return false;
        PacketHeader h = reader.Header();
        size_t body = reader.BodySize();
        if ((kPacketHeaderSize + body) % kPacketAlignment != 0 || stream.size() - pos - kPacketHeaderSize < body)
            return false;
        std::memcpy(reader.BodyBuffer(), raw + kPacketHeaderSize, body);
        if (reader.AcceptBody() != PacketReader::BodyResult::Ok)
            return false;
        ReceivedPacket p;
        p.header = h;
        p.body.assign(reader.BodyBuffer(), reader.BodyBuffer() + h.length);
        packets->push_back(p);
        pos += kPacketHeaderSize + body;
    }
    return true;
}

template <typename Record>
Record DecodeBody(const ReceivedPacket& packet)
{
    std::unique_ptr<Record> record(new Record);
    std::memset(record.get(), 0, sizeof(Record));
    PacketReader reader;
    reader.SetBody(packet.body.data(), packet.body.size());
    ReadRecord(reader, record.get());
    return *record;
}

inline int32_t DecodeEndSeq(const ReceivedPacket& packet)
{
    PacketReader reader;
    reader.SetBody(packet.body.data(), packet.body.size());
    return reader.GetInt();
}

// One encrypted request packet, as the service library sends it.
template <typename Record>
std::string RequestPacket(int32_t code, Record& record)
{
    PacketWriter writer;
    writer.Begin(code);
    writer.Header().cipher = 1;
    WriteRecord(writer, record);
    if (writer.Finish() != PacketWriter::FinishResult::Ok)
        return std::string();
    return std::string(reinterpret_cast<const char*>(writer.Data()), writer.Size());
}

template <typename Record>
Record NewRequest(int32_t seq)
{
    std::unique_ptr<Record> r(new Record);
    std::memset(r.get(), 0, sizeof(Record));
    r->env.time = 1700000000;
    r->env.seq = seq;
    r->env.hToolbar = 0x00120034;
    r->env.os_code = 181012;
    r->env.browser_code = 181111;
    std::strcpy(r->env.pcid, "0123456789ABCDEF0123456789ABCDEF");
    return *r;
}

// Sends one request on a new connection and returns the packets of the reply.
template <typename Record>
std::vector<ReceivedPacket> Converse(int port, int32_t code, Record& record, bool* closed = nullptr)
{
    std::vector<ReceivedPacket> packets;
    int fd = ConnectLoopback(port);
    if (fd < 0)
        return packets;
    std::string request = RequestPacket(code, record);
    SendAll(fd, request.data(), request.size());
    std::string reply = ReadUntilClose(fd, 5000, closed);
    close(fd);
    if (!SplitPackets(reply, &packets))
        packets.clear();
    return packets;
}

// A plain HTTP exchange; returns the whole response.
inline std::string HttpExchange(int port, const std::string& request)
{
    int fd = ConnectLoopback(port);
    if (fd < 0)
        return std::string();
    SendAll(fd, request.data(), request.size());
    std::string reply = ReadUntilClose(fd);
    close(fd);
    return reply;
}

inline std::string HttpBody(const std::string& response)
{
    size_t p = response.find("\r\n\r\n");
    return p == std::string::npos ? std::string() : response.substr(p + 4);
}
