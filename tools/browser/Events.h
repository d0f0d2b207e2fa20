// DWebBrowserEvents2 events as the browser sends them: arguments in reverse order in DISPPARAMS,
// by-reference VARIANTs where the browser passes them by reference. Every event is written to the
// transcript with its arguments.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

class CEventPoint;

struct NavigationRequest {
    std::wstring url;
    long flags = 0;
    std::wstring target;
    std::vector<BYTE> post;  // empty: no post data (VT_EMPTY)
    bool hasPost = false;
    std::wstring headers;
};

// Returns true when a sink set cancel. `name` identifies the dispatch object in the transcript.
bool FireBeforeNavigate2(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                         const NavigationRequest& request);
void FireNavigateComplete2(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                           const std::wstring& url);
void FireDocumentComplete(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                          const std::wstring& url);
// Returns true when a sink set cancel.
bool FireNavigateError(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                       const std::wstring& url, const std::wstring& frame, long status);
// Returns true when a sink set cancel (the new window is then not opened).
bool FireNewWindow2(CEventPoint* point, const std::wstring& name);
void FireWindowStateChanged(CEventPoint* point, const std::wstring& name, long flags, long mask);

// "41 42 0D 0A" style, for the transcript.
std::wstring HexBytes(const BYTE* data, size_t size);
// Makes CR, LF, TAB and backslash visible.
std::wstring Escaped(const std::wstring& text);
