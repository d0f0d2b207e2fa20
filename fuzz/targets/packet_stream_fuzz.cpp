// The packet receiver fed arbitrary bytes: the input is a connection's byte stream, cut into
// headers and bodies exactly as the socket layer does, each accepted body decoded as the record
// its code names. A rejected header ends the stream, as it closes the connection.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "record_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PacketReader reader;
    size_t at = 0;
    while (size - at >= static_cast<size_t>(kPacketHeaderSize)) {
        const PacketReader::HeaderResult result = reader.AcceptHeader(data + at);
        at += kPacketHeaderSize;
        if (result != PacketReader::HeaderResult::Ok) {
            return 0;
        }
        const size_t bodySize = reader.BodySize();
        fuzz::Require(bodySize <= static_cast<size_t>(kMaxPacketBuffer));
        if (bodySize > 0) {
            if (size - at < bodySize) {
                return 0; // the peer stopped sending: the receive fails
            }
            std::memcpy(reader.BodyBuffer(), data + at, bodySize);
            at += bodySize;
            if (reader.AcceptBody() != PacketReader::BodyResult::Ok) {
                return 0;
            }
        }
        fuzz::Require(reader.Remaining() <= bodySize);
        switch (reader.Header().code) {
        case LM_SVC_CONNECT_RESP:
        case LM_SVC_CHANGED_RESP:
        case LM_SVC_NOTICE_REQ:
            fuzz::WithRecord(0, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        case LM_SVC_TOOLBAR_MSG_REQ:
            fuzz::WithRecord(1, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        case LM_SVC_URL_REQ:
            fuzz::WithRecord(2, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        case LM_SVC_URL_RESP:
            fuzz::WithRecord(3, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        case LM_SVC_TOOLBAR_MSG_RESP:
            fuzz::WithRecord(4, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        case LM_SVC_NOTICE_RESP:
            fuzz::WithRecord(5, [&](auto& r) { ReadRecord(reader, &r); fuzz::RequireTexts(r); });
            break;
        default:
            reader.GetInt(); // an end packet's request number; any other code is not read
            break;
        }
    }
    return 0;
}
