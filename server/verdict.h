// How the server judges an address: the rule that applies (an exact address beats a host rule,
// a longer host suffix beats a shorter one), the age verdict against the guardian's grade, the
// country of unknown sites and the verdict words of the reply.
#pragma once

#include "store_data.h"

#include <cstdint>
#include <string>
#include <unordered_map>

struct SvcUrlResponse;

struct RuleIndex
{
    std::unordered_map<std::string, SiteRule> exact; // by NormaliseAddress
    std::unordered_map<std::string, SiteRule> hosts; // by NormaliseHost

    void Add(const SiteRule& rule);
    // The rule for an address (and the host the toolbar sent, used when the address has none).
    const SiteRule* Find(const std::string& address, const std::string& requestHost) const;
};

struct Country
{
    std::string code; // two letters
    std::string name; // UTF-8
};

// The host of an address: lower case, without user information, port, trailing dot and a
// leading "www.". Empty when the address has no host.
std::string HostOfAddress(const std::string& address);
// A host as the rules hold it: trimmed, lower case, trailing dot and leading "www." removed.
std::string NormaliseHost(const std::string& host);
// An address as exact rules hold it: scheme and host in lower case, fragment removed, "/" as the
// path when there is none. Text without a scheme is taken as "http://".
std::string NormaliseAddress(const std::string& address);
// True when `host` is a valid rule host (letters, digits, '-', '.', at least one label).
bool IsValidRuleHost(const std::string& host);

// The guardian grade as one of 18, 15, 12 or 0: the largest of those not above the value.
int32_t NormaliseHarmfulGrade(int32_t grade);
// Harmful only when the site's rating is above the grade: 121033..121036 by rating, else 121037.
int32_t AgeVerdict(int32_t siteRating, int32_t harmfulGrade);
bool IsValidAgeRating(int32_t rating); // 0, 12, 15, 18, 19

// The toolbar's notice position (0..7) of a notice kind.
int NoticePosition(int32_t kind);

// The country of a host from its top-level domain; `fallback` for generic domains and addresses.
Country CountryOfHost(const std::string& host, const Country& fallback);
// The Korean name of a two-letter country code; empty when unknown.
std::string CountryName(const std::string& code);

// Fills the verdict words and the country of a reply (the caller fills envelope and numbers).
// `rule` may be null: no finding. Country texts are UTF-8 here.
struct VerdictWords
{
    int32_t malCode, malCodePropagate, malCodeHistory, phishing, falsify;
    int32_t aux1, aux2, aux3, olderThan19;
    Country country;
};
VerdictWords JudgeSite(const SiteRule* rule, const std::string& host, int32_t harmfulGrade,
                       const Country& fallback);
