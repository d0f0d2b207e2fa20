#include "rules_store.h"

#include "sample_data.h"
#include "text_codec.h"
#include "verdict.h"

#include <cctype>
#include <cstdlib>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kSchema[] = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT INTO meta(key, value) VALUES ('schema', 1), ('generation', 1);
CREATE TABLE rules(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    pattern TEXT NOT NULL,
    exact INTEGER NOT NULL,
    malware INTEGER NOT NULL DEFAULT 0,
    relay INTEGER NOT NULL DEFAULT 0,
    history INTEGER NOT NULL DEFAULT 0,
    phishing INTEGER NOT NULL DEFAULT 0,
    defaced INTEGER NOT NULL DEFAULT 0,
    site_mark INTEGER NOT NULL DEFAULT 0,
    trust INTEGER NOT NULL DEFAULT 121021,
    age_rating INTEGER NOT NULL DEFAULT 0,
    country_code TEXT NOT NULL DEFAULT '',
    country_name TEXT NOT NULL DEFAULT '',
    note TEXT NOT NULL DEFAULT '',
    UNIQUE(pattern, exact));
CREATE TABLE messages(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    code INTEGER NOT NULL,
    text TEXT NOT NULL);
CREATE TABLE notices(
    number INTEGER PRIMARY KEY AUTOINCREMENT,
    kind INTEGER NOT NULL,
    title TEXT NOT NULL,
    link TEXT NOT NULL,
    date TEXT NOT NULL,
    extra2 TEXT NOT NULL DEFAULT '',
    extra3 TEXT NOT NULL DEFAULT '',
    end_date TEXT NOT NULL DEFAULT '',
    transient INTEGER NOT NULL DEFAULT 0);
CREATE TABLE counters(name TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TRIGGER rules_ins AFTER INSERT ON rules BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER rules_upd AFTER UPDATE ON rules BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER rules_del AFTER DELETE ON rules BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER messages_ins AFTER INSERT ON messages BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER messages_upd AFTER UPDATE ON messages BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER messages_del AFTER DELETE ON messages BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER notices_ins AFTER INSERT ON notices BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER notices_upd AFTER UPDATE ON notices BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
CREATE TRIGGER notices_del AFTER DELETE ON notices BEGIN
    UPDATE meta SET value = value + 1 WHERE key = 'generation'; END;
)sql";

