// The current store snapshot, swapped in by the reloader and read by every new conversation.
#pragma once

#include "store_snapshot.h"

#include <memory>
#include <mutex>

class SnapshotHolder
{
public:
    std::shared_ptr<const StoreSnapshot> Get() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return current_;
    }
    void Set(std::shared_ptr<const StoreSnapshot> snapshot)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        current_ = std::move(snapshot);
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const StoreSnapshot> current_ = std::make_shared<StoreSnapshot>();
};
