#include "protocol/records.h"

// Every record is described once, as the ordered list of its fields (VisitFields below); the wire
// writer and reader, the packed writer, reader and size, and the text cuts are visitors over that
// list, so the encodings cannot drift apart. The wire and packed layouts list the same fields in
// the same order; they differ only in byte order and in how texts are cut.

#include <cstring>

#include "protocol/cp949_text.h"
#include "protocol/packet.h"

namespace {

// Length of a text held in an array of `arraySize` bytes: at most arraySize - 1, also when the
// array carries no terminator.
size_t BoundedLength(const char* text, size_t arraySize)
{
    size_t length = 0;
    while (length + 1 < arraySize && text[length] != '\0') {
        ++length;
    }
    return length;
}

void StoreOptions(uint8_t* reserved, const SvcEnvelope& env)
{
    reserved[0] = static_cast<uint8_t>(env.opt1);
    reserved[1] = static_cast<uint8_t>(env.opt2);
    reserved[2] = static_cast<uint8_t>(env.opt3);
}

void LoadOptions(SvcEnvelope& env)
{
    env.opt1 = static_cast<int8_t>(env.reserved[0]);
    env.opt2 = static_cast<int8_t>(env.reserved[1]);
    env.opt3 = static_cast<int8_t>(env.reserved[2]);
}

// ---- the field lists

template <class V>
void VisitEnvelope(SvcEnvelope& e, V& v)
{
    v.Int(e.time);
    v.Int(e.seq);
    v.Int(e.hToolbar);
    v.Int(e.os_code);
    v.Int(e.browser_code);
    v.Text(e.pcid, sizeof(e.pcid), false);
    v.Reserved(e);
}

template <class V>
void VisitNumbers(int32_t (&noticeSeq)[kNoticeKinds], int32_t& toolbarmsgSeq, V& v)
{
    for (int32_t& n : noticeSeq) {
        v.Int(n);
    }
    v.Int(toolbarmsgSeq);
}

template <class V>
void VisitFields(SvcSeqRecord& r, V& v)
{
    VisitEnvelope(r.env, v);
    VisitNumbers(r.notice_seq, r.toolbarmsg_seq, v);
}

template <class V>
void VisitFields(SvcToolbarMsgReq& r, V& v)
{
    VisitEnvelope(r.env, v);
    v.Int(r.toolbarmsg_seq);
}

template <class V>
void VisitFields(SvcUrlRequest& r, V& v)
{
    VisitEnvelope(r.env, v);
    v.Text(r.url, sizeof(r.url));
    v.Text(r.page_url, sizeof(r.page_url));
    v.Text(r.host, sizeof(r.host));
    v.Text(r.host_ip, sizeof(r.host_ip));
    v.Int(r.port);
    v.Int(r.harmful_grade);
    v.Int(r.urltype);
}

template <class V>
void VisitFields(SvcUrlResponse& r, V& v)
{
    VisitEnvelope(r.env, v);
    VisitNumbers(r.notice_seq, r.toolbarmsg_seq, v);
    v.Text(r.url, sizeof(r.url));
    v.Int(r.urltype);
    v.Int(r.malCode);
    v.Int(r.malCodePropagate);
    v.Int(r.phishing);
    v.Int(r.falsify);
    v.Int(r.aux1);
    v.Int(r.aux2);
    v.Int(r.aux3);
    v.Int(r.olderThan19);
    v.Text(r.country_code, sizeof(r.country_code));
    v.Text(r.countryName, sizeof(r.countryName));
    v.Int(r.malCodeHistory);
}

template <class V>
void VisitFields(SvcToolbarMsg& r, V& v)
{
    VisitEnvelope(r.env, v);
    v.Int(r.toolbar_msg_seq);
    v.Int(r.msg_code);
    v.Text(r.msg, sizeof(r.msg));
}

template <class V>
void VisitFields(SvcNotice& r, V& v)
{
    VisitEnvelope(r.env, v);
    VisitNumbers(r.notice_seq, r.toolbarmsg_seq, v);
    v.Int(r.notice_no);
    v.Int(r.notice_kind);
    v.Text(r.content, sizeof(r.content));
    v.Text(r.title, sizeof(r.title));
    v.Text(r.extra1, sizeof(r.extra1));
    v.Text(r.extra2, sizeof(r.extra2));
    v.Text(r.extra3, sizeof(r.extra3));
    v.Text(r.extra4, sizeof(r.extra4));
}

// ---- wire encoding

struct WireWriter
{
    PacketWriter& out;

    void Int(int32_t& value) { out.PutInt(value); }
    void Text(char* text, size_t arraySize, bool = true)
    {
        // A text longer than its maximum (array size - 1) is cut in the record itself.
        if (std::memchr(text, '\0', arraySize) == nullptr) {
            text[arraySize - 1] = '\0';
        }
        out.PutText(text, arraySize - 1);
    }
    void Reserved(SvcEnvelope& e)
    {
        StoreOptions(e.reserved, e);
        out.PutBytes(e.reserved, sizeof(e.reserved));
    }
};

struct WireReader
{
    PacketReader& in;

