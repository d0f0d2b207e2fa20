#include "BandHost.h"

#include <commctrl.h>

#include "BandSite.h"
#include "Transcript.h"

namespace {
const wchar_t kToolbarKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const DWORD kAllBandInfo = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                           DBIM_MODEFLAGS | DBIM_BKCOLOR;
}  // namespace

CBandHost::CBandHost(HWND rebarWindow, IWebBrowser2* browser)
    : rebar(rebarWindow), site(new CBandSite(rebarWindow, browser))
{
}

CBandHost::~CBandHost()
{
    CloseAll();
    site->Detach();
    site->Release();
}

void CBandHost::LoadAll()
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) {
        TranscriptWrite(L"bands: no toolbar key (%ld)", rc);
        return;
    }
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 255;
        rc = RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
            break;
        name[nameLength < 255 ? nameLength : 255] = 0;
        names.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& name : names) {
        CLSID clsid;
        if (FAILED(CLSIDFromString(const_cast<LPOLESTR>(name.c_str()), &clsid))) {
            TranscriptWrite(L"band value %ls: not a class identifier, skipped", name.c_str());
            continue;
        }
        LoadBand(clsid, name);
    }
}

void CBandHost::LoadBand(const CLSID& clsid, const std::wstring& text)
{
    IUnknown* object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&object));
    TranscriptWrite(L"band %ls CoCreateInstance hr=0x%08lX", text.c_str(), hr);
    if (FAILED(hr) || !object)
        return;
    Band band = {clsid, text, nullptr, nullptr, nullptr, nextId};
    hr = object->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&band.withSite));
    if (FAILED(hr) || !band.withSite) {
        TranscriptWrite(L"band %ls has no IObjectWithSite, left out", text.c_str());
        object->Release();
        return;
    }
    hr = object->QueryInterface(IID_IDeskBand, reinterpret_cast<void**>(&band.band));
    object->Release();
    if (FAILED(hr) || !band.band) {
        TranscriptWrite(L"band %ls has no IDeskBand, left out", text.c_str());
        band.withSite->Release();
        return;
    }
    hr = band.withSite->SetSite(static_cast<IInputObjectSite*>(site));
    TranscriptWrite(L"band %ls SetSite(site) hr=0x%08lX", text.c_str(), hr);
    if (FAILED(hr)) {
        TranscriptWrite(L"band %ls left out (SetSite failed)", text.c_str());
        band.band->Release();
        band.withSite->Release();
        return;
    }
    ++nextId;
    DESKBANDINFO info = {};
    info.dwMask = kAllBandInfo;
    info.ptMaxSize.y = -1;
    hr = band.band->GetBandInfo(band.id, DBIF_VIEWMODE_NORMAL, &info);
    TranscriptWrite(L"band %ls GetBandInfo id=%lu mode=%lu asked=0x%lX hr=0x%08lX mask=0x%lX "
                    L"min=%ld,%ld max=%ld,%ld integral=%ld,%ld actual=%ld,%ld flags=0x%lX title=%ls",
                    text.c_str(), band.id, static_cast<unsigned long>(DBIF_VIEWMODE_NORMAL),
                    kAllBandInfo, hr, info.dwMask, info.ptMinSize.x, info.ptMinSize.y,
                    info.ptMaxSize.x, info.ptMaxSize.y, info.ptIntegral.x, info.ptIntegral.y,
                    info.ptActual.x, info.ptActual.y, info.dwModeFlags, info.wszTitle);
    hr = band.band->GetWindow(&band.window);
    TranscriptWrite(L"band %ls GetWindow hr=0x%08lX window=%ls", text.c_str(), hr,
                    band.window ? L"yes" : L"none");
    if (SUCCEEDED(hr) && band.window)
        Insert(band, info);
    hr = band.band->ShowDW(TRUE);
    TranscriptWrite(L"band %ls ShowDW(TRUE) hr=0x%08lX", text.c_str(), hr);
    bands.push_back(band);
}

