#include "server_config.h"

#include "ascii_text.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

bool ParseInt(const std::string& text, int low, int high, int* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool IsVersion(const std::string& text)
{
    int dots = 0;
    bool digit = false;
    for (char c : text) {
        if (c == '.') {
            if (!digit)
                return false;
            dots++;
            digit = false;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else {
            return false;
        }
    }
    return dots == 3 && digit;
}

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t p = text.find(sep, start);
        parts.push_back(Trim(text.substr(start, p == std::string::npos ? std::string::npos : p - start)));
        if (p == std::string::npos)
            return parts;
        start = p + 1;
    }
}

} // namespace

std::vector<UpgradeComponent> DefaultComponents(const std::string& version)
{
    return {
        {"LumoraSvcDll", "LumoraSvcDll.dll", "서비스 통신 모듈", "", version},
        {"PyxToolTip", "PyxToolTip.dll", "사이트 정보 풍선", "", version},
        {"PyxCleaner", "PyxCleaner.exe", "PC 최적화", "", version},
        {"PyxUpCheck", "PyxUpCheck.exe", "업데이트 실행기", "", version},
        {"PyxUninstall", "PyxUninstall.exe", "제거 도우미", "", version},
    };
}

bool ApplySetting(ServerConfig* c, const std::string& key, const std::string& value,
                  std::string* error)
{
    auto bad = [&](const char* expected) {
        *error = "bad value '" + value + "' for " + key + " (" + expected + ")";
        return false;
    };
    for (char ch : value)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
            return bad("no control characters");
    auto port = [&](int* out, bool allowZero) {
        return ParseInt(value, allowZero ? 0 : 1, 65535, out) || bad("a TCP port");
    };
    if (key == "db") {
        if (value.empty())
            return bad("a file path");
        c->db = value;
    } else if (key == "listen") {
        int a, b, cc, d;
        char tail;
        if (std::sscanf(value.c_str(), "%d.%d.%d.%d%c", &a, &b, &cc, &d, &tail) != 4)
            return bad("an IPv4 address");
        c->listen = value;
    } else if (key == "toolbar_port") {
        return port(&c->toolbarPort, true);
    } else if (key == "web_port") {
        return port(&c->webPort, true);
    } else if (key == "upgrade_port") {
        return port(&c->upgradePort, true);
    } else if (key == "web_host") {
        if (value.empty() || value.find_first_of(" /\"<>") != std::string::npos)
            return bad("host or host:port");
        c->webHost = value;
    } else if (key == "workers") {
        return ParseInt(value, 1, 64, &c->workers) || bad("1 to 64");
    } else if (key == "idle_timeout") {
        return ParseInt(value, 1, 3600, &c->idleTimeout) || bad("1 to 3600 seconds");
    } else if (key == "max_connections") {
        return ParseInt(value, 1, 1000000, &c->maxConnections) || bad("1 to 1000000");
    } else if (key == "frame_limit") {
        return ParseInt(value, 0, 127, &c->frameLimit) || bad("0 to 127");
    } else if (key == "default_country") {
        if (value.size() != 2 || !std::isalpha(static_cast<unsigned char>(value[0])) ||
            !std::isalpha(static_cast<unsigned char>(value[1])))
            return bad("two letters");
        c->defaultCountry = {static_cast<char>(std::toupper(value[0])),
                             static_cast<char>(std::toupper(value[1]))};
    } else if (key == "reload_interval") {
        return ParseInt(value, 1, 3600, &c->reloadInterval) || bad("1 to 3600 seconds");
    } else if (key == "shutdown_grace") {
        return ParseInt(value, 0, 600, &c->shutdownGrace) || bad("0 to 600 seconds");
    } else if (key == "log") {
        if (value.empty())
            return bad("a file path or -");
        c->log = value;
    } else if (key == "upgrade_toolbar_ip") {
        c->upgradeToolbarIp = value;
    } else if (key == "upgrade_toolbar_port") {
        return port(&c->upgradeToolbarPort, true);
    } else if (key == "upgrade_version") {
        if (!IsVersion(value))
            return bad("four dotted numbers");
        c->upgradeToolbarVersion = value;
    } else if (key == "upgrade_component") {
        std::vector<std::string> parts = Split(value, '|');
        if (parts.size() != 5 || parts[0].empty() || parts[1].empty() || !IsVersion(parts[4]) ||
            parts[0].find_first_of("[]") != std::string::npos)
            return bad("section|file name|display name|sub-folder|version");
        if (!c->componentsConfigured) {
            c->components.clear();
            c->componentsConfigured = true;
        }
        c->components.push_back({parts[0], parts[1], parts[2], parts[3], parts[4]});
    } else {
        *error = "unknown setting '" + key + "'";
        return false;
    }
    return true;
}

bool LoadConfigFile(ServerConfig* config, const std::string& path, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read config file " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) {
            *error = path + ":" + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string e;
        if (!ApplySetting(config, Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)), &e)) {
            *error = path + ":" + std::to_string(number) + ": " + e;
            return false;
        }
    }
    return true;
}

bool ParseRunFlags(ServerConfig* config, const std::vector<std::string>& args, std::string* error)
{
    std::vector<std::pair<std::string, std::string>> flags;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (a.compare(0, 2, "--") != 0 || a.size() < 3) {
            *error = "unexpected argument '" + a + "'";
            return false;
        }
        std::string key = a.substr(2), value;
        size_t eq = key.find('=');
        if (eq != std::string::npos) {
            value = key.substr(eq + 1);
            key = key.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            *error = "missing value for --" + key;
            return false;
        }
        for (char& ch : key)
            if (ch == '-')
                ch = '_';
        flags.emplace_back(key, value);
    }
    for (auto& f : flags)
        if (f.first == "config" && !LoadConfigFile(config, f.second, error))
            return false;
    for (auto& f : flags)
        if (f.first != "config" && !ApplySetting(config, f.first, f.second, error))
            return false;
    return true;
}

std::string RenderUpgradeIni(const ServerConfig& c)
{
    std::string ini = "[PyxToolBar]\r\n";
    if (!c.upgradeToolbarIp.empty())
        ini += "ip=" + c.upgradeToolbarIp + "\r\n";
    if (c.upgradeToolbarPort > 0)
        ini += "port=" + std::to_string(c.upgradeToolbarPort) + "\r\n";
    ini += "version=" + c.upgradeToolbarVersion + "\r\n";
    std::vector<UpgradeComponent> components =
        c.componentsConfigured ? c.components : DefaultComponents(c.upgradeToolbarVersion);
    for (const UpgradeComponent& comp : components) {
        ini += "\r\n[" + comp.section + "]\r\n";
        ini += "name=" + comp.name + "\r\n";
        ini += "display_name=" + comp.displayName + "\r\n";
        ini += "sub=" + comp.sub + "\r\n";
        ini += "version=" + comp.version + "\r\n";
    }
    return ini;
}
