#include "LocalServer.h"

#include <exdisp.h>
#include <string>

#include "Browser.h"
#include "FrameWindow.h"
#include "Transcript.h"

namespace {

const wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32";
const wchar_t kSavedValue[] = L"LumoraPrevious";

DWORD gClassCookie = 0;
LONG gServerLocks = 0;

class CBrowserFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // static object
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // Like the real application object: a new window, hidden until put_Visible.
        CFrameWindow* frame = CFrameWindow::Create(false);
        if (!frame)
            return E_OUTOFMEMORY;
        TranscriptWrite(L"InternetExplorer.Application instance: window %d", frame->Number());
        return frame->MainBrowser()->QueryInterface(riid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&gServerLocks);
        else
            InterlockedDecrement(&gServerLocks);
        return S_OK;
    }
};

CBrowserFactory gFactory;

bool ReadValue(HKEY key, const wchar_t* name, std::wstring& value)
{
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value = buffer;
    return true;
}

bool WriteValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool RegisterAsInternetExplorer()
{
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH - 1))
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServerKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring previous, saved;
    if (ReadValue(key, nullptr, previous) && !ReadValue(key, kSavedValue, saved) &&
        previous.find(L"-Embedding") == std::wstring::npos)
        WriteValue(key, kSavedValue, previous);
    std::wstring command = L"\"" + std::wstring(path) + L"\" -Embedding";
    bool ok = WriteValue(key, nullptr, command);
    RegCloseKey(key);
    return ok;
}

bool UnregisterAsInternetExplorer()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServerKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    std::wstring saved;
    bool ok = true;
    if (ReadValue(key, kSavedValue, saved)) {
        ok = WriteValue(key, nullptr, saved);
        RegDeleteValueW(key, kSavedValue);
    }
    RegCloseKey(key);
    return ok;
}

bool StartLocalServer()
{
    HRESULT hr = CoRegisterClassObject(CLSID_InternetExplorer, &gFactory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &gClassCookie);
    TranscriptWrite(L"local server for InternetExplorer.Application hr=0x%08lX", hr);
    return SUCCEEDED(hr);
}

void StopLocalServer()
{
    if (gClassCookie) {
        CoRevokeClassObject(gClassCookie);
        gClassCookie = 0;
    }
}
