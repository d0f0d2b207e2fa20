// The toolbar server's packet handling fed arbitrary bytes: a ToolbarConversation over the
// sample store takes the input as a connection's byte stream, in chunks of the sizes the first
// byte picks. Mode 1 (second byte odd) wraps the rest as the body of a well-framed encrypted
// request, so that the record decoders and the verdict logic see arbitrary bodies too.
// Properties: the conversation either fails or answers; every answer is whole packets with
// magic, kind 2, sequence 1, 2, ... in 128-byte multiples; the output of one Produce call stays
// within the budget plus one packet.
#include "protocol/packet.h"
#include "protocol/records.h"
#include "sample_data.h"
#include "store_snapshot.h"
#include "toolbar_conversation.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::shared_ptr<const StoreSnapshot> SampleSnapshot()
{
    static std::shared_ptr<const StoreSnapshot> snapshot = [] {
        SampleData d = MakeSampleData("127.0.0.1:8080");
        int32_t seq = 1;
        for (auto& m : d.messages)
            m.seq = seq++;
        for (auto& n : d.notices)
            n.number = seq++;
        return BuildSnapshot(d.rules, d.messages, d.notices, 1);
    }();
    return snapshot;
}

void CheckReply(const std::string& out)
{
    PacketReader reader;
    size_t at = 0;
    while (at < out.size()) {
        Require(out.size() - at >= static_cast<size_t>(kPacketHeaderSize));
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(out.data()) + at;
        Require(reader.AcceptHeader(raw) == PacketReader::HeaderResult::Ok);
        Require(reader.Header().kind == kPacketKind && reader.Header().cipher == 1);
        size_t body = reader.BodySize();
        Require((kPacketHeaderSize + body) % kPacketAlignment == 0);
        Require(out.size() - at - kPacketHeaderSize >= body);
        at += kPacketHeaderSize + body;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t chunk = 1 + data[0] % 97;
    const bool framed = data[1] & 1;
    const int32_t codes[] = {LM_SVC_CONNECT_REQ, LM_SVC_TOOLBAR_MSG_REQ, LM_SVC_URL_REQ,
                             LM_SVC_NOTICE_REQ, LM_SVC_CHANGED_REQ};
    std::string stream;
    if (framed) {
        PacketWriter writer;
        writer.Begin(codes[(data[1] >> 1) % 5]);
        writer.Header().cipher = 1;
        writer.PutBytes(data + 2, size - 2);
        if (writer.Finish() != PacketWriter::FinishResult::Ok)
            return 0;
        stream.assign(reinterpret_cast<const char*>(writer.Data()), writer.Size());
    } else {
        stream.assign(reinterpret_cast<const char*>(data + 2), size - 2);
    }

    ToolbarServiceSettings settings;
    ToolbarConversation conversation(SampleSnapshot(), settings, 1700000000);
    ToolbarConversation::Status status = ToolbarConversation::Status::NeedMore;
    for (size_t at = 0; at < stream.size() && status == ToolbarConversation::Status::NeedMore; at += chunk) {
        size_t n = std::min(chunk, stream.size() - at);
        status = conversation.Consume(reinterpret_cast<const uint8_t*>(stream.data()) + at, n);
    }
    if (framed)
        Require(status == ToolbarConversation::Status::Replying);
    if (status != ToolbarConversation::Status::Replying) {
        (void)conversation.Summary();
        return 0;
    }
    std::string out;
    const size_t budget = 4096;
    for (int round = 0; round < 1000; round++) {
        std::string part;
        bool done = conversation.Produce(part, budget);
        Require(part.size() <= budget + 8192);
        out += part;
        if (done)
            break;
    }
    Require(conversation.CurrentStatus() == ToolbarConversation::Status::Done);
    Require(!out.empty());
    CheckReply(out);
    (void)conversation.Summary();
    return 0;
}
