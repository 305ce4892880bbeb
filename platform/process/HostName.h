// The host-name grammar a host must match before it is formatted into a command line:
// an RFC 1123 host name (labels of 1 to 63 letters, digits and hyphens, not beginning or
// ending with a hyphen, separated by dots, at most 253 characters, one trailing dot
// allowed), a dotted IPv4 address, or an IPv6 address (optionally in brackets). Anything
// else, a blank, a quote, a backslash, a leading '-' that a program would take for an
// option, is refused.
#pragma once

#include <string>

#include "platform/process/CommandLine.h"

namespace kitroster {

KR_PROCESS_API bool IsValidHostName(const std::string& host);

}  // namespace kitroster
