// The daemon's settings: defaults, then the config file ("key = value" lines, '#' comments),
// then command-line flags ("--key value" or "--key=value"), each overriding the one before.
#pragma once

#include <string>
#include <vector>

struct UpgradeComponent
{
    std::string section;     // INI section name
    std::string name;        // file name
    std::string displayName; // shown in the upgrade dialog (UTF-8)
    std::string sub;         // sub-folder of the installation folder, or empty
    std::string version;     // four dotted numbers
};

struct ServerConfig
{
    std::string db = "lumora.db";
    std::string listen = "127.0.0.1";
    int toolbarPort = 8090;
    int webPort = 8080;
    int upgradePort = 8095;
    std::string webHost = "127.0.0.1:8080"; // how toolbars reach the web server (links)
    int workers = 2;
    int idleTimeout = 10;      // seconds
    int maxConnections = 10000;
    int frameLimit = 5;
    std::string defaultCountry = "US";
    int reloadInterval = 2;    // seconds between store checks
    int shutdownGrace = 5;     // seconds
    std::string log = "-";     // "-" = standard error

    // The upgrade description served on the upgrade port.
    std::string upgradeToolbarIp;   // empty: no "ip" key (toolbars keep their server)
    int upgradeToolbarPort = 0;     // 0: no "port" key
    std::string upgradeToolbarVersion = "3.1.0.1";
    std::vector<UpgradeComponent> components;
    bool componentsConfigured = false;
};

// Applies one setting; false with a reason for an unknown key or a bad value.
bool ApplySetting(ServerConfig* config, const std::string& key, const std::string& value,
                  std::string* error);
bool LoadConfigFile(ServerConfig* config, const std::string& path, std::string* error);
// Parses the flags of "run": --config first (wherever it stands), then the others.
bool ParseRunFlags(ServerConfig* config, const std::vector<std::string>& args, std::string* error);
// The components listed when the configuration names none.
std::vector<UpgradeComponent> DefaultComponents(const std::string& version);
// The text of Upgrade.ini, UTF-8 (the web layer sends it as CP949).
std::string RenderUpgradeIni(const ServerConfig& config);
