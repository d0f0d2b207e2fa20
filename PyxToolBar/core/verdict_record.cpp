#include "verdict_record.h"

#include <cstring>

#include "text_cut.h"

void FillVerdictRecord(const SvcUrlResponse& reply, VerdictRecord* record)
{
    std::memset(record, 0, sizeof(*record));
    char address[kVerdictAddressMax + 1];
    size_t n = 0;
    while (n < sizeof(reply.url) && n < sizeof(address) - 1 && reply.url[n] != '\0')
        ++n;
    std::memcpy(address, reply.url, n);
    address[n] = '\0';
    CopyCut(record->address, sizeof(record->address), address);
    record->urltype = reply.urltype;
    record->malCode = reply.malCode;
    record->malCodePropagate = reply.malCodePropagate;
    record->malCodeHistory = reply.malCodeHistory;
    record->phishing = reply.phishing;
    record->falsify = reply.falsify;
    record->reserved = reply.aux1;
    record->siteMarkCode = reply.aux2;
    record->trustCode = reply.aux3;
    record->olderThan19 = reply.olderThan19;
    CopyCutText(record->countryName, kCountryNameMax + 1, reply.countryName,
                sizeof(reply.countryName));
}

bool IsDangerous(const VerdictRecord& record)
{
    return record.malCode == kMalCode || record.malCodePropagate == kMalCodePropagate ||
           record.malCodeHistory == kMalCodeHistory || record.phishing == kPhishing ||
           record.falsify == kFalsify ||
           (record.olderThan19 >= kHarmfulFirst && record.olderThan19 <= kHarmfulLast);
}

bool HasCode(const VerdictRecord& record, int32_t code)
{
    switch (code) {
    case kMalCode:
        return record.malCode == code;
    case kMalCodePropagate:
        return record.malCodePropagate == code;
    case kMalCodeHistory:
        return record.malCodeHistory == code;
    case kPhishing:
        return record.phishing == code;
    case kFalsify:
        return record.falsify == code;
    case kOperatorSite:
    case kTrustedSite:
        return record.trustCode == code;
    default:
        break;
    }
    if (code >= kSiteMarkFirst && code <= kSiteMarkLastCertified)
        return record.siteMarkCode == code;
    if (code >= kHarmfulFirst && code <= kHarmfulLast)
        return record.olderThan19 == code;
    return false;
}
