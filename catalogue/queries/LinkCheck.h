// The linked resource check of a room: follows every assembly of the room to its video
// server and primary camera, and every server whose "SERVER" names another resource to
// that resource, and reports each broken link as a line of text. The room editor shows the
// result in a message box; the tool's "check-links" prints it.
//
// The check reads the catalogue only. A chain of references that loops is cut off: one
// assembly's check makes at most CLinkChecker::kMaxCalls link checks.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/queries/RoomAssemblies.h"

namespace NResourceItem {

class IResPropertyBag;
struct SAssemblyLinkCheck;

// Appends `msg` to `out` as a new line; an empty `msg` adds nothing.
KITROSTER_API void AppendError(const CString& msg, CString& out);

class KITROSTER_API CLinkChecker {
  public:
    static constexpr int kMaxCalls = 10;

    // `collection` must outlive the checker; a null one knows no resource.
    explicit CLinkChecker(IKitroster* collection) : m_collection(collection) {}

    // Starts a fresh allowance of kMaxCalls checks.
    void ResetCalls() { m_checkCalls = 0; }

    // Checks that `id` is a resource of exactly `type` and that what it refers to is sound.
    // True when it found an error; the error lines are appended to `out` (AppendError),
    // except the recursion notice, which is appended to `out` as it is.
    bool CheckLink(const CString& id, const CString& type, CString& out);

    // CheckLink of `id` as an assembly, with what it finds about the assembly itself in
    // `parts.assembly` and the lines about its server and camera links apart.
    bool CheckAssembly(const CString& id, SAssemblyLinkCheck& parts);

  private:
    bool _check(const CString& id, const CString& type, CString& out, SAssemblyLinkCheck* parts);
    bool _check_assembly(IResPropertyBag* bag, const CString& id, CString& msg,
                         SAssemblyLinkCheck* parts);
    bool _check_server(IResPropertyBag* bag, const CString& id, CString& msg);

    IKitroster* m_collection;
    int m_checkCalls = 0;
};

struct KITROSTER_API SLinkCheckResult {
    CString errors;  // the error lines; empty when every link is sound
    int count = 0;   // assemblies checked plus missing identifiers reported
};

// Checks every assembly of `selected` in set order, each with a fresh call allowance, then
// reports every identifier of `missing` as "%s does not exist". A null collection gives an
// empty result: without a catalogue the room editor runs no check.
KITROSTER_API SLinkCheckResult CheckRoomLinks(IKitroster* collection,
                                              const CIdentifierSet& selected,
                                              const CIdentifierSet& missing);

// One assembly's check taken apart by link, so that each problem can be shown on the link
// it concerns. Each part holds error lines as the room check prints them; empty when sound.
struct KITROSTER_API SAssemblyLinkCheck {
    CString assembly;  // the assembly itself: missing, or not of type ASSY_VIDEO
    CString server;    // its "RES_SERVER" link and what that server redirects to
    CString camera;    // its "RES_CAMERA" link
};

// The room check of the one assembly `id`, with a fresh call allowance.
KITROSTER_API SAssemblyLinkCheck CheckAssemblyLinks(IKitroster* collection, const CString& id);

// The problems the check finds with the redirection of server `id` (its "SERVER" naming
// another resource), as it finds them when an assembly leads it there. Empty when sound, and
// for a resource that is not a server of type SERVER_MPEG4, whose redirection the check
// never follows.
KITROSTER_API CString CheckServerRedirect(IKitroster* collection, const CString& id);

// How the dialog layer shows an icon is its own business.
enum class ELinkCheckIcon { Warning, Information };

struct KITROSTER_API SLinkCheckMessage {
    unsigned captionId = 0;  // string-table entry of the caption
    unsigned messageId = 0;  // string-table entry of the text
    CString caption;
    CString text;
    ELinkCheckIcon icon = ELinkCheckIcon::Information;
    bool showWhenSilent = false;  // errors are shown even by the check run on opening
};

// The message box for a check result: the errors with a warning, else with information
// that the links look sound, or that the room has no assembly (the local resource present
// or not).
KITROSTER_API SLinkCheckMessage LinkCheckMessage(const SLinkCheckResult& result, bool includeLocal);

}  // namespace NResourceItem
