#include "thread/cthread.h"

#include <new>

namespace {

struct ThreadStarter
{
    CThreadRoutine routine;
    void* param;
    HMODULE module; // the reference that keeps our code loaded, or nullptr
};

DWORD WINAPI ThreadEntry(void* raw)
{
    ThreadStarter* starter = static_cast<ThreadStarter*>(raw);
    const ThreadStarter copy = *starter;
    delete starter;
    const DWORD result = copy.routine(copy.param);
    if (copy.module != nullptr) {
        FreeLibraryAndExitThread(copy.module, result);
    }
    return result;
}

} // namespace

CThread::~CThread()
{
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

bool CThread::Start(void* param)
{
    ThreadStarter* starter = new (std::nothrow) ThreadStarter{routine_, param, nullptr};
    if (starter == nullptr) {
        OnFailed();
        return false;
    }
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&ThreadEntry), &starter->module)) {
        starter->module = nullptr; // the thread then simply returns
    }
    handle_ = CreateThread(nullptr, 0, &ThreadEntry, starter, 0, &id_);
    if (handle_ == nullptr) {
        if (starter->module != nullptr) {
            FreeLibrary(starter->module);
        }
        delete starter;
        OnFailed();
        return false;
    }
    OnStarted();
    return true;
}