    void Int(int32_t& value) { value = in.GetInt(); }
    void Text(char* text, size_t arraySize, bool = true) { in.GetString(text, arraySize); }
    void Reserved(SvcEnvelope& e)
    {
        in.GetBytes(e.reserved, sizeof(e.reserved));
        LoadOptions(e);
    }
};

template <class R>
void WriteAny(PacketWriter& out, R& record)
{
    WireWriter writer{out};
    VisitFields(record, writer);
}

template <class R>
void ReadAny(PacketReader& in, R* record)
{
    std::memset(record, 0, sizeof(*record));
    WireReader reader{in};
    VisitFields(*record, reader);
}

// ---- packed encoding

constexpr int kMaxTexts = 8; // no record has more cuttable texts than this

// Collects the texts of a record that may be cut to fit a capacity, and the size of everything
// else. The machine identifier is never cut: it names the installation.
struct PackedLayout
{
    size_t fixedSize = 0;
    int textCount = 0;
    size_t lengths[kMaxTexts] = {};

    void Int(int32_t&) { fixedSize += 4; }
    void Text(char* text, size_t arraySize, bool cuttable = true)
    {
        fixedSize += 4;
        if (cuttable) {
            lengths[textCount++] = BoundedLength(text, arraySize);
        } else {
            fixedSize += BoundedLength(text, arraySize);
        }
    }
    void Reserved(SvcEnvelope& e) { fixedSize += sizeof(e.reserved); }

    size_t TotalSize() const
    {
        size_t total = fixedSize;
        for (int i = 0; i < textCount; ++i) {
            total += lengths[i];
        }
        return total;
    }
};

struct PackedWriter
{
    uint8_t* out;
    const size_t* limits; // per text, in field order
    size_t used = 0;
    int textIndex = 0;

    void Put(const void* data, size_t count)
    {
        std::memcpy(out + used, data, count);
        used += count;
    }
    void Int(int32_t& value) { Put(&value, 4); }
    void Text(char* text, size_t arraySize, bool cuttable = true)
    {
        const size_t length = BoundedLength(text, arraySize);
        const size_t kept = cuttable ? Cp949CutLength(text, length, limits[textIndex++]) : length;
        const int32_t count = static_cast<int32_t>(kept);
        Put(&count, 4);
        Put(text, kept);
    }
    void Reserved(SvcEnvelope& e)
    {
        uint8_t reserved[sizeof(e.reserved)];
        std::memcpy(reserved, e.reserved, sizeof(reserved));
        StoreOptions(reserved, e);
        Put(reserved, sizeof(reserved));
    }
};

struct PackedReader
{
    const uint8_t* in;
    size_t length;
    size_t used = 0;
    bool failed = false;

    bool Take(void* dest, size_t count)
    {
        if (failed || count > length - used) {
            failed = true;
            return false;
        }
        std::memcpy(dest, in + used, count);
        used += count;
        return true;
    }
    void Int(int32_t& value) { Take(&value, 4); }
    void Text(char* text, size_t arraySize, bool = true)
    {
        std::memset(text, 0, arraySize);
        int32_t count = 0;
        if (!Take(&count, 4)) {
            return;
        }
        if (count < 0 || static_cast<size_t>(count) > arraySize - 1) {
            failed = true;
            return;
        }
        Take(text, static_cast<size_t>(count));
    }
    void Reserved(SvcEnvelope& e)
    {
        Take(e.reserved, sizeof(e.reserved));
        LoadOptions(e);
    }
};

template <class R>
size_t PackedSizeAny(const R& record)
{
    PackedLayout layout;
    VisitFields(const_cast<R&>(record), layout); // the layout visitor only reads
    return layout.TotalSize();
}

// Chooses how many bytes of each text to keep so that the record fits `capacity`: when the whole
// record does not fit, every text is held to one common cap T, the largest that fits, and the
// bytes left under the capacity go one each to the cut texts in field order. The longest texts
// are thus cut first and the result depends only on the record. Returns false when not even the
// record with empty texts fits.
bool ChooseTextLimits(const PackedLayout& layout, size_t capacity, size_t limits[kMaxTexts])
{
    size_t longest = 0;
    for (int i = 0; i < layout.textCount; ++i) {
        limits[i] = layout.lengths[i];
        if (layout.lengths[i] > longest) {
            longest = layout.lengths[i];
        }
    }
    if (layout.TotalSize() <= capacity) {
        return true;
    }
    if (layout.fixedSize > capacity) {
        return false;
    }
    const size_t budget = capacity - layout.fixedSize;
    auto sumWithCap = [&](size_t cap) {
        size_t sum = 0;
        for (int i = 0; i < layout.textCount; ++i) {
            sum += layout.lengths[i] < cap ? layout.lengths[i] : cap;
        }
        return sum;
    };
    size_t low = 0, high = longest; // sumWithCap(low) <= budget < sumWithCap(longest)
    while (high - low > 1) {
        const size_t mid = low + (high - low) / 2;
        if (sumWithCap(mid) <= budget) {
            low = mid;
        } else {
            high = mid;
        }
    }
    size_t leftover = budget - sumWithCap(low);
    for (int i = 0; i < layout.textCount; ++i) {
        if (layout.lengths[i] > low) {
            limits[i] = low;
            if (leftover > 0) {
                ++limits[i];
                --leftover;
            }
        }
    }
    return true;
}

template <class R>
size_t PackAny(const R& record, uint8_t* out, size_t capacity)
{
    R& fields = const_cast<R&>(record); // the packing visitors only read
    PackedLayout layout;
    VisitFields(fields, layout);
    size_t limits[kMaxTexts];
    if (out == nullptr || !ChooseTextLimits(layout, capacity, limits)) {
        return 0;
    }
    PackedWriter writer{out, limits};
    VisitFields(fields, writer);
    return writer.used;
}

template <class R>
size_t UnpackAny(const uint8_t* in, size_t length, R* record)
{
    std::memset(record, 0, sizeof(*record));
    if (in == nullptr) {
        return 0;
    }
    PackedReader reader{in, length};
    VisitFields(*record, reader);
    if (reader.failed) {
        std::memset(record, 0, sizeof(*record));
        return 0;
    }
    return reader.used;
}

} // namespace

