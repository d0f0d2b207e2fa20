// Rules from CSV: a header line naming the columns (any order; "pattern" required), then one
// rule per line. Quoted fields follow RFC 4180. Columns: pattern, match (host|exact), malware,
// relay, history, phishing, defaced (0/1, yes/no, true/false), mark, trust, age, country,
// country_name, note.
#pragma once

#include "store_data.h"

#include <string>
#include <vector>

// False with "line N: ..." on the first bad line; nothing is returned then.
bool ParseRulesCsv(const std::string& text, std::vector<SiteRule>* rules, std::string* error);
// Parses "operator", "trusted", "ordinary" or a code; false for anything else.
bool ParseTrust(const std::string& text, int32_t* trust);
bool ParseFlag(const std::string& text, bool* value);
