#include "Events.h"

#include <exdispid.h>
#include <cwchar>

#include "EventPoint.h"
#include "Transcript.h"

std::wstring HexBytes(const BYTE* data, size_t size)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 3);
    for (size_t i = 0; i < size; ++i) {
        if (i)
            text += L' ';
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

std::wstring Escaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'\r': out += L"\\r"; break;
        case L'\n': out += L"\\n"; break;
        case L'\t': out += L"\\t"; break;
        case L'\\': out += L"\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

// A VARIANT holding a BSTR copy of text (VT_BSTR, also for an empty text).
void SetBstr(VARIANT& v, const std::wstring& text)
{
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetByRefVariant(VARIANTARG& arg, VARIANT* inner)
{
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    arg.pvarVal = inner;
}

void SetDispatch(VARIANTARG& arg, IDispatch* dispatch)
{
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = dispatch;  // not counted: the caller keeps it alive for the call
}

// Two-argument events: (dispatch, URL) with URL as VT_BYREF|VT_VARIANT.
void FireDispatchUrl(CEventPoint* point, DISPID dispid, const wchar_t* event, IDispatch* dispatch,
                     const std::wstring& name, const std::wstring& url)
{
    VARIANT vUrl;
    SetBstr(vUrl, url);
    VARIANTARG args[2];
    SetByRefVariant(args[0], &vUrl);
    SetDispatch(args[1], dispatch);
    DISPPARAMS params = {args, nullptr, 2, 0};
    TranscriptWrite(L"event %ls disp=%ls url=%ls sinks=%d", event, name.c_str(), url.c_str(),
                    point ? point->SinkCount() : 0);
    if (point)
        point->Fire(dispid, &params);
    VariantClear(&vUrl);
}

}  // namespace

bool FireBeforeNavigate2(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                         const NavigationRequest& request)
{
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    SetBstr(vUrl, request.url);
    VariantInit(&vFlags);
    vFlags.vt = VT_I4;
    vFlags.lVal = request.flags;
    SetBstr(vTarget, request.target);
    VariantInit(&vPost);
    if (request.hasPost) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(request.post.size()));
        if (array) {
            void* data = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
                if (!request.post.empty())
                    memcpy(data, request.post.data(), request.post.size());
                SafeArrayUnaccessData(array);
            }
            vPost.vt = VT_ARRAY | VT_UI1;
            vPost.parray = array;
        }
    }
    SetBstr(vHeaders, request.headers);
    VARIANT_BOOL cancel = VARIANT_FALSE;

    // Reverse order: rgvarg[0] is the last argument (Cancel), rgvarg[6] the first (pDisp).
    VARIANTARG args[7];
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    SetByRefVariant(args[1], &vHeaders);
    SetByRefVariant(args[2], &vPost);
    SetByRefVariant(args[3], &vTarget);
    SetByRefVariant(args[4], &vFlags);
    SetByRefVariant(args[5], &vUrl);
    SetDispatch(args[6], dispatch);
    DISPPARAMS params = {args, nullptr, 7, 0};
    // Written before the call, so that whatever the sinks do inside it follows in the transcript.
    std::wstring post = request.hasPost ? HexBytes(request.post.data(), request.post.size())
                                        : std::wstring(L"(none)");
    TranscriptWrite(L"event BeforeNavigate2 disp=%ls url=%ls flags=%ld target=%ls post=[%ls] "
                    L"headers=[%ls]",
                    name.c_str(), request.url.c_str(), request.flags, request.target.c_str(),
                    post.c_str(), Escaped(request.headers).c_str());
    int sinks = point ? point->Fire(DISPID_BEFORENAVIGATE2, &params) : 0;
    bool cancelled = cancel != VARIANT_FALSE;
    TranscriptWrite(L"event BeforeNavigate2 returned disp=%ls sinks=%d cancel=%d", name.c_str(),
                    sinks, cancelled ? 1 : 0);
    VariantClear(&vHeaders);
    VariantClear(&vPost);
    VariantClear(&vTarget);
    VariantClear(&vFlags);
    VariantClear(&vUrl);
    return cancelled;
}

void FireNavigateComplete2(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                           const std::wstring& url)
{
    FireDispatchUrl(point, DISPID_NAVIGATECOMPLETE2, L"NavigateComplete2", dispatch, name, url);
}

void FireDocumentComplete(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                          const std::wstring& url)
{
    FireDispatchUrl(point, DISPID_DOCUMENTCOMPLETE, L"DocumentComplete", dispatch, name, url);
}

bool FireNavigateError(CEventPoint* point, IDispatch* dispatch, const std::wstring& name,
                       const std::wstring& url, const std::wstring& frame, long status)
{
    VARIANT vUrl, vFrame, vStatus;
    SetBstr(vUrl, url);
    SetBstr(vFrame, frame);
    VariantInit(&vStatus);
    vStatus.vt = VT_I4;
    vStatus.lVal = status;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[5];
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    SetByRefVariant(args[1], &vStatus);
    SetByRefVariant(args[2], &vFrame);
    SetByRefVariant(args[3], &vUrl);
    SetDispatch(args[4], dispatch);
    DISPPARAMS params = {args, nullptr, 5, 0};
    int sinks = point ? point->Fire(DISPID_NAVIGATEERROR, &params) : 0;
    TranscriptWrite(L"event NavigateError disp=%ls url=%ls status=%ld sinks=%d cancel=%d",
                    name.c_str(), url.c_str(), status, sinks, cancel ? 1 : 0);
    VariantClear(&vStatus);
    VariantClear(&vFrame);
    VariantClear(&vUrl);
    return cancel != VARIANT_FALSE;
}

bool FireNewWindow2(CEventPoint* point, const std::wstring& name)
{
    IDispatch* newWindow = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    VariantInit(&args[1]);
    args[1].vt = VT_BYREF | VT_DISPATCH;
    args[1].ppdispVal = &newWindow;
    DISPPARAMS params = {args, nullptr, 2, 0};
    int sinks = point ? point->Fire(DISPID_NEWWINDOW2, &params) : 0;
    TranscriptWrite(L"event NewWindow2 from=%ls sinks=%d cancel=%d", name.c_str(), sinks,
                    cancel ? 1 : 0);
    // A sink may hand back a window of its own; this browser always opens its own tab.
    if (newWindow)
        newWindow->Release();
    return cancel != VARIANT_FALSE;
}

void FireWindowStateChanged(CEventPoint* point, const std::wstring& name, long flags, long mask)
{
    VARIANTARG args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_I4;
    args[0].lVal = mask;
    VariantInit(&args[1]);
    args[1].vt = VT_I4;
    args[1].lVal = flags;
    DISPPARAMS params = {args, nullptr, 2, 0};
    TranscriptWrite(L"event WindowStateChanged disp=%ls flags=%ld mask=%ld sinks=%d", name.c_str(),
                    flags, mask, point ? point->SinkCount() : 0);
    if (point)
        point->Fire(DISPID_WINDOWSTATECHANGED, &params);
}
