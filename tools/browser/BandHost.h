// The toolbar bands of one frame window: every class listed under
// HKLM "SOFTWARE\Microsoft\Internet Explorer\Toolbar" is created with CoCreateInstance,
// sited, asked for its band information and window, inserted into the rebar and shown; on
// closing each is hidden, closed, unsited and released.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <shobjidl.h>
#include <string>
#include <vector>

class CBandSite;

class CBandHost {
public:
    CBandHost(HWND rebar, IWebBrowser2* browser);
    ~CBandHost();
    void LoadAll();
    void CloseAll();
    // ShowBrowserBar: shows or hides the band of that class; false when no such band is hosted.
    bool Show(const CLSID& clsid, bool show);
    int Count() const { return static_cast<int>(bands.size()); }

private:
    struct Band {
        CLSID clsid;
        std::wstring clsidText;
        IDeskBand* band;
        IObjectWithSite* withSite;
        HWND window;
        DWORD id;
    };
    void LoadBand(const CLSID& clsid, const std::wstring& text);
    void Insert(Band& band, const DESKBANDINFO& info);

    HWND rebar;
    CBandSite* site;
    std::vector<Band> bands;
    DWORD nextId = 0;
};
