// Shared by the record fuzz targets: the six record types by index, and the checks that every
// decoded record must pass whatever the input was.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/packet.h"
#include "protocol/records.h"

namespace fuzz {

inline void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Every text of a decoded record is terminated inside its array.
template <size_t N>
void RequireTerminated(const char (&text)[N])
{
    Require(std::memchr(text, '\0', N) != nullptr);
}

inline void RequireTexts(const SvcEnvelope& e) { RequireTerminated(e.pcid); }
inline void RequireTexts(const SvcSeqRecord& r) { RequireTexts(r.env); }
inline void RequireTexts(const SvcToolbarMsgReq& r) { RequireTexts(r.env); }
inline void RequireTexts(const SvcUrlRequest& r)
{
    RequireTexts(r.env);
    RequireTerminated(r.url);
    RequireTerminated(r.page_url);
    RequireTerminated(r.host);
    RequireTerminated(r.host_ip);
}
inline void RequireTexts(const SvcUrlResponse& r)
{
    RequireTexts(r.env);
    RequireTerminated(r.url);
    RequireTerminated(r.country_code);
    RequireTerminated(r.countryName);
}
inline void RequireTexts(const SvcToolbarMsg& r)
{
    RequireTexts(r.env);
    RequireTerminated(r.msg);
}
inline void RequireTexts(const SvcNotice& r)
{
    RequireTexts(r.env);
    RequireTerminated(r.content);
    RequireTerminated(r.title);
    RequireTerminated(r.extra1);
    RequireTerminated(r.extra2);
    RequireTerminated(r.extra3);
    RequireTerminated(r.extra4);
}

template <class R>
std::vector<uint8_t> Packed(const R& record)
{
    std::vector<uint8_t> out(PackedSize(record));
    Require(PackRecord(record, out.data(), out.size()) == out.size());
    return out;
}

// A decoded record survives packing: it packs whole, unpacks to the same bytes, and packing into
// any smaller capacity either refuses or writes an unpackable record within the capacity.
template <class R>
void RequirePackedRoundTrip(const R& record, size_t capacitySeed)
{
    const std::vector<uint8_t> packed = Packed(record);
    R* back = new R;
    Require(UnpackRecord(packed.data(), packed.size(), back) == packed.size());
    Require(Packed(*back) == packed);
    RequireTexts(*back);

    const size_t capacity = packed.empty() ? 0 : capacitySeed % (packed.size() + 1);
    std::vector<uint8_t> small(capacity + 1, 0xEE);
    const size_t written = PackRecord(record, small.data(), capacity);
    Require(written <= capacity);
    Require(small[capacity] == 0xEE);
    if (written != 0) {
        Require(UnpackRecord(small.data(), written, back) == written);
        RequireTexts(*back);
    }
    delete back;
}

// Calls f with a fresh heap record of type index % 6 (records are too big for many stacks).
template <class F>
void WithRecord(unsigned index, F f)
{
    switch (index % 6) {
    case 0: { auto* r = new SvcSeqRecord; f(*r); delete r; break; }
    case 1: { auto* r = new SvcToolbarMsgReq; f(*r); delete r; break; }
    case 2: { auto* r = new SvcUrlRequest; f(*r); delete r; break; }
    case 3: { auto* r = new SvcUrlResponse; f(*r); delete r; break; }
    case 4: { auto* r = new SvcToolbarMsg; f(*r); delete r; break; }
    default: { auto* r = new SvcNotice; f(*r); delete r; break; }
    }
}

} // namespace fuzz
