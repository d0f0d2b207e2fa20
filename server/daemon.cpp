#include "daemon.h"

#include "text_codec.h"
#include "toolbar_service.h"
#include "verdict.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

Daemon::~Daemon()
{
    Stop();
}

void Daemon::LogLine(const std::string& line)
{
    if (log_)
        log_->Write(line + "\n");
}

bool Daemon::OpenStore(std::string* error)
{
    std::unique_ptr<RulesStore> store = RulesStore::Open(config_.db, config_.webHost, error);
    if (!store)
        return false;
    struct stat st;
    if (stat(config_.db.c_str(), &st) == 0) {
        storeDev_ = static_cast<unsigned long>(st.st_dev);
        storeIno_ = static_cast<unsigned long>(st.st_ino);
    }
    store_ = std::move(store);
    return true;
}

bool Daemon::Start(const ServerConfig& config, std::string* error)
{
    config_ = config;
    if (config_.log == "-") {
        logFd_ = 2;
    } else {
        logFd_ = open(config_.log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
        if (logFd_ < 0) {
            *error = "cannot open log " + config_.log + ": " + std::strerror(errno);
            return false;
        }
        ownLogFd_ = true;
    }
    log_.reset(new LogSink(logFd_));
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        if (!OpenStore(error))
            return false;
        auto snapshot = store_->LoadSnapshot(error);
        if (!snapshot)
            return false;
        snapshots_.Set(snapshot);
    }
    toolbarSettings_.frameLimit = config_.frameLimit;
    std::string name = CountryName(config_.defaultCountry);
    toolbarSettings_.fallbackCountry = Country{config_.defaultCountry, name.empty() ? config_.defaultCountry : name};
    webContext_.config = &config_;
    webContext_.snapshots = &snapshots_;
    webContext_.countUpgrade = [this](int64_t* count) {
        std::lock_guard<std::mutex> lock(storeMutex_);
        std::string e;
        if (store_ && store_->IncrementCounter("upgrade", count, &e))
            return true;
        LogLine("lumora-server: upgrade counter not written: " + e);
        return false;
    };
    toolbarService_ = MakeToolbarService(&snapshots_, toolbarSettings_);
    webService_ = MakeWebService(&webContext_, false);
    upgradeService_ = MakeWebService(&webContext_, true);

    TcpServerLimits limits;
    limits.workers = config_.workers;
    limits.idleTimeoutMs = config_.idleTimeout * 1000;
    limits.maxConnections = static_cast<size_t>(config_.maxConnections);
    server_.reset(new TcpServer(limits, log_.get()));
    if (!server_->Listen(config_.listen, config_.toolbarPort, &toolbarService_, &toolbarPort_, error) ||
        !server_->Listen(config_.listen, config_.webPort, &webService_, &webPort_, error) ||
        !server_->Listen(config_.listen, config_.upgradePort, &upgradeService_, &upgradePort_, error) ||
        !server_->Start(error)) {
        server_.reset();
        return false;
    }
    stopReloader_ = false;
    reloader_ = std::thread([this] { ReloaderLoop(); });
    running_ = true;
    auto snapshot = snapshots_.Get();
    size_t ruleCount = snapshot->rules.exact.size() + snapshot->rules.hosts.size();
    LogLine("lumora-server: toolbar " + config_.listen + ":" + std::to_string(toolbarPort_) + ", web :" +
            std::to_string(webPort_) + ", upgrade :" + std::to_string(upgradePort_) + ", store " +
            config_.db + " (" + std::to_string(ruleCount) + " rules, " +
            std::to_string(snapshot->messages.size()) + " messages, " +
            std::to_string(snapshot->notices.size()) + " notices), " + std::to_string(config_.workers) +
            " workers");
    return true;
}

void Daemon::Stop()
{
    if (!running_)
        return;
    {
        std::lock_guard<std::mutex> lock(waitMutex_);
        stopReloader_ = true;
    }
    waitCv_.notify_all();
    if (reloader_.joinable())
        reloader_.join();
    server_->Stop(config_.shutdownGrace * 1000);
    LogLine("lumora-server: stopped after " + std::to_string(server_->Accepted()) + " connections (" +
            std::to_string(server_->Rejected()) + " refused over the limit)");
    server_.reset();
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        store_.reset();
    }
    log_.reset();
    if (ownLogFd_)
        close(logFd_);
    ownLogFd_ = false;
    running_ = false;
}

bool Daemon::ReloadIfChanged(std::string* error)
{
    std::lock_guard<std::mutex> lock(storeMutex_);
    struct stat st;
    if (stat(config_.db.c_str(), &st) != 0) {
        *error = "store " + config_.db + " is gone; serving the last snapshot";
        return false;
    }
    bool replaced = !store_ || static_cast<unsigned long>(st.st_dev) != storeDev_ ||
                    static_cast<unsigned long>(st.st_ino) != storeIno_;
    if (replaced) {
        // The file was replaced (a copy published by rename): open the new one, and load it
        // whatever its generation number says (the copy counts its own changes).
        store_.reset();
        if (!OpenStore(error))
            return false;
    }
    int64_t generation = 0;
    if (!store_->ReadGeneration(&generation, error))
        return false;
    if (!replaced && generation == snapshots_.Get()->generation)
        return true;
    auto snapshot = store_->LoadSnapshot(error);
    if (!snapshot)
        return false;
    snapshots_.Set(snapshot);
    LogLine("lumora-server: store reloaded (generation " + std::to_string(generation) + ")");
    return true;
}

void Daemon::ReloaderLoop()
{
    std::unique_lock<std::mutex> lock(waitMutex_);
    while (!stopReloader_) {
        waitCv_.wait_for(lock, std::chrono::seconds(config_.reloadInterval));
        if (stopReloader_)
            break;
        lock.unlock();
        std::string error;
        if (!ReloadIfChanged(&error))
            LogLine("lumora-server: reload failed: " + error);
        lock.lock();
    }
}

int RunDaemon(const ServerConfig& config)
{
    // Signals are taken by this thread only: block them before any other thread starts.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Daemon daemon;
    std::string error;
    if (!daemon.Start(config, &error)) {
        fprintf(stderr, "lumora-server: %s\n", error.c_str());
        return 1;
    }
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
            continue;
        if (sig == SIGHUP) {
            if (!daemon.ReloadIfChanged(&error))
                daemon.LogLine("lumora-server: reload failed: " + error);
            continue;
        }
        daemon.LogLine(std::string("lumora-server: ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT") +
                       ", shutting down");
        break;
    }
    daemon.Stop();
    return 0;
}
