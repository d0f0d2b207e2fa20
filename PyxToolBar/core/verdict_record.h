// The cached verdict of one address and the questions asked of it. Portable.
#pragma once

#include <cstdint>

#include "protocol/records.h"

// Verdict codes (the no-finding values are the ones the navigation check uses for sites
// it does not ask about).
enum : int32_t
{
    kPhishing = 121011,
    kNoPhishing = 121012,
    kMalCode = 121013,
    kNoMalCode = 121014,
    kMalCodeHistory = 121015,
    kNoMalCodeHistory = 121016,
    kFalsify = 121017,
    kNoFalsify = 121018,
    kOperatorSite = 121019,
    kTrustedSite = 121020,
    kOrdinarySite = 121021,
    kSiteMarkFirst = 121025,
    kSiteMarkLastCertified = 121030,
    kSiteMarkLast = 121031,
    kHarmfulFirst = 121033,
    kHarmfulLast = 121036,
    kNotHarmful = 121037,
    kMalCodePropagate = 121042,
};

constexpr int kVerdictAddressMax = 2047; // characters of the address kept as the key
constexpr int kCountryNameMax = 31;

struct VerdictRecord
{
    char address[4096];
    int32_t urltype; // 1 = top-level page, otherwise frame
    int32_t malCode;
    int32_t malCodePropagate;
    int32_t malCodeHistory;
    int32_t phishing;
    int32_t falsify;
    int32_t reserved; // aux1: kept, never read
    int32_t siteMarkCode;
    int32_t trustCode;
    int32_t olderThan19;
    char countryName[32];
};
static_assert(sizeof(VerdictRecord) == 4168, "VerdictRecord is one 4168-byte block");

// Zeroes the record and fills it from an address-check reply (address cut to 2047 characters,
// country name to 31).
void FillVerdictRecord(const SvcUrlResponse& reply, VerdictRecord* record);

bool IsDangerous(const VerdictRecord& record);

// Compares only the field that can carry `code`; codes no field carries give false.
bool HasCode(const VerdictRecord& record, int32_t code);
