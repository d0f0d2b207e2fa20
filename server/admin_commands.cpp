#include "admin_commands.h"

#include "csv_rules.h"
#include "daemon.h"
#include "rules_store.h"
#include "sample_data.h"
#include "server_config.h"
#include "verdict.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace {

const char kUsage[] =
    "usage: lumora-server COMMAND [options]\n"
    "  run [--config FILE] [--db FILE] [--listen ADDR] [--toolbar-port N] [--web-port N]\n"
    "      [--upgrade-port N] [--web-host HOST[:PORT]] [--workers N] [--idle-timeout S]\n"
    "      [--max-connections N] [--frame-limit N] [--default-country CC] [--log FILE|-] ...\n"
    "  init                        create the database with the sample data\n"
    "  rule add PATTERN [--exact] [--malware] [--relay] [--history] [--phishing] [--defaced]\n"
    "           [--mark 121025..121031] [--trust operator|trusted|ordinary] [--age 0|12|15|18|19]\n"
    "           [--country CC] [--country-name NAME] [--note TEXT]\n"
    "  rule list | rule remove ID|PATTERN | rule import FILE.csv\n"
    "  message add --code CODE --text TEXT | message list | message remove SEQ\n"
    "  notice add --kind KIND --title TEXT --link URL [--date YYYYMMDD] [--end YYYYMMDD]\n"
    "             [--extra2 TEXT] [--extra3 TEXT] [--transient]\n"
    "  notice list | notice remove NUMBER | notice reset\n"
    "Every command but run takes --db FILE or --config FILE (default ./lumora.db).\n"
    "Notice kinds: emergency event security warning police news police-cases police-press\n"
    "(or the six-digit kind).\n";

struct Options
{
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> switches;
};

// Splits options; `switchNames` take no value. False on an unknown or repeated option.
bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::set<std::string>& valueNames,
                  const std::set<std::string>& switchNames, Options* o, std::string* error)
{
    for (size_t i = from; i < args.size(); i++) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2), value;
            size_t eq = name.find('=');
            bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (switchNames.count(name)) {
                if (inlineValue) {
                    *error = "--" + name + " takes no value";
                    return false;
                }
                o->switches.insert(name);
            } else if (valueNames.count(name)) {
                if (!inlineValue) {
                    if (i + 1 >= args.size()) {
                        *error = "missing value for --" + name;
                        return false;
                    }
                    value = args[++i];
                }
                if (o->values.count(name)) {
                    *error = "--" + name + " given twice";
                    return false;
                }
                o->values[name] = value;
            } else {
                *error = "unknown option --" + name;
                return false;
            }
        } else {
            o->positional.push_back(a);
        }
    }
    return true;
}

bool ParseInt(const std::string& text, int32_t* out)
{
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || *end != '\0' || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    *out = static_cast<int32_t>(v);
    return true;
}

bool ParseKind(const std::string& text, int32_t* kind)
{
    static const std::map<std::string, int32_t> kNames = {
        {"emergency", 111291}, {"event", 111292}, {"security", 111210}, {"warning", 111212},
        {"police", 111281}, {"news", 111211}, {"police-cases", 111282}, {"police-press", 111283}};
    auto it = kNames.find(text);
    if (it != kNames.end()) {
        *kind = it->second;
        return true;
    }
    return ParseInt(text, kind);
}

std::string DatabasePath(const Options& o, std::string* error)
{
    ServerConfig config;
    auto c = o.values.find("config");
    if (c != o.values.end() && !LoadConfigFile(&config, c->second, error))
        return std::string();
    auto d = o.values.find("db");
    return d != o.values.end() ? d->second : config.db;
}

std::string Flags(const SiteRule& r)
{
    std::string f;
    auto add = [&](bool on, const char* name) {
        if (on)
            f += (f.empty() ? "" : ",") + std::string(name);
    };
    add(r.malware, "malware");
    add(r.relay, "relay");
    add(r.history, "history");
    add(r.phishing, "phishing");
    add(r.defaced, "defaced");
    return f.empty() ? "-" : f;
}

int Usage(std::ostream& err, const std::string& problem)
{
    if (!problem.empty())
        err << "lumora-server: " << problem << "\n";
    err << kUsage;
    return 2;
}

int Failed(std::ostream& err, const std::string& problem)
{
    err << "lumora-server: " << problem << "\n";
    return 1;
}

int RuleCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "rule needs add, list, remove or import");
    const std::string& verb = args[1];
    Options o;
    std::string error;
    std::set<std::string> values = {"db", "config"};
    std::set<std::string> switches;
    if (verb == "add") {
        values.insert({"mark", "trust", "age", "country", "country-name", "note"});
        switches = {"exact", "malware", "relay", "history", "phishing", "defaced"};
    }
    if (!ParseOptions(args, 2, values, switches, &o, &error))
        return Usage(err, error);
    std::string path = DatabasePath(o, &error);
    if (path.empty())
        return Failed(err, error);

    if (verb == "add") {
        if (o.positional.size() != 1)
            return Usage(err, "rule add needs exactly one host or address");
        SiteRule r;
        r.pattern = o.positional[0];
        r.exact = o.switches.count("exact") > 0;
        r.malware = o.switches.count("malware") > 0;
        r.relay = o.switches.count("relay") > 0;
        r.history = o.switches.count("history") > 0;
        r.phishing = o.switches.count("phishing") > 0;
        r.defaced = o.switches.count("defaced") > 0;
        if (o.values.count("mark") && !ParseInt(o.values["mark"], &r.siteMark))
            return Failed(err, "--mark must be a number");
        if (o.values.count("trust") && !ParseTrust(o.values["trust"], &r.trust))
            return Failed(err, "--trust must be operator, trusted, ordinary or a code");
        if (o.values.count("age") && !ParseInt(o.values["age"], &r.ageRating))
            return Failed(err, "--age must be a number");
        r.countryCode = o.values["country"];
        r.countryName = o.values["country-name"];
        r.note = o.values["note"];
        std::string problem = ValidateRule(&r);
        if (!problem.empty())
            return Failed(err, problem);
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->AddRule(&r, &error))
            return Failed(err, error);
        out << "rule " << r.id << " " << (r.exact ? "exact " : "host ") << r.pattern << "\n";
        return 0;
    }
    if (verb == "list") {
        if (!o.positional.empty())
            return Usage(err, "rule list takes no arguments");
        auto store = RulesStore::OpenExisting(path, &error);
        std::vector<SiteRule> rules;
        if (!store || !store->ListRules(&rules, &error))
            return Failed(err, error);
        out << "id\tmatch\tpattern\tfindings\tmark\ttrust\tage\tcountry\tnote\n";
        for (const SiteRule& r : rules)
            out << r.id << "\t" << (r.exact ? "exact" : "host") << "\t" << r.pattern << "\t" << Flags(r)
                << "\t" << r.siteMark << "\t" << r.trust << "\t" << r.ageRating << "\t"
                << (r.countryCode.empty() ? "-" : r.countryCode) << "\t" << r.note << "\n";
        return 0;
    }
    if (verb == "remove") {
        if (o.positional.size() != 1)
            return Usage(err, "rule remove needs one id or pattern");
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->RemoveRule(o.positional[0], &error))
            return Failed(err, error);
        out << "removed " << o.positional[0] << "\n";
        return 0;
    }
    if (verb == "import") {
        if (o.positional.size() != 1)
            return Usage(err, "rule import needs one CSV file");
        std::ifstream in(o.positional[0], std::ios::binary);
        if (!in)
            return Failed(err, "cannot read " + o.positional[0]);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<SiteRule> rules;
        if (!ParseRulesCsv(text.str(), &rules, &error))
            return Failed(err, o.positional[0] + ": " + error + " (nothing imported)");
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->ImportRules(&rules, &error))
            return Failed(err, error + " (nothing imported)");
        out << "imported " << rules.size() << " rules\n";
        return 0;
    }
    return Usage(err, "unknown rule command '" + verb + "'");
}

int MessageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "message needs add, list or remove");
    const std::string& verb = args[1];
    Options o;
    std::string error;
    std::set<std::string> values = {"db", "config"};
    if (verb == "add")
        values.insert({"code", "text"});
    if (!ParseOptions(args, 2, values, {}, &o, &error))
        return Usage(err, error);
    std::string path = DatabasePath(o, &error);
    if (path.empty())
        return Failed(err, error);
    if (verb == "add") {
        if (!o.positional.empty() || !o.values.count("code") || !o.values.count("text"))
            return Usage(err, "message add needs --code and --text");
        ToolbarMessage m;
        if (!ParseInt(o.values["code"], &m.code))
            return Failed(err, "--code must be a number");
        m.text = o.values["text"];
        std::string problem = ValidateMessage(m);
        if (!problem.empty())
            return Failed(err, problem);
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->AddMessage(&m, &error))
            return Failed(err, error);
        out << "message " << m.seq << " code " << m.code << "\n";
        return 0;
    }
    if (verb == "list") {
        auto store = RulesStore::OpenExisting(path, &error);
        std::vector<ToolbarMessage> list;
        if (!o.positional.empty())
            return Usage(err, "message list takes no arguments");
        if (!store || !store->ListMessages(&list, &error))
            return Failed(err, error);
        out << "seq\tcode\ttext\n";
        for (const ToolbarMessage& m : list)
            out << m.seq << "\t" << m.code << "\t" << m.text << "\n";
        return 0;
    }
    if (verb == "remove") {
        int32_t seq;
        if (o.positional.size() != 1 || !ParseInt(o.positional[0], &seq))
            return Usage(err, "message remove needs one message number");
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->RemoveMessage(seq, &error))
            return Failed(err, error);
        out << "removed message " << seq << "\n";
        return 0;
    }
    return Usage(err, "unknown message command '" + verb + "'");
}

int NoticeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2)
        return Usage(err, "notice needs add, list, remove or reset");
    const std::string& verb = args[1];
    Options o;
    std::string error;
    std::set<std::string> values = {"db", "config"};
    std::set<std::string> switches;
    if (verb == "add") {
        values.insert({"kind", "title", "link", "date", "end", "extra2", "extra3"});
        switches.insert("transient");
    }
    if (!ParseOptions(args, 2, values, switches, &o, &error))
        return Usage(err, error);
    std::string path = DatabasePath(o, &error);
    if (path.empty())
        return Failed(err, error);
    if (verb == "add") {
        if (!o.positional.empty() || !o.values.count("kind") || !o.values.count("title") ||
            !o.values.count("link"))
            return Usage(err, "notice add needs --kind, --title and --link");
        Notice n;
        if (!ParseKind(o.values["kind"], &n.kind))
            return Failed(err, "unknown notice kind '" + o.values["kind"] + "'");
        n.title = o.values["title"];
        n.link = o.values["link"];
        n.date = o.values.count("date") ? o.values["date"] : DateFromToday(0);
        n.endDate = o.values["end"];
        n.extra2 = o.values["extra2"];
        n.extra3 = o.values["extra3"];
        n.transient = o.switches.count("transient") > 0;
        std::string problem = ValidateNotice(n);
        if (!problem.empty())
            return Failed(err, problem);
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->AddNotice(&n, &error))
            return Failed(err, error);
        out << "notice " << n.number << " kind " << n.kind << " position " << NoticePosition(n.kind) << "\n";
        return 0;
    }
    if (verb == "list") {
        if (!o.positional.empty())
            return Usage(err, "notice list takes no arguments");
        auto store = RulesStore::OpenExisting(path, &error);
        std::vector<Notice> list;
        if (!store || !store->ListNotices(&list, &error))
            return Failed(err, error);
        out << "number\tkind\tdate\tend\ttransient\ttitle\tlink\n";
        for (const Notice& n : list)
            out << n.number << "\t" << n.kind << "\t" << n.date << "\t" << (n.endDate.empty() ? "-" : n.endDate)
                << "\t" << (n.transient ? 1 : 0) << "\t" << n.title << "\t" << n.link << "\n";
        return 0;
    }
    if (verb == "remove") {
        int32_t number;
        if (o.positional.size() != 1 || !ParseInt(o.positional[0], &number))
            return Usage(err, "notice remove needs one notice number");
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->RemoveNotice(number, &error))
            return Failed(err, error);
        out << "removed notice " << number << "\n";
        return 0;
    }
    if (verb == "reset") {
        if (!o.positional.empty())
            return Usage(err, "notice reset takes no arguments");
        auto store = RulesStore::OpenExisting(path, &error);
        if (!store || !store->ResetNotices(&error))
            return Failed(err, error);
        out << "all notices removed; toolbars reset their notice and message files at their next "
               "change check\n";
        return 0;
    }
    return Usage(err, "unknown notice command '" + verb + "'");
}

} // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        if (args.empty())
            return Usage(err, "");
        out << kUsage;
        return 0;
    }
    const std::string& command = args[0];
    if (command == "run") {
        ServerConfig config;
        std::string error;
        if (!ParseRunFlags(&config, std::vector<std::string>(args.begin() + 1, args.end()), &error))
            return Usage(err, error);
        return RunDaemon(config);
    }
    if (command == "init") {
        Options o;
        std::string error;
        if (!ParseOptions(args, 1, {"db", "config", "web-host"}, {}, &o, &error) || !o.positional.empty())
            return Usage(err, error.empty() ? "init takes no arguments" : error);
        ServerConfig config;
        auto c = o.values.find("config");
        if (c != o.values.end() && !LoadConfigFile(&config, c->second, &error))
            return Failed(err, error);
        std::string path = o.values.count("db") ? o.values["db"] : config.db;
        std::string webHost = o.values.count("web-host") ? o.values["web-host"] : config.webHost;
        std::ifstream exists(path);
        if (exists)
            return Failed(err, path + " exists already");
        auto store = RulesStore::Open(path, webHost, &error);
        if (!store)
            return Failed(err, error);
        out << "created " << path << " with the sample data\n";
        return 0;
    }
    if (command == "rule")
        return RuleCommand(args, out, err);
    if (command == "message")
        return MessageCommand(args, out, err);
    if (command == "notice")
        return NoticeCommand(args, out, err);
    return Usage(err, "unknown command '" + command + "'");
}
