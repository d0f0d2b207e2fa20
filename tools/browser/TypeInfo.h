// The type information of IWebBrowser2 from the system's registered browser type library, used
// for IDispatch of the browser object (the same library marshals the interface across processes).
#pragma once
#include <oaidl.h>

// Not counted for the caller; null when the library is not registered.
ITypeInfo* WebBrowserTypeInfo();
void ReleaseWebBrowserTypeInfo();
