// The rules store's data as the server holds it in memory: site rules, toolbar messages and
// notices. Texts are UTF-8 here; the snapshot keeps CP949 copies of what goes on the wire.
#pragma once

#include <cstdint>
#include <string>

// Verdict codes of the protocol (the meaning of each is what the toolbar shows for it).
enum : int32_t
{
    kCodePhishing = 121011,
    kCodeNoPhishing = 121012,
    kCodeMalware = 121013,
    kCodeNoMalware = 121014,
    kCodeHistory = 121015,
    kCodeNoHistory = 121016,
    kCodeDefaced = 121017,
    kCodeNotDefaced = 121018,
    kCodeTrustOperator = 121019,
    kCodeTrustTrusted = 121020,
    kCodeTrustOrdinary = 121021,
    kCodeMarkFirst = 121025,
    kCodeMarkLast = 121031,
    kCodeAge19 = 121033,
    kCodeAge18 = 121034,
    kCodeAge15 = 121035,
    kCodeAge12 = 121036,
    kCodeAgeAll = 121037,
    kCodeRelay = 121042,
};

// Notice kinds, in the order of the toolbar's eight notice positions.
enum : int32_t
{
    kNoticeEmergency = 111291,
    kNoticeEvent = 111292,
    kNoticeSecurity = 111210,
    kNoticeWarning = 111212,
    kNoticePolice = 111281,
    kNoticeNews = 111211,
    kNoticePoliceCases = 111282,
    kNoticePolicePress = 111283,
};

struct SiteRule
{
    int64_t id = 0;
    std::string pattern; // a host (lower case, no "www.") or a normalised address
    bool exact = false;  // true: this address only; false: the host and all its subdomains
    bool malware = false;
    bool relay = false;
    bool history = false;
    bool phishing = false;
    bool defaced = false;
    int32_t siteMark = 0;              // 0 or 121025..121031
    int32_t trust = kCodeTrustOrdinary; // 121019, 121020 or 121021
    int32_t ageRating = 0;             // 0, 12, 15, 18 or 19
    std::string countryCode;           // two letters; empty: derived from the host
    std::string countryName;
    std::string note;
};

struct ToolbarMessage
{
    int32_t seq = 0;
    int32_t code = 0;
    std::string text;
};

struct Notice
{
    int32_t number = 0;
    int32_t kind = 0;
    std::string title;
    std::string link;    // the page of the notice (for emergency and event notices: the pop-up)
    std::string date;    // YYYYMMDD
    std::string extra2;
    std::string extra3;
    std::string endDate; // YYYYMMDD or empty
    bool transient = false;
};
