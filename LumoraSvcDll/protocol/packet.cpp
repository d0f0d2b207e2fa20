#include "protocol/packet.h"

#include <cstdlib>
#include <cstring>

#include "protocol/aria.h"

const uint8_t kProtocolKey[32] = {'S', 'e', 'v', 'e', 'n', ' ', 'a', 'm', 'b', 'e', 'r',
                                  ' ', 'f', 'o', 'x', 'e', 's', ' ', 'l', 'e', 'a', 'p',
                                  ' ', 'o', 'v', 'e', 'r', ' ', 'm', 'o', 's', 's'};

namespace {

inline void PutBigEndian(uint8_t* p, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline int32_t GetBigEndian(const uint8_t* p)
{
    const uint32_t v = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) |
                       uint32_t(p[3]);
    return static_cast<int32_t>(v);
}

} // namespace

void EncodePacketHeader(const PacketHeader& header, uint8_t out[kPacketHeaderSize])
{
    PutBigEndian(out + 0, header.magic);
    PutBigEndian(out + 4, header.cipher);
    PutBigEndian(out + 8, header.kind);
    PutBigEndian(out + 12, header.code);
    PutBigEndian(out + 16, header.length);
    PutBigEndian(out + 20, header.pad);
    PutBigEndian(out + 24, header.reserved);
    PutBigEndian(out + 28, header.seq);
}

PacketHeader DecodePacketHeader(const uint8_t in[kPacketHeaderSize])
{
    PacketHeader header;
    header.magic = GetBigEndian(in + 0);
    header.cipher = GetBigEndian(in + 4);
    header.kind = GetBigEndian(in + 8);
    header.code = GetBigEndian(in + 12);
    header.length = GetBigEndian(in + 16);
    header.pad = GetBigEndian(in + 20);
    header.reserved = GetBigEndian(in + 24);
    header.seq = GetBigEndian(in + 28);
    return header;
}

// ---- ByteBuffer

ByteBuffer::~ByteBuffer()
{
    std::free(data_);
}

uint8_t* ByteBuffer::Reserve(size_t size)
{
    if (size <= capacity_ && data_ != nullptr) {
        return data_;
    }
    if (size > static_cast<size_t>(kMaxPacketBuffer)) {
        return nullptr;
    }
    size_t grown = size + kBufferGrowthSlack;
    if (grown > static_cast<size_t>(kMaxPacketBuffer)) {
        grown = kMaxPacketBuffer;
    }
    void* moved = std::realloc(data_, grown);
    if (moved == nullptr) {
        return nullptr;
    }
    data_ = static_cast<uint8_t*>(moved);
    capacity_ = grown;
    return data_;
}

// ---- PacketWriter

bool PacketWriter::Grow(size_t size)
{
    if (buffer_.Reserve(size) != nullptr) {
        return true;
    }
    if (size > static_cast<size_t>(kMaxPacketBuffer)) {
        refusedSize_ = size;
    }
    unusable_ = true;
    return false;
}

void PacketWriter::Begin(int32_t code)
{
    ++sendSeq_;
    header_ = PacketHeader{};
    header_.magic = kPacketMagic;
    header_.cipher = 0;
    header_.kind = kPacketKind;
    header_.code = code;
    header_.seq = sendSeq_;
    unusable_ = false;
    refusedSize_ = 0;
    finishedSize_ = 0;
    built_ = 0;
    if (Grow(kPacketHeaderSize)) {
        std::memset(buffer_.Data(), 0, kPacketHeaderSize);
        built_ = kPacketHeaderSize;
    }
}

void PacketWriter::PutInt(int32_t value)
{
    uint8_t bytes[4];
    PutBigEndian(bytes, value);
    PutBytes(bytes, sizeof(bytes));
}

void PacketWriter::PutBytes(const void* data, size_t count)
{
    if (!IsOpen() || unusable_ || count == 0) {
        return;
    }
    if (count > static_cast<size_t>(kMaxPacketBuffer) - built_) {
        refusedSize_ = built_ + count; // still fits a size_t: both are bounded by the limit
        if (refusedSize_ < built_) {
            refusedSize_ = static_cast<size_t>(-1);
        }
        unusable_ = true;
        return;
    }
    if (!Grow(built_ + count)) {
        return;
    }
    if (data != nullptr) {
        std::memcpy(buffer_.Data() + built_, data, count);
    } else {
        std::memset(buffer_.Data() + built_, 0, count);
    }
    built_ += count;
}

void PacketWriter::PutText(const char* text, size_t maxLength)
{
    size_t length = 0;
    if (text != nullptr) {
        while (length < maxLength && text[length] != '\0') {
            ++length;
        }
    }
    PutInt(static_cast<int32_t>(length));
    PutBytes(text, length);
}

