#include "delivery_window.h"

#include <chrono>

namespace {

constexpr char kClassName[] = "LumoraTestDeliveryWindow";

// Under Wine, windows created at the same moment by several threads of a new process can fail;
// the class is registered once and the windows are made one at a time.
std::mutex gCreateMutex;

Delivery Copy(const COPYDATASTRUCT* data)
{
    Delivery delivery;
    QueryPerformanceCounter(&delivery.arrived);
    delivery.code = static_cast<uint32_t>(data->dwData);
    delivery.lpDataNull = data->lpData == nullptr;
    if (data->lpData != nullptr && data->cbData > 0) {
        const uint8_t* bytes = static_cast<const uint8_t*>(data->lpData);
        delivery.bytes.assign(bytes, bytes + data->cbData);
    }
    return delivery;
}

std::mutex gCallbackMutex;
std::condition_variable gCallbackChanged;
std::vector<Delivery> gCallbackDeliveries;

} // namespace

DeliveryWindow::DeliveryWindow()
{
    thread_ = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return created_; });
}

DeliveryWindow::~DeliveryWindow()
{
    if (threadId_ != 0) {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    }
    thread_.join();
}

void DeliveryWindow::Run()
{
    HWND hwnd = nullptr;
    {
        std::lock_guard<std::mutex> createLock(gCreateMutex);
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &DeliveryWindow::WindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kClassName;
            registered = RegisterClassA(&windowClass) != 0;
        }
        hwnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleA(nullptr), this);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hwnd_ = hwnd;
        threadId_ = GetCurrentThreadId();
        created_ = true;
    }
    changed_.notify_all();
    if (hwnd == nullptr) {
        return;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    DestroyWindow(hwnd);
}

LRESULT CALLBACK DeliveryWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == WM_COPYDATA) {
        DeliveryWindow* self = reinterpret_cast<DeliveryWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr) {
            {
                std::lock_guard<std::mutex> lock(self->mutex_);
                self->deliveries_.push_back(Copy(reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
            }
            self->changed_.notify_all();
        }
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool DeliveryWindow::WaitFor(size_t count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return deliveries_.size() >= count; });
}

std::vector<Delivery> DeliveryWindow::Deliveries()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return deliveries_;
}

void __cdecl CallbackSink::Receive(COPYDATASTRUCT* data)
{
    {
        std::lock_guard<std::mutex> lock(gCallbackMutex);
        gCallbackDeliveries.push_back(Copy(data));
    }
    gCallbackChanged.notify_all();
}

bool CallbackSink::WaitFor(size_t count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(gCallbackMutex);
    return gCallbackChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return gCallbackDeliveries.size() >= count; });
}

std::vector<Delivery> CallbackSink::Take()
{
    std::lock_guard<std::mutex> lock(gCallbackMutex);
    std::vector<Delivery> taken;
    taken.swap(gCallbackDeliveries);
    return taken;
}
