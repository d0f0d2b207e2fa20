#include "csv_rules.h"

#include "ascii_text.h"
#include "rules_store.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

// Splits CSV text into records of fields; false on an unterminated quote.
bool SplitCsv(const std::string& text, std::vector<std::vector<std::string>>* records,
              std::vector<int>* lineNumbers, int* badLine)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, any = false;
    int line = 1, recordLine = 1;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    i++;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n')
                    line++;
                field += c;
            }
            continue;
        }
        if (c == '"' && Trim(field).empty()) {
            field.clear();
            quoted = true;
            any = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                i++;
            if (any || !field.empty()) {
                fields.push_back(field);
                records->push_back(fields);
                lineNumbers->push_back(recordLine);
            }
            fields.clear();
            field.clear();
            any = false;
            line++;
            recordLine = line;
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted) {
        *badLine = recordLine;
        return false;
    }
    if (any || !field.empty()) {
        fields.push_back(field);
        records->push_back(fields);
        lineNumbers->push_back(recordLine);
    }
    return true;
}

bool ParseNumber(const std::string& text, int32_t* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    *out = static_cast<int32_t>(v);
    return true;
}

} // namespace

bool ParseFlag(const std::string& text, bool* value)
{
    std::string t = Lower(Trim(text));
    if (t.empty() || t == "0" || t == "no" || t == "false") {
        *value = false;
        return true;
    }
    if (t == "1" || t == "yes" || t == "true") {
        *value = true;
        return true;
    }
    return false;
}

bool ParseTrust(const std::string& text, int32_t* trust)
{
    std::string t = Lower(Trim(text));
    if (t == "operator")
        *trust = 121019;
    else if (t == "trusted")
        *trust = 121020;
    else if (t == "ordinary" || t.empty())
        *trust = 121021;
    else
        return ParseNumber(t, trust);
    return true;
}

bool ParseRulesCsv(const std::string& text, std::vector<SiteRule>* rules, std::string* error)
{
    std::vector<std::vector<std::string>> records;
    std::vector<int> lines;
    int badLine = 0;
    if (!SplitCsv(text, &records, &lines, &badLine)) {
        *error = "line " + std::to_string(badLine) + ": quote not closed";
        return false;
    }
    if (records.empty()) {
        *error = "the file is empty (a header line is needed)";
        return false;
    }
    static const char* const kColumns[] = {"pattern", "match", "malware", "relay", "history",
                                           "phishing", "defaced", "mark", "trust", "age",
                                           "country", "country_name", "note"};
    std::vector<int> column(records[0].size(), -1);
    bool hasPattern = false;
    for (size_t i = 0; i < records[0].size(); i++) {
        std::string name = Lower(Trim(records[0][i]));
        for (int k = 0; k < 13; k++)
            if (name == kColumns[k])
                column[i] = k;
        if (column[i] < 0) {
            *error = "line 1: unknown column '" + name + "'";
            return false;
        }
        hasPattern = hasPattern || column[i] == 0;
    }
    if (!hasPattern) {
        *error = "line 1: the header has no 'pattern' column";
        return false;
    }
    std::vector<SiteRule> parsed;
    for (size_t r = 1; r < records.size(); r++) {
        const auto& rec = records[r];
        std::string where = "line " + std::to_string(lines[r]) + ": ";
        if (rec.size() != column.size()) {
            *error = where + std::to_string(rec.size()) + " fields, the header has " +
                     std::to_string(column.size());
            return false;
        }
        SiteRule rule;
        for (size_t i = 0; i < rec.size(); i++) {
            std::string v = Trim(rec[i]);
            bool ok = true;
            switch (column[i]) {
            case 0: rule.pattern = v; break;
            case 1: {
                std::string m = Lower(v);
                if (m == "exact") rule.exact = true;
                else if (m == "host" || m.empty()) rule.exact = false;
                else ok = false;
                break;
            }
            case 2: ok = ParseFlag(v, &rule.malware); break;
            case 3: ok = ParseFlag(v, &rule.relay); break;
            case 4: ok = ParseFlag(v, &rule.history); break;
            case 5: ok = ParseFlag(v, &rule.phishing); break;
            case 6: ok = ParseFlag(v, &rule.defaced); break;
            case 7: ok = v.empty() || ParseNumber(v, &rule.siteMark); break;
            case 8: ok = ParseTrust(v, &rule.trust); break;
            case 9: ok = v.empty() || ParseNumber(v, &rule.ageRating); break;
            case 10: rule.countryCode = v; break;
            case 11: rule.countryName = v; break;
            case 12: rule.note = v; break;
            }
            if (!ok) {
                *error = where + "bad value '" + v + "' in column " + kColumns[column[i]];
                return false;
            }
        }
        std::string problem = ValidateRule(&rule);
        if (!problem.empty()) {
            *error = where + problem;
            return false;
        }
        parsed.push_back(rule);
    }
    rules->swap(parsed);
    return true;
}
