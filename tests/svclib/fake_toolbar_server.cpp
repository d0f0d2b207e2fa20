#include "table_probe.h"
#include "fake_toolbar_server.h"

#include <chrono>
#include <cstring>

#include "protocol/packet.h"
#include "protocol/records.h"

namespace {

constexpr int kServerWaitMs = 3000; // the longest the server waits for a client

bool ReceiveExactly(SOCKET s, uint8_t* data, size_t length)
{
    size_t got = 0;
    while (got < length) {
        const int n = recv(s, reinterpret_cast<char*>(data + got), static_cast<int>(length - got), 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

void SendBytes(SOCKET s, const uint8_t* data, size_t length)
{
    size_t sent = 0;
    while (sent < length) {
        const int n = send(s, reinterpret_cast<const char*>(data + sent), static_cast<int>(length - sent), 0);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

// Waits (bounded) until the client closes its side.
void WaitForClientClose(SOCKET s)
{
    char scratch[512];
    while (recv(s, scratch, sizeof scratch, 0) > 0) {
    }
}

template <typename Record>
void EchoEnvelope(Record& reply, const SvcEnvelope& request)
{
    std::memset(&reply, 0, sizeof(reply));
    reply.env.time = request.time;
    reply.env.seq = request.seq;
    reply.env.hToolbar = request.hToolbar;
    std::memcpy(reply.env.pcid, request.pcid, sizeof(reply.env.pcid));
}

} // namespace

int ClosedLoopbackPort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(s);
    return ntohs(address.sin_port);
}

FakeToolbarServer::FakeToolbarServer()
{
    listener_ = ListenOnLoopback(64, &port_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

FakeToolbarServer::~FakeToolbarServer()
{
    stopping_ = true;
    acceptor_.join();
    closesocket(listener_);
    // The connection threads are detached (a long run serves thousands); each ends within its
    // bounded waits.
    for (int waited = 0; activeWorkers_ > 0 && waited < 10000; waited += 10) {
        Sleep(10);
    }
}

std::vector<ServedRequest> FakeToolbarServer::Requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool FakeToolbarServer::WaitForRequests(size_t count, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (requests_.size() >= count) {
                return true;
            }
        }
        Sleep(5);
    }
    return false;
}

void FakeToolbarServer::AcceptLoop()
{
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait = {0, 20000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            continue;
        }
        ++connections_;
        if (fault_ == ServerFault::CloseAtAccept) {
            closesocket(client);
            continue;
        }
        ++activeWorkers_;
        std::thread([this, client] {
            Serve(client);
            --activeWorkers_;
        }).detach();
    }
}

void FakeToolbarServer::Serve(SOCKET client)
{
    const DWORD wait = kServerWaitMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);

    uint8_t raw[kPacketHeaderSize];
    PacketReader reader;
    if (!ReceiveExactly(client, raw, sizeof raw) ||
        reader.AcceptHeader(raw) != PacketReader::HeaderResult::Ok ||
        (reader.BodySize() > 0 && !ReceiveExactly(client, reader.BodyBuffer(), reader.BodySize())) ||
        reader.AcceptBody() != PacketReader::BodyResult::Ok) {
        closesocket(client);
        return;
    }
    const int32_t code = reader.Header().code;
    SvcSeqRecord seqRecord = {};
    SvcToolbarMsgReq msgRequest = {};
    SvcUrlRequest urlRequest = {};
    const SvcEnvelope* env = nullptr;
    ServedRequest served = {code, 0, 0, "", 0};
    switch (code) {
    case LM_SVC_TOOLBAR_MSG_REQ:
        ReadRecord(reader, &msgRequest);
        env = &msgRequest.env;
        break;
    case LM_SVC_URL_REQ:
        ReadRecord(reader, &urlRequest);
        env = &urlRequest.env;
        served.url = urlRequest.url;
        break;
    default:
        ReadRecord(reader, &seqRecord);
        env = &seqRecord.env;
        break;
    }
    served.seq = env->seq;
    served.hToolbar = env->hToolbar;
    served.pcidLength = static_cast<int32_t>(strnlen(env->pcid, sizeof(env->pcid)));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(served);
    }

    const ServerFault fault = fault_;
    PacketWriter writer;
    auto sendPacket = [&](int32_t packetCode, auto fill) {
        writer.Begin(packetCode);
        writer.Header().cipher = 1;
        fill();
        if (fault == ServerFault::WrongMagic) {
            writer.Header().magic = 0x11223344;
        } else if (fault == ServerFault::WrongSeq) {
            writer.Header().seq = writer.SendSeq() + 1;
        }
        if (writer.Finish() == PacketWriter::FinishResult::Ok) {
            SendBytes(client, writer.Data(), writer.Size());
        }
    };
    auto sendRawHeader = [&](int32_t packetCode, int32_t length, int32_t pad) {
        PacketHeader header = {kPacketMagic, 1, kPacketKind, packetCode, length, pad, 0, 1};
        uint8_t bytes[kPacketHeaderSize];
        EncodePacketHeader(header, bytes);
        SendBytes(client, bytes, sizeof bytes);
        std::vector<uint8_t> body(static_cast<size_t>(length > 4096 ? 4096 : length), 0);
        SendBytes(client, body.data(), body.size());
    };
    const int32_t seq = fault == ServerFault::UnknownSeq ? 77777 : env->seq;

    if (fault == ServerFault::Stall) {
        WaitForClientClose(client);
    } else if (fault == ServerFault::LengthNotBlocks) {
        sendRawHeader(LM_SVC_URL_RESP, 90, 0);
    } else if (fault == ServerFault::OversizeLength) {
        sendRawHeader(LM_SVC_URL_RESP, 6000000, 0);
    } else if (code == LM_SVC_URL_REQ) {
        SvcUrlResponse reply;
        EchoEnvelope(reply, *env);
        reply.env.seq = seq;
        std::strcpy(reply.url, urlRequest.url);
        reply.urltype = urlRequest.urltype;
        reply.malCode = malCode_;
        std::strcpy(reply.country_code, "KR");
        std::strcpy(reply.countryName, "Korea");
        sendPacket(LM_SVC_URL_RESP, [&] { WriteRecord(writer, reply); });
    } else if (code == LM_SVC_CONNECT_REQ || code == LM_SVC_CHANGED_REQ) {
        SvcSeqRecord reply;
        EchoEnvelope(reply, *env);
        reply.env.seq = seq;
        reply.toolbarmsg_seq = 7;
        for (int k = 0; k < kNoticeKinds; ++k) {
            reply.notice_seq[k] = 10 + k;
        }
        sendPacket(code == LM_SVC_CONNECT_REQ ? LM_SVC_CONNECT_RESP : LM_SVC_CHANGED_RESP,
                   [&] { WriteRecord(writer, reply); });
    } else {
        const bool notices = code == LM_SVC_NOTICE_REQ;
        if (sendBegin_ || fault == ServerFault::UnexpectedStreamCode) {
            sendPacket(notices ? LM_SVC_NOTICE_BEGIN : LM_SVC_TOOLBAR_MSG_BEGIN, [] {});
        }
        if (fault == ServerFault::UnexpectedStreamCode) {
            SvcUrlResponse stray;
            EchoEnvelope(stray, *env);
            sendPacket(LM_SVC_URL_RESP, [&] { WriteRecord(writer, stray); });
        } else {
            for (int item = 1; item <= streamItems_; ++item) {
                if (notices) {
                    SvcNotice notice;
                    EchoEnvelope(notice, *env);
                    notice.notice_no = item;
                    notice.notice_kind = 1;
                    std::strcpy(notice.title, "공지");
                    std::strcpy(notice.content, "http://example.invalid/notice");
                    sendPacket(LM_SVC_NOTICE_RESP, [&] { WriteRecord(writer, notice); });
                } else {
                    SvcToolbarMsg message;
                    EchoEnvelope(message, *env);
                    message.toolbar_msg_seq = item;
                    message.msg_code = 3;
                    std::strcpy(message.msg, "메시지");
                    sendPacket(LM_SVC_TOOLBAR_MSG_RESP, [&] { WriteRecord(writer, message); });
                }
            }
            sendPacket(notices ? LM_SVC_NOTICE_END : LM_SVC_TOOLBAR_MSG_END,
                       [&] { writer.PutInt(seq); });
        }
    }
    WaitForClientClose(client);
    closesocket(client);
}
