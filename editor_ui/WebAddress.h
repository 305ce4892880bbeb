// The camera address the camera dialog opens in a web browser: a host name, a dotted IPv4
// address or an IPv6 address in brackets, each with an optional ":port" (1 to 65535). The
// address is handed to a program as its argument, so anything else (blanks, a scheme, a
// path, a leading '-') is refused.
//
// Thread-safety: a pure function.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

KITROSTER_API bool IsBrowsableAddress(const CString& address);

}  // namespace NResourceItem
