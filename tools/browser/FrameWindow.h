// The browser's frame window: a rebar with the toolbar bands at the top, a tab strip, the
// address line and the page text, and a status bar. One frame has one or more tabs, each a
// top-level browser object; the bands are sited with the frame's first tab.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class CBrowser;
class CBandHost;

class CFrameWindow {
public:
    // Creates the window, its first tab and its bands. Null when the window cannot be created.
    static CFrameWindow* Create(bool visible);
    static const std::vector<CFrameWindow*>& All();
    // Called when the last frame window of the process has been destroyed.
    static void SetLastWindowClosedHandler(void (*handler)());

    HWND Window() const { return window; }
    HWND Rebar() const { return rebar; }
    int Number() const { return number; }
    CBrowser* MainBrowser() const;    // the first tab, with which the bands are sited
    CBrowser* ActiveBrowser() const;
    int TabCount() const { return static_cast<int>(tabs.size()); }
    CBrowser* AddTab();               // new tab, made active; owned by the frame
    void SelectTab(int index);
    bool AnyLoadPending() const;

    // From the browser objects.
    void PostLoad(CBrowser* browser, int serial);
    void PageChanged(CBrowser* browser);
    void CloseBrowser(CBrowser* browser);  // Quit: closes its tab, or the window for the last one
    void SetVisible(bool visible);
    bool Visible() const;
    void SetToolBarVisible(bool visible);
    bool ToolBarVisible() const { return toolBarVisible; }
    void SetStatusBarVisible(bool visible);
    bool StatusBarVisible() const { return statusBarVisible; }
    void SetStatusText(const std::wstring& text);
    void SetResizable(bool resizable);
    bool Resizable() const { return resizable; }
    bool ShowBand(const std::wstring& clsidText, bool show);
    void Layout();

private:
    CFrameWindow();
    ~CFrameWindow();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateChildren();
    void OnClose();
    void OnSizeState(WPARAM kind);
    void UpdateTabStrip();

    HWND window = nullptr;
    HWND rebar = nullptr;
    HWND tabStrip = nullptr;
    HWND addressBox = nullptr;
    HWND pageBox = nullptr;
    HWND statusBar = nullptr;
    HFONT font = nullptr;
    int number = 0;
    std::vector<CBrowser*> tabs;
    int active = 0;
    CBandHost* bands = nullptr;
    bool toolBarVisible = true;
    bool statusBarVisible = true;
    bool resizable = true;
    bool minimised = false;
    bool closing = false;
};
