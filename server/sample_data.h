// The data a new rules store starts with: a few sites for each verdict kind, the balloon's
// message for every verdict code and one notice of each kind.
#pragma once

#include "store_data.h"

#include <string>
#include <vector>

struct SampleData
{
    std::vector<SiteRule> rules;
    std::vector<ToolbarMessage> messages;
    std::vector<Notice> notices;
};

// `webHost` is the product web server ("host" or "host:port") the sample notices link to.
SampleData MakeSampleData(const std::string& webHost);

// Today as YYYYMMDD (UTC), and a day `days` from today.
std::string DateFromToday(int days);