// A prepared statement, finalised when it goes out of scope.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, int64_t v)
    {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& Bind(int i, const std::string& v)
    {
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int Step() { return sqlite3_step(stmt_); }
    int64_t Int(int col) { return sqlite3_column_int64(stmt_, col); }
    std::string Text(int col)
    {
        const unsigned char* t = sqlite3_column_text(stmt_, col);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
                 : std::string();
    }
    std::string Error() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless Commit() succeeded.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : db_(db)
    {
        began_ = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction()
    {
        if (began_ && !committed_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool Began() const { return began_; }
    bool Commit()
    {
        committed_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        return committed_;
    }

private:
    sqlite3* db_;
    bool began_ = false;
    bool committed_ = false;
};

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

bool IsDate(const std::string& text)
{
    if (text.size() != 8)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    int month = std::atoi(text.substr(4, 2).c_str());
    int day = std::atoi(text.substr(6, 2).c_str());
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::string CheckText(const std::string& what, const std::string& text, size_t maxWireBytes,
                      bool required)
{
    if (required && text.empty())
        return what + " is empty";
    if (!IsValidUtf8(text))
        return what + " is not valid UTF-8";
    std::string wire = Utf8ToCp949(text);
    if (wire.size() > maxWireBytes)
        return what + " is too long (" + std::to_string(wire.size()) + " bytes in CP949, at most " +
               std::to_string(maxWireBytes) + ")";
    if (Cp949ToUtf8(wire) != text)
        return what + " has characters that the Korean code page (CP949) cannot carry";
    return std::string();
}

} // namespace

std::string ValidateRule(SiteRule* rule)
{
    if (rule->pattern.empty())
        return "the rule has no host or address";
    if (rule->exact) {
        std::string host = HostOfAddress(rule->pattern);
        if (host.empty())
            return "the address '" + rule->pattern + "' has no host";
        rule->pattern = NormaliseAddress(rule->pattern);
        if (rule->pattern.size() > 2047)
            return "the address is longer than 2047 characters";
    } else {
        rule->pattern = NormaliseHost(rule->pattern);
        if (!IsValidRuleHost(rule->pattern))
            return "'" + rule->pattern + "' is not a host name (letters, digits, '-' and '.')";
    }
    if (rule->siteMark != 0 && (rule->siteMark < kCodeMarkFirst || rule->siteMark > kCodeMarkLast))
        return "site mark must be 0 or 121025 to 121031";
    if (rule->trust != kCodeTrustOperator && rule->trust != kCodeTrustTrusted &&
        rule->trust != kCodeTrustOrdinary)
        return "trust must be 121019 (operator), 121020 (trusted) or 121021 (ordinary)";
    if (!IsValidAgeRating(rule->ageRating))
        return "age rating must be 0, 12, 15, 18 or 19";
    if (!rule->countryCode.empty()) {
        if (rule->countryCode.size() != 2 || !std::isalpha(static_cast<unsigned char>(rule->countryCode[0])) ||
            !std::isalpha(static_cast<unsigned char>(rule->countryCode[1])))
            return "country code must be two letters";
        for (char& c : rule->countryCode)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::string e = CheckText("country name", rule->countryName, 31, false);
    if (!e.empty())
        return e;
    return CheckText("note", rule->note, 1000, false);
}

std::string ValidateMessage(const ToolbarMessage& message)
{
    if (message.code < 100000 || message.code > 999999)
        return "message code must be a six-digit number (the verdict codes are 121011 to 121042)";
    return CheckText("message text", message.text, 255, true);
}

std::string ValidateNotice(const Notice& notice)
{
    if (notice.kind < 100000 || notice.kind > 999999)
        return "notice kind must be a six-digit number (111291, 111292, 111210, 111212, 111281, "
               "111211, 111282, 111283)";
    std::string e = CheckText("title", notice.title, 1023, true);
    if (e.empty())
        e = CheckText("link", notice.link, 2047, true);
    if (e.empty())
        e = CheckText("extra2", notice.extra2, 199, false);
    if (e.empty())
        e = CheckText("extra3", notice.extra3, 15, false);
    if (!e.empty())
        return e;
    if (!IsDate(notice.date))
        return "date must be eight digits YYYYMMDD";
    if (!notice.endDate.empty() && !IsDate(notice.endDate))
        return "end date must be eight digits YYYYMMDD or empty";
    if ((notice.kind == kNoticeEmergency || notice.kind == kNoticeEvent) && notice.endDate.empty())
        return "emergency and event notices need an end date (toolbars drop them without one)";
    return std::string();
}

RulesStore::~RulesStore()
{
    sqlite3_close(db_);
}

std::unique_ptr<RulesStore> RulesStore::Open(const std::string& path,
                                             const std::string& sampleWebHost, std::string* error)
{
    struct stat st;
    bool existed = stat(path.c_str(), &st) == 0;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        Fail(error, "cannot open database " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    std::unique_ptr<RulesStore> store(new RulesStore(db, path));
    Statement check(db, "SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
    bool hasSchema = check.Ok() && check.Step() == SQLITE_ROW && check.Int(0) > 0;
    if (!hasSchema) {
        if (existed && st.st_size > 0) {
            Fail(error, path + " is not a Lumora rules database");
            return nullptr;
        }
        if (!store->CreateSchema(sampleWebHost, error)) {
            store.reset();
            if (!existed)
                unlink(path.c_str());
            return nullptr;
        }
    }
    return store;
}

std::unique_ptr<RulesStore> RulesStore::OpenExisting(const std::string& path, std::string* error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        Fail(error, "no database at " + path + " (start the server once, or run 'lumora-server init')");
        return nullptr;
    }
    return Open(path, std::string(), error);
}

bool RulesStore::Exec(const char* sql, std::string* error)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        return Fail(error, "database error: " + text);
    }
    return true;
}

bool RulesStore::CreateSchema(const std::string& sampleWebHost, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("cannot start a transaction: ") + sqlite3_errmsg(db_));
    if (!Exec(kSchema, error))
        return false;
    if (!sampleWebHost.empty()) {
        SampleData sample = MakeSampleData(sampleWebHost);
        for (SiteRule& r : sample.rules)
            if (!InsertRule(&r, error))
                return false;
        for (ToolbarMessage& m : sample.messages)
            if (!InsertMessage(&m, error))
                return false;
        for (Notice& n : sample.notices)
            if (!InsertNotice(&n, error))
                return false;
    }
    if (!tx.Commit())
        return Fail(error, std::string("cannot commit: ") + sqlite3_errmsg(db_));
    return true;
}

bool RulesStore::InsertRule(SiteRule* rule, std::string* error)
{
    std::string problem = ValidateRule(rule);
    if (!problem.empty())
        return Fail(error, problem);
    Statement s(db_,
                "INSERT OR REPLACE INTO rules(pattern, exact, malware, relay, history, phishing, "
                "defaced, site_mark, trust, age_rating, country_code, country_name, note) "
                "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!s.Ok())
        return Fail(error, s.Error());
    s.Bind(1, rule->pattern).Bind(2, rule->exact ? 1 : 0).Bind(3, rule->malware ? 1 : 0)
        .Bind(4, rule->relay ? 1 : 0).Bind(5, rule->history ? 1 : 0).Bind(6, rule->phishing ? 1 : 0)
        .Bind(7, rule->defaced ? 1 : 0).Bind(8, rule->siteMark).Bind(9, rule->trust)
        .Bind(10, rule->ageRating).Bind(11, rule->countryCode).Bind(12, rule->countryName)
        .Bind(13, rule->note);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, "cannot store rule: " + s.Error());
    rule->id = sqlite3_last_insert_rowid(db_);
    return true;
}

bool RulesStore::InsertMessage(ToolbarMessage* message, std::string* error)
{
    std::string problem = ValidateMessage(*message);
    if (!problem.empty())
        return Fail(error, problem);
    Statement s(db_, "INSERT INTO messages(code, text) VALUES (?, ?)");
    if (!s.Ok())
        return Fail(error, s.Error());
    s.Bind(1, message->code).Bind(2, message->text);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, "cannot store message: " + s.Error());
    message->seq = static_cast<int32_t>(sqlite3_last_insert_rowid(db_));
    return true;
}

bool RulesStore::InsertNotice(Notice* notice, std::string* error)
{
    std::string problem = ValidateNotice(*notice);
    if (!problem.empty())
        return Fail(error, problem);
    Statement s(db_, "INSERT INTO notices(kind, title, link, date, extra2, extra3, end_date, transient) "
                     "VALUES (?,?,?,?,?,?,?,?)");
    if (!s.Ok())
        return Fail(error, s.Error());
    s.Bind(1, notice->kind).Bind(2, notice->title).Bind(3, notice->link).Bind(4, notice->date)
        .Bind(5, notice->extra2).Bind(6, notice->extra3).Bind(7, notice->endDate)
        .Bind(8, notice->transient ? 1 : 0);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, "cannot store notice: " + s.Error());
    int64_t number = sqlite3_last_insert_rowid(db_);
    if (number > 0x7FFFFFFF)
        return Fail(error, "notice numbers are exhausted");
    notice->number = static_cast<int32_t>(number);
    return true;
}

bool RulesStore::AddRule(SiteRule* rule, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    if (!InsertRule(rule, error))
        return false;
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::ImportRules(std::vector<SiteRule>* rules, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    for (size_t i = 0; i < rules->size(); i++) {
        std::string e;
        if (!InsertRule(&(*rules)[i], &e))
            return Fail(error, "rule " + std::to_string(i + 1) + ": " + e);
    }
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::RemoveRule(const std::string& idOrPattern, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    bool numeric = !idOrPattern.empty() &&
                   idOrPattern.find_first_not_of("0123456789") == std::string::npos;
    int changes = 0;
    if (numeric) {
        Statement s(db_, "DELETE FROM rules WHERE id = ?");
        s.Bind(1, std::atoll(idOrPattern.c_str()));
        if (s.Step() != SQLITE_DONE)
            return Fail(error, s.Error());
        changes = sqlite3_changes(db_);
    } else {
        Statement s(db_, "DELETE FROM rules WHERE (exact = 0 AND pattern = ?) OR (exact = 1 AND pattern = ?)");
        s.Bind(1, NormaliseHost(idOrPattern)).Bind(2, NormaliseAddress(idOrPattern));
        if (s.Step() != SQLITE_DONE)
            return Fail(error, s.Error());
        changes = sqlite3_changes(db_);
    }
    if (changes == 0)
        return Fail(error, "no rule " + idOrPattern);
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::ListRules(std::vector<SiteRule>* rules, std::string* error)
{
    rules->clear();
    Statement s(db_, "SELECT id, pattern, exact, malware, relay, history, phishing, defaced, "
                     "site_mark, trust, age_rating, country_code, country_name, note "
                     "FROM rules ORDER BY id");
    if (!s.Ok())
        return Fail(error, s.Error());
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        SiteRule r;
        r.id = s.Int(0);
        r.pattern = s.Text(1);
        r.exact = s.Int(2) != 0;
        r.malware = s.Int(3) != 0;
        r.relay = s.Int(4) != 0;
        r.history = s.Int(5) != 0;
        r.phishing = s.Int(6) != 0;
        r.defaced = s.Int(7) != 0;
        r.siteMark = static_cast<int32_t>(s.Int(8));
        r.trust = static_cast<int32_t>(s.Int(9));
        r.ageRating = static_cast<int32_t>(s.Int(10));
        r.countryCode = s.Text(11);
        r.countryName = s.Text(12);
        r.note = s.Text(13);
        rules->push_back(r);
    }
    return rc == SQLITE_DONE || Fail(error, s.Error());
}

bool RulesStore::AddMessage(ToolbarMessage* message, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    if (!InsertMessage(message, error))
        return false;
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::RemoveMessage(int64_t seq, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    Statement s(db_, "DELETE FROM messages WHERE seq = ?");
    s.Bind(1, seq);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, s.Error());
    if (sqlite3_changes(db_) == 0)
        return Fail(error, "no message " + std::to_string(seq));
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::ListMessages(std::vector<ToolbarMessage>* messages, std::string* error)
{
    messages->clear();
    Statement s(db_, "SELECT seq, code, text FROM messages ORDER BY seq");
    if (!s.Ok())
        return Fail(error, s.Error());
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        ToolbarMessage m;
        m.seq = static_cast<int32_t>(s.Int(0));
        m.code = static_cast<int32_t>(s.Int(1));
        m.text = s.Text(2);
        messages->push_back(m);
    }
    return rc == SQLITE_DONE || Fail(error, s.Error());
}

bool RulesStore::AddNotice(Notice* notice, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    if (!InsertNotice(notice, error))
        return false;
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::RemoveNotice(int64_t number, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    Statement s(db_, "DELETE FROM notices WHERE number = ?");
    s.Bind(1, number);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, s.Error());
    if (sqlite3_changes(db_) == 0)
        return Fail(error, "no notice " + std::to_string(number));
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::ListNotices(std::vector<Notice>* notices, std::string* error)
{
    notices->clear();
    Statement s(db_, "SELECT number, kind, title, link, date, extra2, extra3, end_date, transient "
                     "FROM notices ORDER BY number");
    if (!s.Ok())
        return Fail(error, s.Error());
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        Notice n;
        n.number = static_cast<int32_t>(s.Int(0));
        n.kind = static_cast<int32_t>(s.Int(1));
        n.title = s.Text(2);
        n.link = s.Text(3);
        n.date = s.Text(4);
        n.extra2 = s.Text(5);
        n.extra3 = s.Text(6);
        n.endDate = s.Text(7);
        n.transient = s.Int(8) != 0;
        notices->push_back(n);
    }
    return rc == SQLITE_DONE || Fail(error, s.Error());
}

bool RulesStore::ResetNotices(std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    if (!Exec("DELETE FROM notices", error))
        return false;
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::IncrementCounter(const std::string& name, int64_t* value, std::string* error)
{
    Transaction tx(db_);
    if (!tx.Began())
        return Fail(error, std::string("database is busy: ") + sqlite3_errmsg(db_));
    Statement s(db_, "INSERT INTO counters(name, value) VALUES (?, 1) "
                     "ON CONFLICT(name) DO UPDATE SET value = value + 1");
    s.Bind(1, name);
    if (s.Step() != SQLITE_DONE)
        return Fail(error, s.Error());
    if (!ReadCounter(name, value, error))
        return false;
    return tx.Commit() || Fail(error, sqlite3_errmsg(db_));
}

bool RulesStore::ReadCounter(const std::string& name, int64_t* value, std::string* error)
{
    Statement s(db_, "SELECT value FROM counters WHERE name = ?");
    s.Bind(1, name);
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
        *value = s.Int(0);
        return true;
    }
    *value = 0;
    return rc == SQLITE_DONE || Fail(error, s.Error());
}

bool RulesStore::ReadGeneration(int64_t* generation, std::string* error)
{
    Statement s(db_, "SELECT value FROM meta WHERE key = 'generation'");
    if (!s.Ok())
        return Fail(error, s.Error());
    if (s.Step() != SQLITE_ROW)
        return Fail(error, "database has no generation number");
    *generation = s.Int(0);
    return true;
}

std::shared_ptr<const StoreSnapshot> RulesStore::LoadSnapshot(std::string* error)
{
    // One read transaction, so that the snapshot is consistent with its generation.
    if (!Exec("BEGIN", error))
        return nullptr;
    std::vector<SiteRule> rules;
    std::vector<ToolbarMessage> messages;
    std::vector<Notice> notices;
    int64_t generation = 0;
    bool ok = ReadGeneration(&generation, error) && ListRules(&rules, error) &&
              ListMessages(&messages, error) && ListNotices(&notices, error);
    Exec("COMMIT", nullptr);
    if (!ok)
        return nullptr;
    return BuildSnapshot(rules, messages, notices, generation);
}
