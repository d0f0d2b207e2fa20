// The rules store: one SQLite database file with the site rules, the toolbar messages, the
// notices and the page counters. Every change bumps a generation number (by triggers, so that
// changes made with any SQLite client count too); running servers reload when it moves.
//
// Every operation reports failure through its return value and an error text; a failed
// operation writes nothing (each one is a single transaction).
#pragma once

#include "store_data.h"
#include "store_snapshot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

class RulesStore
{
public:
    ~RulesStore();
    RulesStore(const RulesStore&) = delete;
    RulesStore& operator=(const RulesStore&) = delete;

    // Opens the database, creating it (with the sample data when `sampleWebHost` is not empty:
    // links of the sample notices point at that web host) when the file does not exist yet.
    static std::unique_ptr<RulesStore> Open(const std::string& path, const std::string& sampleWebHost,
                                            std::string* error);
    // Opens an existing database only (admin commands: a mistyped path must not create one).
    static std::unique_ptr<RulesStore> OpenExisting(const std::string& path, std::string* error);

    bool AddRule(SiteRule* rule, std::string* error); // fills rule->id; replaces same pattern
    bool ImportRules(std::vector<SiteRule>* rules, std::string* error); // all or nothing
    bool RemoveRule(const std::string& idOrPattern, std::string* error);
    bool ListRules(std::vector<SiteRule>* rules, std::string* error);

    bool AddMessage(ToolbarMessage* message, std::string* error); // fills seq
    bool RemoveMessage(int64_t seq, std::string* error);
    bool ListMessages(std::vector<ToolbarMessage>* messages, std::string* error);

    bool AddNotice(Notice* notice, std::string* error); // fills number
    bool RemoveNotice(int64_t number, std::string* error);
    bool ListNotices(std::vector<Notice>* notices, std::string* error);
    // Deletes every notice: toolbars then see eight zero numbers and reset their files. Numbers
    // keep rising afterwards, so no later notice reuses a number a toolbar already holds.
    bool ResetNotices(std::string* error);

    // Adds one to a named counter and gives its new value.
    bool IncrementCounter(const std::string& name, int64_t* value, std::string* error);
    bool ReadCounter(const std::string& name, int64_t* value, std::string* error);

    bool ReadGeneration(int64_t* generation, std::string* error);
    std::shared_ptr<const StoreSnapshot> LoadSnapshot(std::string* error);

    const std::string& Path() const { return path_; }

private:
    RulesStore(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    bool Exec(const char* sql, std::string* error);
    bool CreateSchema(const std::string& sampleWebHost, std::string* error);
    bool InsertRule(SiteRule* rule, std::string* error);
    bool InsertNotice(Notice* notice, std::string* error);
    bool InsertMessage(ToolbarMessage* message, std::string* error);

    sqlite3* db_;
    std::string path_;
};

// Input checks shared by the admin commands, the CSV import and the store: empty on success,
// otherwise what is wrong. A rule's pattern is normalised in place.
std::string ValidateRule(SiteRule* rule);
std::string ValidateMessage(const ToolbarMessage& message);
std::string ValidateNotice(const Notice& notice);