void InitRecordEnvelope(SvcEnvelope* env, int32_t now)
{
    std::memset(env, 0, sizeof(*env));
    env->time = now;
}

void WriteRecord(PacketWriter& out, SvcSeqRecord& record) { WriteAny(out, record); }
void WriteRecord(PacketWriter& out, SvcToolbarMsgReq& record) { WriteAny(out, record); }
void WriteRecord(PacketWriter& out, SvcUrlRequest& record) { WriteAny(out, record); }
void WriteRecord(PacketWriter& out, SvcUrlResponse& record) { WriteAny(out, record); }
void WriteRecord(PacketWriter& out, SvcToolbarMsg& record) { WriteAny(out, record); }
void WriteRecord(PacketWriter& out, SvcNotice& record) { WriteAny(out, record); }

void ReadRecord(PacketReader& in, SvcSeqRecord* record) { ReadAny(in, record); }
void ReadRecord(PacketReader& in, SvcToolbarMsgReq* record) { ReadAny(in, record); }
void ReadRecord(PacketReader& in, SvcUrlRequest* record) { ReadAny(in, record); }
void ReadRecord(PacketReader& in, SvcUrlResponse* record) { ReadAny(in, record); }
void ReadRecord(PacketReader& in, SvcToolbarMsg* record) { ReadAny(in, record); }
void ReadRecord(PacketReader& in, SvcNotice* record) { ReadAny(in, record); }

size_t PackedSize(const SvcSeqRecord& record) { return PackedSizeAny(record); }
size_t PackedSize(const SvcToolbarMsgReq& record) { return PackedSizeAny(record); }
size_t PackedSize(const SvcUrlRequest& record) { return PackedSizeAny(record); }
size_t PackedSize(const SvcUrlResponse& record) { return PackedSizeAny(record); }
size_t PackedSize(const SvcToolbarMsg& record) { return PackedSizeAny(record); }
size_t PackedSize(const SvcNotice& record) { return PackedSizeAny(record); }

size_t PackRecord(const SvcSeqRecord& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }
size_t PackRecord(const SvcToolbarMsgReq& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }
size_t PackRecord(const SvcUrlRequest& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }
size_t PackRecord(const SvcUrlResponse& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }
size_t PackRecord(const SvcToolbarMsg& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }
size_t PackRecord(const SvcNotice& r, uint8_t* out, size_t capacity) { return PackAny(r, out, capacity); }

size_t UnpackRecord(const uint8_t* in, size_t length, SvcSeqRecord* r) { return UnpackAny(in, length, r); }
size_t UnpackRecord(const uint8_t* in, size_t length, SvcToolbarMsgReq* r) { return UnpackAny(in, length, r); }
size_t UnpackRecord(const uint8_t* in, size_t length, SvcUrlRequest* r) { return UnpackAny(in, length, r); }
size_t UnpackRecord(const uint8_t* in, size_t length, SvcUrlResponse* r) { return UnpackAny(in, length, r); }
size_t UnpackRecord(const uint8_t* in, size_t length, SvcToolbarMsg* r) { return UnpackAny(in, length, r); }
size_t UnpackRecord(const uint8_t* in, size_t length, SvcNotice* r) { return UnpackAny(in, length, r); }
