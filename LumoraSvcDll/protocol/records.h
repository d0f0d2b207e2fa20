// The records of the toolbar-server protocol, with their wire encoding (big-endian, inside the
// packets of packet.h) and their packed encoding (host order, for request-table slots and for the
// data delivered to toolbar windows). Portable: no platform headers.
//
// The structs cross between the toolbar and the service library by pointer: plain data, 32-bit
// fields at natural alignment, identical layout in every module.
#pragma once

#include <cstddef>
#include <cstdint>

class PacketWriter;
class PacketReader;

// Message codes (the packet header's `code`, and the dwData of delivered data).
enum : int32_t
{
    LM_SVC_CONNECT_REQ = 0x2001,
    LM_SVC_TOOLBAR_MSG_REQ = 0x2002,
    LM_SVC_URL_REQ = 0x2003,
    LM_SVC_NOTICE_REQ = 0x2004,
    LM_SVC_CHANGED_REQ = 0x2005,
    LM_SVC_CONNECT_RESP = 0x1001,
    LM_SVC_TOOLBAR_MSG_RESP = 0x1002,
    LM_SVC_URL_RESP = 0x1003,
    LM_SVC_NOTICE_RESP = 0x1004,
    LM_SVC_CHANGED_RESP = 0x1005,
    LM_SVC_TOOLBAR_MSG_BEGIN = 0x3002,
    LM_SVC_NOTICE_BEGIN = 0x3004,
    LM_SVC_TOOLBAR_MSG_END = 0x4002,
    LM_SVC_NOTICE_END = 0x4004,
    LM_SVC_CONNECTION_FAIL = 0x9001, // never on the wire: the server could not be reached
    LM_SVC_URL_CONTENTS = 0x9002,    // never on the wire: a page fetch and its delivered body
};

constexpr int kNoticeKinds = 8;

struct SvcEnvelope
{
    int32_t time;
    int32_t seq;
    int32_t hToolbar;
    int32_t os_code;
    int32_t browser_code;
    char pcid[33];
    uint8_t reserved[32];
    int32_t opt1;
    int32_t opt2;
    int32_t opt3;
};

struct SvcSeqRecord
{
    SvcEnvelope env;
    int32_t notice_seq[kNoticeKinds];
    int32_t toolbarmsg_seq;
};

struct SvcToolbarMsgReq
{
    SvcEnvelope env;
    int32_t toolbarmsg_seq;
};

struct SvcUrlRequest
{
    SvcEnvelope env;
    char url[2048];
    char page_url[2048];
    char host[256];
    char host_ip[16];
    int32_t port;
    int32_t harmful_grade;
    int32_t urltype; // 1 = top-level page, anything else = embedded frame
};

struct SvcUrlResponse
{
    SvcEnvelope env;
    int32_t notice_seq[kNoticeKinds];
    int32_t toolbarmsg_seq;
    char url[2048];
    int32_t urltype;
    int32_t malCode;
    int32_t malCodePropagate;
    int32_t phishing;
    int32_t falsify;
    int32_t aux1;
    int32_t aux2;
    int32_t aux3;
    int32_t olderThan19;
    char country_code[3];
    char countryName[32];
    int32_t malCodeHistory;
};

struct SvcToolbarMsg
{
    SvcEnvelope env;
    int32_t toolbar_msg_seq;
    int32_t msg_code;
    char msg[256];
};

struct SvcNotice
{
    SvcEnvelope env;
    int32_t notice_seq[kNoticeKinds];
    int32_t toolbarmsg_seq;
    int32_t notice_no;
    int32_t notice_kind;
    char content[2048];
    char title[1024];
    char extra1[16];
    char extra2[200];
    char extra3[16];
    char extra4[16];
};

// A record about to be filled from a decoding: zeroed, env.time = now, options 0.
void InitRecordEnvelope(SvcEnvelope* env, int32_t now);

// Wire encoding. Writing cuts over-long texts in the record itself (hence non-const), as the
// protocol requires; reading never fails (a short body leaves zeros and empty texts).
void WriteRecord(PacketWriter& out, SvcSeqRecord& record);
void WriteRecord(PacketWriter& out, SvcToolbarMsgReq& record);
void WriteRecord(PacketWriter& out, SvcUrlRequest& record);
void WriteRecord(PacketWriter& out, SvcUrlResponse& record);
void WriteRecord(PacketWriter& out, SvcToolbarMsg& record);
void WriteRecord(PacketWriter& out, SvcNotice& record);
void ReadRecord(PacketReader& in, SvcSeqRecord* record);
void ReadRecord(PacketReader& in, SvcToolbarMsgReq* record);
void ReadRecord(PacketReader& in, SvcUrlRequest* record);
void ReadRecord(PacketReader& in, SvcUrlResponse* record);
void ReadRecord(PacketReader& in, SvcToolbarMsg* record);
void ReadRecord(PacketReader& in, SvcNotice* record);

// Packed encoding. PackedSize is the full size; PackRecord writes at most `capacity` bytes and,
// when the full record would not fit, cuts its longest texts (longest first) until it does: the
// texts are held to one common cap, the largest that fits, never splitting a CP949 double-byte
// character; the pcid is never cut. The record itself is not changed. Returns the bytes written,
// or 0 when not even the record with empty texts fits.
// UnpackRecord zeroes the record first and returns the bytes consumed, or 0 when the input is
// not a whole packed record (a count running past the end, or past its array).
size_t PackedSize(const SvcSeqRecord& record);
size_t PackedSize(const SvcToolbarMsgReq& record);
size_t PackedSize(const SvcUrlRequest& record);
size_t PackedSize(const SvcUrlResponse& record);
size_t PackedSize(const SvcToolbarMsg& record);
size_t PackedSize(const SvcNotice& record);
size_t PackRecord(const SvcSeqRecord& record, uint8_t* out, size_t capacity);
size_t PackRecord(const SvcToolbarMsgReq& record, uint8_t* out, size_t capacity);
size_t PackRecord(const SvcUrlRequest& record, uint8_t* out, size_t capacity);
size_t PackRecord(const SvcUrlResponse& record, uint8_t* out, size_t capacity);
size_t PackRecord(const SvcToolbarMsg& record, uint8_t* out, size_t capacity);
size_t PackRecord(const SvcNotice& record, uint8_t* out, size_t capacity);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcSeqRecord* record);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcToolbarMsgReq* record);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcUrlRequest* record);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcUrlResponse* record);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcToolbarMsg* record);
size_t UnpackRecord(const uint8_t* in, size_t length, SvcNotice* record);

// The largest packed reply (a notice with every text full); delivery buffers are this big.
constexpr size_t kMaxPackedReplySize =
    56 + 32 + 9 * 4 + 2 * 4 + 6 * 4 + 2047 + 1023 + 15 + 199 + 15 + 15;
