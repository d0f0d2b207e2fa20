// Each record decoder (ReadRecord) over an arbitrary body. The first byte picks the record. A
// decoded record must have terminated texts, must write and read back to itself, and must pack.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "record_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    // Reused between inputs like the socket layer reuses them between packets (buffers kept).
    static PacketReader reader;
    static PacketWriter writer;
    static PacketReader again;
    reader.Reset();
    writer.Reset();
    again.Reset();
    fuzz::Require(reader.SetBody(data + 1, size - 1));
    fuzz::WithRecord(data[0], [&](auto& record) {
        ReadRecord(reader, &record);
        fuzz::RequireTexts(record);

        // Writing it and reading that back gives the same record (in plain: the cipher has its
        // own checks in packet_stream_fuzz).
        writer.Begin(0x1003);
        auto copy = record;
        WriteRecord(writer, copy);
        fuzz::Require(writer.Finish() == PacketWriter::FinishResult::Ok);
        fuzz::Require(again.AcceptHeader(writer.Data()) == PacketReader::HeaderResult::Ok);
        std::memcpy(again.BodyBuffer(), writer.Data() + kPacketHeaderSize, again.BodySize());
        fuzz::Require(again.AcceptBody() == PacketReader::BodyResult::Ok);
        auto* back = new std::remove_reference_t<decltype(record)>;
        ReadRecord(again, back);
        fuzz::Require(fuzz::Packed(*back) == fuzz::Packed(record));
        delete back;

        fuzz::RequirePackedRoundTrip(record, size * 2654435761u);
    });
    return 0;
}