void CBandHost::Insert(Band& band, const DESKBANDINFO& info)
{
    REBARBANDINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_STYLE | RBBIM_SIZE |
                 RBBIM_IDEALSIZE;
    item.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
    if (info.dwMask & DBIM_MODEFLAGS) {
        if (info.dwModeFlags & DBIMF_BREAK)
            item.fStyle |= RBBS_BREAK;
        if (info.dwModeFlags & DBIMF_VARIABLEHEIGHT)
            item.fStyle |= RBBS_VARIABLEHEIGHT;
        if (info.dwModeFlags & DBIMF_USECHEVRON)
            item.fStyle |= RBBS_USECHEVRON;
    }
    item.hwndChild = band.window;
    item.wID = band.id;
    LONG minX = (info.dwMask & DBIM_MINSIZE) ? info.ptMinSize.x : 0;
    LONG minY = (info.dwMask & DBIM_MINSIZE) ? info.ptMinSize.y : 24;
    item.cxMinChild = minX > 0 ? static_cast<UINT>(minX) : 0;
    item.cyMinChild = minY > 0 ? static_cast<UINT>(minY) : 24;
    item.cyChild = item.cyMinChild;
    LONG maxY = (info.dwMask & DBIM_MAXSIZE) ? info.ptMaxSize.y : -1;
    item.cyMaxChild = maxY > 0 ? static_cast<UINT>(maxY) : item.cyMinChild;
    LONG integral = (info.dwMask & DBIM_INTEGRAL) ? info.ptIntegral.y : 1;
    item.cyIntegral = integral > 0 ? static_cast<UINT>(integral) : 1;
    LONG actual = (info.dwMask & DBIM_ACTUAL) ? info.ptActual.x : minX;
    item.cx = actual > 0 ? static_cast<UINT>(actual) : 200;
    item.cxIdeal = item.cx;
    if ((info.dwMask & DBIM_TITLE) && info.wszTitle[0]) {
        item.fMask |= RBBIM_TEXT;
        item.lpText = const_cast<LPWSTR>(info.wszTitle);
    }
    if (!SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item)))
        TranscriptWrite(L"band %ls: rebar refused the band", band.clsidText.c_str());
}

bool CBandHost::Show(const CLSID& clsid, bool show)
{
    for (Band& band : bands) {
        if (band.clsid != clsid)
            continue;
        int index = static_cast<int>(SendMessageW(rebar, RB_IDTOINDEX, band.id, 0));
        if (index >= 0)
            SendMessageW(rebar, RB_SHOWBAND, static_cast<WPARAM>(index), show ? TRUE : FALSE);
        HRESULT hr = band.band->ShowDW(show ? TRUE : FALSE);
        TranscriptWrite(L"band %ls ShowDW(%ls) hr=0x%08lX", band.clsidText.c_str(),
                        show ? L"TRUE" : L"FALSE", hr);
        return true;
    }
    return false;
}

void CBandHost::CloseAll()
{
    std::vector<Band> old;
    old.swap(bands);
    for (Band& band : old) {
        HRESULT hr = band.band->ShowDW(FALSE);
        TranscriptWrite(L"band %ls ShowDW(FALSE) hr=0x%08lX", band.clsidText.c_str(), hr);
        hr = band.band->CloseDW(0);
        TranscriptWrite(L"band %ls CloseDW hr=0x%08lX", band.clsidText.c_str(), hr);
        int index = static_cast<int>(SendMessageW(rebar, RB_IDTOINDEX, band.id, 0));
        if (index >= 0)
            SendMessageW(rebar, RB_DELETEBAND, static_cast<WPARAM>(index), 0);
        hr = band.withSite->SetSite(nullptr);
        TranscriptWrite(L"band %ls SetSite(NULL) hr=0x%08lX", band.clsidText.c_str(), hr);
        band.band->Release();
        ULONG left = band.withSite->Release();
        TranscriptWrite(L"band %ls released (references left %lu)", band.clsidText.c_str(), left);
    }
}
