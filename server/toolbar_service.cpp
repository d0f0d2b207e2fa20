#include "toolbar_service.h"

#include <ctime>

namespace {

class ToolbarHandler : public ConnectionHandler
{
public:
    ToolbarHandler(std::shared_ptr<const StoreSnapshot> snapshot, const ToolbarServiceSettings& settings)
        : conversation_(std::move(snapshot), settings, static_cast<int32_t>(time(nullptr)))
    {
    }

    State OnData(const uint8_t* data, size_t length) override
    {
        switch (conversation_.Consume(data, length)) {
        case ToolbarConversation::Status::NeedMore: return State::NeedMore;
        case ToolbarConversation::Status::Failed: return State::Fail;
        default: return State::Reply;
        }
    }
    bool Fill(std::string& out, size_t budget) override { return conversation_.Produce(out, budget); }
    std::string Summary() const override { return conversation_.Summary(); }
    std::string Failure() const override { return conversation_.Failure(); }

private:
    ToolbarConversation conversation_;
};

} // namespace

TcpService MakeToolbarService(const SnapshotHolder* snapshots, const ToolbarServiceSettings& settings)
{
    TcpService service;
    service.name = "toolbar";
    service.create = [snapshots, settings]() -> std::unique_ptr<ConnectionHandler> {
        return std::make_unique<ToolbarHandler>(snapshots->Get(), settings);
    };
    return service;
}
