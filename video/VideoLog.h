// Logging of the video helper's source files. Every entry names the source as
// "VideoResHelper.cpp" under the component "KITROSTER", whichever file of the helper
// writes it, so that log readers see one source for the helper.
#pragma once

#include "platform/oxb_exception/ZRLogSite.h"

namespace NResourceItem {

// The helper's one logging site.
CZRLogSite& VideoLogSite();

}  // namespace NResourceItem

#define VIDEO_LOG(level, ...) \
    ZR_LOG_AT(::NResourceItem::VideoLogSite(), level, "VideoResHelper.cpp", __LINE__, __VA_ARGS__)
