// One toolbar-server conversation, without any I/O: the request packet goes in as bytes, the
// reply packets come out as bytes. The connection layer feeds it what the socket reads and
// writes what it produces; a conversation never holds more than one request packet and one
// batch of reply packets, whatever the peer sends.
#pragma once

#include "protocol/packet.h"
#include "protocol/records.h"
#include "store_snapshot.h"
#include "verdict.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ToolbarServiceSettings
{
    int32_t frameLimit = 5;        // opt3 of the connect reply (0..127: it travels as one byte)
    size_t maxRequestBody = 16384; // larger request bodies end the connection
    Country fallbackCountry{"US", "미국"};
};

class ToolbarConversation
{
public:
    enum class Status { NeedMore, Replying, Done, Failed };

    ToolbarConversation(std::shared_ptr<const StoreSnapshot> snapshot,
                        const ToolbarServiceSettings& settings, int32_t now);

    // Takes received bytes. Replying: the request is complete (bytes after it are ignored).
    // Failed: the request is malformed and the connection must be closed (Failure() says why).
    // Done: every reply packet has been produced.
    Status Consume(const uint8_t* data, size_t length);
    Status CurrentStatus() const { return status_; }

    // Appends reply packets to `out` until it holds at least `budget` bytes or the reply is
    // complete. Returns true once every reply packet has been produced.
    bool Produce(std::string& out, size_t budget);

    // For the conversation's log line (UTF-8, no control characters).
    std::string Summary() const;
    const std::string& Failure() const { return failure_; }
    int32_t RequestCode() const { return code_; }

private:
    Status Fail(const std::string& why);
    Status HandleRequest();
    void AppendPacket(std::string& out, int32_t code, const void* record, int kind);
    void FillReplyEnvelope(SvcEnvelope* env) const;
    void FillNumbers(int32_t noticeSeq[kNoticeKinds], int32_t* toolbarMsgSeq) const;

    std::shared_ptr<const StoreSnapshot> snapshot_;
    ToolbarServiceSettings settings_;
    int32_t now_;

    PacketReader reader_;
    PacketWriter writer_;
    uint8_t headerBytes_[kPacketHeaderSize];
    size_t headerHave_ = 0;
    size_t bodyHave_ = 0;
    bool headerAccepted_ = false;
    Status status_ = Status::NeedMore;
    std::string failure_;

    int32_t code_ = 0;
    SvcEnvelope requestEnv_{};
    SvcSeqRecord seqRequest_{};
    SvcToolbarMsgReq msgRequest_{};
    std::unique_ptr<SvcUrlRequest> urlRequest_;
    std::string verdictSummary_;

    // Reply progress: 0 = nothing sent, then the stream items, then the end packet.
    int stage_ = 0;
    size_t cursor_ = 0;
    size_t itemsSent_ = 0;
};
