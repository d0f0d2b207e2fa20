// Packet framing of the toolbar-server protocol over byte buffers: the 32-byte big-endian header,
// the body primitives (integers, counted texts, raw blocks), padding to 128-byte multiples and the
// ARIA-256 body cipher. The socket classes of the service library and the reference server both
// frame and parse packets through these two classes; neither does any I/O itself.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kPacketMagic = 0x62382060;
constexpr int32_t kPacketKind = 2;
constexpr int kPacketHeaderSize = 32;
constexpr int kPacketAlignment = 128;
constexpr int kMaxPacketBuffer = 5048576; // no send or receive buffer grows beyond this
constexpr int kBufferGrowthSlack = 1024;  // a buffer grows to the requested size plus this

// The protocol's fixed cipher key: the 32 ASCII bytes "Seven amber foxes leap over moss".
extern const uint8_t kProtocolKey[32];

// Every field a signed 32-bit integer, big-endian on the wire, host order here.
struct PacketHeader
{
    int32_t magic;
    int32_t cipher;
    int32_t kind;
    int32_t code;
    int32_t length;
    int32_t pad;
    int32_t reserved;
    int32_t seq;
};

void EncodePacketHeader(const PacketHeader& header, uint8_t out[kPacketHeaderSize]);
PacketHeader DecodePacketHeader(const uint8_t in[kPacketHeaderSize]);

// A heap byte buffer that grows to the requested size plus 1024 bytes and never beyond
// kMaxPacketBuffer.
class ByteBuffer
{
public:
    ByteBuffer() = default;
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Grows to at least `size` bytes (existing bytes kept); nullptr when `size` is over the limit
    // or memory is short, and the buffer is then left as it was.
    uint8_t* Reserve(size_t size);
    uint8_t* Data() const { return data_; }
    size_t Capacity() const { return capacity_; }

private:
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
};

// Builds outgoing packets: Begin (the header operation), Put*, Finish.
class PacketWriter
{
public:
    enum class FinishResult { Ok, NotStarted, Unusable };

    // Starts a packet: increments the send sequence, sets magic, cipher 0, kind 2, code and seq,
    // and reserves the 32 header bytes (a buffer of fewer than 32 bytes grows to 1056).
    void Begin(int32_t code);
    PacketHeader& Header() { return header_; } // the caller sets cipher = 1 to encrypt

    // Append to the body. A write that would pass the buffer limit makes the packet unusable:
    // Finish then reports Unusable and nothing may be sent.
    void PutInt(int32_t value);
    void PutBytes(const void* data, size_t count);
    void PutText(const char* text, size_t maxLength); // count, then at most maxLength bytes

    // Pads with zeros to a multiple of 128, encrypts the body when cipher is 1, writes the header.
    // On Ok the packet is Data()/Size() until the next Begin. Always closes the packet: magic and
    // bytes built are 0 afterwards, whatever the result.
    FinishResult Finish();
    const uint8_t* Data() const { return buffer_.Data(); }
    size_t Size() const { return finishedSize_; }

    // Back to a fresh connection's state: sequence 0, no open packet.
    void Reset();

    int32_t SendSeq() const { return sendSeq_; }
    size_t BytesBuilt() const { return built_; }
    bool IsOpen() const { return header_.magic != 0; }
    // The buffer size that a write of the current packet asked for beyond kMaxPacketBuffer (for
    // the "over max limit" message), 0 when none did.
    size_t RefusedSize() const { return refusedSize_; }

private:
    bool Grow(size_t size);

    ByteBuffer buffer_;
    PacketHeader header_{};
    size_t built_ = 0;
    size_t finishedSize_ = 0;
    size_t refusedSize_ = 0;
    int32_t sendSeq_ = 0;
    bool unusable_ = false;
};

// Parses incoming packets: AcceptHeader, then (when BodySize() > 0) the body bytes written into
// BodyBuffer() and AcceptBody, then the Get* operations over the body.
class PacketReader
{
public:
    enum class HeaderResult { Ok, BadSequenceOrMagic, BadSize };
    enum class BodyResult { Ok, BadCipherBlock };

    // Decodes the header, increments the receive sequence and checks seq and magic. BadSize: the
    // body (length + pad) is over the buffer limit, or an encrypted body is not whole 16-byte
    // blocks; the packet cannot be used and the connection must be closed. The body length that
    // the Get operations see is `length`, held within 0 .. length + pad.
    HeaderResult AcceptHeader(const uint8_t raw[kPacketHeaderSize]);
    const PacketHeader& Header() const { return header_; }
    size_t BodySize() const { return bodySize_; } // length + pad, 0 when negative
    uint8_t* BodyBuffer() const { return buffer_.Data(); } // BodySize() bytes, valid after Ok

    // Decrypts the body in place when cipher is 1; sets body length = length, position 0.
    BodyResult AcceptBody();

    // The body primitives: missing integers read as 0 without moving, raw blocks are zero-filled
    // past the end, texts land zero-terminated and cut to size - 1 bytes.
    int32_t GetInt();
    void GetBytes(void* dest, size_t count);
    void GetString(char* dest, size_t size);

    // The kind of the last packet (0 until a body was accepted or when the body is empty).
    int32_t Kind() const { return kind_; }
    int32_t RecvSeq() const { return recvSeq_; }
    size_t Remaining() const;

    // Feeds a whole body from memory (tests, fuzzers and the server's record decoders). Returns
    // false, leaving the body empty, when `length` is over the buffer limit.
    bool SetBody(const uint8_t* data, size_t length);

    // The body size that the last header asked for beyond kMaxPacketBuffer (for the "over max
    // limit" message), 0 when it did not.
    size_t RefusedSize() const { return refusedSize_; }

    void Reset(); // fresh connection: sequence 0, empty body

private:
    size_t refusedSize_ = 0;
    ByteBuffer buffer_;
    PacketHeader header_{};
    size_t bodySize_ = 0;
    int64_t bodyLength_ = 0;
    int64_t position_ = 0;
    int32_t recvSeq_ = 0;
    int32_t kind_ = 0;
};
