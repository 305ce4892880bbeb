// The passwords the connectivity editors offer when a resource has none of its own: a
// camera's web login and a video server's account. Sites are told to change them; the
// health check reports resources that still store them.
#pragma once

namespace NResourceItem {

inline constexpr const char* kDefaultCameraPassword = "qerno";
inline constexpr const char* kDefaultServerPassword = "Vid3o+Srv24";

}  // namespace NResourceItem
