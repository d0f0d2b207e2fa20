#include "TypeInfo.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>

#include "Transcript.h"

namespace {
ITypeInfo* gWebBrowserInfo = nullptr;
bool gWebBrowserInfoTried = false;
}

ITypeInfo* WebBrowserTypeInfo()
{
    if (gWebBrowserInfo || gWebBrowserInfoTried)
        return gWebBrowserInfo;
    gWebBrowserInfoTried = true;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadRegTypeLib(LIBID_SHDocVw, 1, 1, LOCALE_NEUTRAL, &library);
    if (FAILED(hr)) {
        TranscriptWrite(L"type library of IWebBrowser2 not registered: 0x%08lX", hr);
        return nullptr;
    }
    ITypeInfo* info = nullptr;
    hr = library->GetTypeInfoOfGuid(IID_IWebBrowser2, &info);
    library->Release();
    if (FAILED(hr)) {
        TranscriptWrite(L"no type information for IWebBrowser2: 0x%08lX", hr);
        return nullptr;
    }
    // A dual interface comes as its dispinterface; DispInvoke needs the vtable interface.
    HREFTYPE reference = 0;
    ITypeInfo* vtableInfo = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference)) &&
        SUCCEEDED(info->GetRefTypeInfo(reference, &vtableInfo))) {
        info->Release();
        info = vtableInfo;
    }
    gWebBrowserInfo = info;
    return gWebBrowserInfo;
}

void ReleaseWebBrowserTypeInfo()
{
    if (gWebBrowserInfo) {
        gWebBrowserInfo->Release();
        gWebBrowserInfo = nullptr;
    }
}
