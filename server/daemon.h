// The running server: the rules store, its snapshot and reloader, and the TCP layer with the
// toolbar, web and upgrade listeners. Tests run it in-process; `lumora-server run` runs it until
// SIGTERM or SIGINT (SIGHUP reloads the store at once).
#pragma once

#include "rules_store.h"
#include "server_config.h"
#include "snapshot_holder.h"
#include "tcp_server.h"
#include "toolbar_conversation.h"
#include "web_service.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class Daemon
{
public:
    Daemon() = default;
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    bool Start(const ServerConfig& config, std::string* error);
    void Stop();

    int ToolbarPort() const { return toolbarPort_; }
    int WebPort() const { return webPort_; }
    int UpgradePort() const { return upgradePort_; }
    // Reloads the snapshot when the store changed (or the file was replaced); true on success.
    bool ReloadIfChanged(std::string* error);
    std::shared_ptr<const StoreSnapshot> Snapshot() const { return snapshots_.Get(); }
    void LogLine(const std::string& line);

private:
    bool OpenStore(std::string* error);
    void ReloaderLoop();

    ServerConfig config_;
    int logFd_ = -1;
    bool ownLogFd_ = false;
    std::unique_ptr<LogSink> log_;
    std::mutex storeMutex_;
    std::unique_ptr<RulesStore> store_;
    unsigned long storeDev_ = 0, storeIno_ = 0;
    SnapshotHolder snapshots_;
    ToolbarServiceSettings toolbarSettings_;
    WebContext webContext_;
    TcpService toolbarService_, webService_, upgradeService_;
    std::unique_ptr<TcpServer> server_;
    int toolbarPort_ = 0, webPort_ = 0, upgradePort_ = 0;
    std::thread reloader_;
    std::mutex waitMutex_;
    std::condition_variable waitCv_;
    bool stopReloader_ = false;
    bool running_ = false;
};

// `lumora-server run`: returns the process exit code.
int RunDaemon(const ServerConfig& config);