PacketWriter::FinishResult PacketWriter::Finish()
{
    finishedSize_ = 0;
    FinishResult result = FinishResult::Ok;
    if (!IsOpen()) {
        result = FinishResult::NotStarted;
    } else if (unusable_ || built_ < static_cast<size_t>(kPacketHeaderSize)) {
        result = FinishResult::Unusable; // a write, or the header's own buffer, was refused
    } else {
        header_.length = static_cast<int32_t>(built_ - kPacketHeaderSize);
        const size_t rest = built_ % kPacketAlignment;
        header_.pad = 0;
        if (rest > 0) {
            const size_t pad = kPacketAlignment - rest;
            PutBytes(nullptr, pad);
            header_.pad = static_cast<int32_t>(pad);
        }
        if (unusable_) {
            result = FinishResult::Unusable;
        } else {
            uint8_t* data = buffer_.Data();
            EncodePacketHeader(header_, data);
            if (header_.cipher == 1) {
                const size_t region = built_ - kPacketHeaderSize;
                // Always whole blocks: the packet is a multiple of 128 and the header is 32.
                AriaEcbEncrypt(kProtocolKey, sizeof(kProtocolKey), data + kPacketHeaderSize, region);
                header_.length = static_cast<int32_t>(region);
                header_.pad = 0;
                EncodePacketHeader(header_, data);
            }
            finishedSize_ = built_;
        }
    }
    // Whatever happened, the packet is closed: the next one needs Begin again.
    header_.magic = 0;
    built_ = 0;
    unusable_ = false;
    return result;
}

void PacketWriter::Reset()
{
    header_ = PacketHeader{};
    built_ = 0;
    finishedSize_ = 0;
    refusedSize_ = 0;
    sendSeq_ = 0;
    unusable_ = false;
}

// ---- PacketReader

PacketReader::HeaderResult PacketReader::AcceptHeader(const uint8_t raw[kPacketHeaderSize])
{
    bodySize_ = 0;
    bodyLength_ = 0;
    position_ = 0;
    kind_ = 0;
    refusedSize_ = 0;
    header_ = DecodePacketHeader(raw);
    ++recvSeq_;
    if (header_.seq != recvSeq_ || header_.magic != kPacketMagic) {
        return HeaderResult::BadSequenceOrMagic;
    }
    const int64_t n = static_cast<int64_t>(header_.length) + header_.pad;
    if (n <= 0) {
        return HeaderResult::Ok;
    }
    if (n > kMaxPacketBuffer) {
        refusedSize_ = static_cast<size_t>(n);
        return HeaderResult::BadSize;
    }
    if (header_.cipher == 1 && n % static_cast<int64_t>(kAriaBlockSize) != 0) {
        return HeaderResult::BadSize;
    }
    if (buffer_.Reserve(static_cast<size_t>(n)) == nullptr) {
        return HeaderResult::BadSize;
    }
    bodySize_ = static_cast<size_t>(n);
    return HeaderResult::Ok;
}

PacketReader::BodyResult PacketReader::AcceptBody()
{
    position_ = 0;
    bodyLength_ = 0;
    if (bodySize_ == 0) {
        return BodyResult::Ok;
    }
    if (header_.cipher == 1 &&
        !AriaEcbDecrypt(kProtocolKey, sizeof(kProtocolKey), buffer_.Data(), bodySize_)) {
        return BodyResult::BadCipherBlock;
    }
    kind_ = header_.kind;
    // `length` counts the bytes that carry content; a peer's length outside the bytes received
    // (a negative pad) is held to them so that no read goes past the buffer.
    int64_t length = header_.length;
    if (length < 0) {
        length = 0;
    }
    if (length > static_cast<int64_t>(bodySize_)) {
        length = static_cast<int64_t>(bodySize_);
    }
    bodyLength_ = length;
    return BodyResult::Ok;
}

size_t PacketReader::Remaining() const
{
    return bodyLength_ > position_ ? static_cast<size_t>(bodyLength_ - position_) : 0;
}

int32_t PacketReader::GetInt()
{
    if (Remaining() < 4) {
        return 0;
    }
    const int32_t value = GetBigEndian(buffer_.Data() + position_);
    position_ += 4;
    return value;
}

void PacketReader::GetBytes(void* dest, size_t count)
{
    if (count == 0) {
        return;
    }
    std::memset(dest, 0, count);
    size_t take = Remaining();
    if (take > count) {
        take = count;
    }
    if (take != 0) {
        std::memcpy(dest, buffer_.Data() + position_, take);
        position_ += static_cast<int64_t>(take);
    }
}

void PacketReader::GetString(char* dest, size_t size)
{
    if (size != 0) {
        std::memset(dest, 0, size);
    }
    const int32_t count = GetInt();
    if (count < 0) {
        return;
    }
    const size_t c = static_cast<size_t>(count);
    if (c < size) {
        GetBytes(dest, c);
        return;
    }
    // Too long for the destination: keep its first size - 1 bytes and move past the whole text.
    const int64_t textStart = position_;
    if (size > 1) {
        GetBytes(dest, size - 1);
    }
    // The position is a 32-bit signed value on the wire's terms: a text that would carry it past
    // that range leaves nothing more to read.
    const int64_t end = textStart + static_cast<int64_t>(c);
    if (end > INT32_MAX) {
        bodyLength_ = 0;
        position_ = 0;
        return;
    }
    position_ = end;
}

bool PacketReader::SetBody(const uint8_t* data, size_t length)
{
    bodySize_ = 0;
    bodyLength_ = 0;
    position_ = 0;
    if (length == 0) {
        return true;
    }
    if (buffer_.Reserve(length) == nullptr) {
        return false;
    }
    std::memcpy(buffer_.Data(), data, length);
    bodySize_ = length;
    bodyLength_ = static_cast<int64_t>(length);
    return true;
}

void PacketReader::Reset()
{
    header_ = PacketHeader{};
    bodySize_ = 0;
    bodyLength_ = 0;
    position_ = 0;
    recvSeq_ = 0;
    kind_ = 0;
    refusedSize_ = 0;
}
