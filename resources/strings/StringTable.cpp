#include "resources/strings/StringTable.h"

#include <array>
#include <cstdarg>

namespace {

// Index 0 is unused so that the entry number is the index.
constexpr std::array<const char*, IDS_LAST + 1> kStrings = {
    nullptr,
    /* 1 */ "Are you sure you want to delete resouce '%s'?",
    /* 2 */ "Delete Resource",
    /* 3 */ "Invalid Entry",
    /* 4 */ "Invalid character detected for '%s'. Entry cannot include '{', '}' characters.",
    /* 5 */
    "This resource id '%s' already exists. Please enter a unique name for this new "
    "resource.",
    /* 6 */ "Close",
    /* 7 */ "Resource Properties",
    /* 8 */ "Resource ID cannot be empty!",
    /* 9 */ "Resource ID must only use characters A-Z and 0-9!",
    /* 10 */ "Reload Resource List",
    /* 11 */ "Changes you have made to your list will be lost. Do you wish to continue?",
    /* 12 */ "Room Video Resource Check",
    /* 13 */ "The following linked resource errors were detected:\n%s",
    /* 14 */ "Linked resources appear to be OK!",
    /* 15 */ "No video assemblies have been assigned to this room resource!",
    /* 16 */ "The resource name '%s' already exists!",
    /* 17 */ "Duplicate name detected",
    /* 18 */ "Save Resources",
    /* 19 */ "Your changes could not be saved to '%s'.",
    /* 20 */ "Exit Resource Manager",
    /* 21 */ "Do you wish to discard your changes and exit now?",
    /* 22 */ "Password confirmation failed. Please check your password and try again.",
    /* 23 */ "Password Confirmation",
    /* 24 */ "Password Invalid",
    /* 25 */ "Password confirmation entry does not match password entry!",
    /* 26 */ "Password cannot be empty!",
    /* 27 */ "%s - %s",
    /* 28 */ "Invalid Filter",
    /* 29 */
    "A filter cannot be empty. You must specify at least one resource type or a "
    "non-empty resource search string.",
    /* 30 */ "Duplicate Camera Detected",
    /* 31 */
    "Camera resource %s has been specified for both primary and secondary cameras. "
    "Do you really wish to save this configuration?",
    /* 32 */ "Resource Dependencies",
    /* 33 */ "No other resources appear to depend on %s.",
    /* 34 */ "Resource Search",
    /* 35 */
    "No resources found to have configuration properties matching the specified "
    "criteria: '%s'.",
    /* 36 */ "Viewing %d out of %d resources",
    /* 37 */ "All %d resources are hidden from view",
    /* 38 */ "Viewing all %d resources",
    /* 39 */ "Resource Dependency Results",
    /* 40 */ "Resource Configuration Search Results",
    /* 41 */ "Resources depending on '%s'",
    /* 42 */ "Resources matching %s",
    /* 43 */ "Empty Room Resource",
    /* 44 */
    "A room resource cannot be empty. Please include a video assembly, or select the "
    "'Include an explicit (local) resource' option.",
    /* 45 */
    "Explict (local) video resource present. No video assemblies have been assigned "
    "to this room resource.",
    /* 46 */ "Browse Web Page",
    /* 47 */ "Launch your web browser to connect to %s at %s?",
};

}  // namespace

CString LoadResString(unsigned id) {
    if (id < IDS_FIRST || id > IDS_LAST)
        return CString();
    return CString(kStrings[id]);
}

CString FormatResString(unsigned id, ...) {
    if (id < IDS_FIRST || id > IDS_LAST)
        return CString();
    CString text;
    va_list args;
    va_start(args, id);
    text.FormatV(kStrings[id], args);
    va_end(args);
    return text;
}
