// A real toolbar-like window for the delivery tests: a message-only window on its own thread
// that copies every WM_COPYDATA it receives (code and bytes) during the message, as the toolbar
// must, and lets the test wait for them.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct Delivery
{
    uint32_t code;
    std::vector<uint8_t> bytes;
    bool lpDataNull;
    LARGE_INTEGER arrived; // performance counter when the window procedure got it
};

class DeliveryWindow
{
public:
    DeliveryWindow();
    ~DeliveryWindow();
    DeliveryWindow(const DeliveryWindow&) = delete;
    DeliveryWindow& operator=(const DeliveryWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Waits until at least `count` deliveries have arrived; false after `timeoutMs`.
    bool WaitFor(size_t count, int timeoutMs);
    std::vector<Delivery> Deliveries();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Delivery> deliveries_;
    bool created_ = false;
    std::thread thread_;
};

// Collects what a delivery callback receives (the callback runs on the connection thread).
struct CallbackSink
{
    static void __cdecl Receive(COPYDATASTRUCT* data);
    static bool WaitFor(size_t count, int timeoutMs);
    static std::vector<Delivery> Take();
};
