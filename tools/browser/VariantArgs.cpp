#include "VariantArgs.h"

#include <oleauto.h>

const VARIANT* DerefVariant(const VARIANT* v)
{
    int depth = 0;
    while (v && v->vt == (VT_BYREF | VT_VARIANT) && depth++ < 8)
        v = v->pvarVal;
    return v;
}

bool VariantIsMissing(const VARIANT* v)
{
    v = DerefVariant(v);
    return !v || v->vt == VT_EMPTY || v->vt == VT_NULL || v->vt == VT_ERROR;
}

std::wstring VariantText(const VARIANT* v)
{
    v = DerefVariant(v);
    if (VariantIsMissing(v))
        return std::wstring();
    if (v->vt == VT_BSTR)
        return v->bstrVal ? std::wstring(v->bstrVal, SysStringLen(v->bstrVal)) : std::wstring();
    if (v->vt == (VT_BYREF | VT_BSTR))
        return v->pbstrVal && *v->pbstrVal ? std::wstring(*v->pbstrVal, SysStringLen(*v->pbstrVal))
                                           : std::wstring();
    VARIANT copy;
    VariantInit(&copy);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_BSTR)) && copy.bstrVal)
        text.assign(copy.bstrVal, SysStringLen(copy.bstrVal));
    VariantClear(&copy);
    return text;
}

long VariantLong(const VARIANT* v, long fallback)
{
    v = DerefVariant(v);
    if (VariantIsMissing(v))
        return fallback;
    VARIANT copy;
    VariantInit(&copy);
    long value = fallback;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_I4)))
        value = copy.lVal;
    VariantClear(&copy);
    return value;
}

bool VariantBool(const VARIANT* v, bool fallback)
{
    v = DerefVariant(v);
    if (VariantIsMissing(v))
        return fallback;
    VARIANT copy;
    VariantInit(&copy);
    bool value = fallback;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_BOOL)))
        value = copy.boolVal != VARIANT_FALSE;
    VariantClear(&copy);
    return value;
}

bool VariantBytes(const VARIANT* v, std::vector<BYTE>& bytes)
{
    bytes.clear();
    v = DerefVariant(v);
    if (!v)
        return false;
    SAFEARRAY* array = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        array = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray)
        array = *v->pparray;
    if (!array || SafeArrayGetDim(array) != 1)
        return false;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return false;
    if (upper < lower)
        return true;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        return false;
    const BYTE* begin = static_cast<const BYTE*>(data);
    bytes.assign(begin, begin + (upper - lower + 1));
    SafeArrayUnaccessData(array);
    return true;
}
