// The site health check: what is broken in the catalogue before a recording fails. One
// plain function reads a loaded collection (and the catalogue folder through the Env) and
// returns every finding, each kind in its own list; the caller renders them.
//
// The checks reuse the catalogue's own readings: the room check is the room editor's
// linked resource check (ReadRoomSelection + CheckRoomLinks), references are those of
// ListReferences, identifiers follow IsSafeResourceId, stored passwords are opened with
// DecryptPassword. The check reads the catalogue only; with `fixTempFiles` it removes the
// stale temporary files of interrupted saves, and with `finishRenames` it finishes
// half-done renames in the collection (the caller saves it); nothing else.
//
// Thread-safety: as safe as the collection passed in (one thread at a time); the pings run
// on helper threads that call only the application object's ping.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/queries/UnfinishedRename.h"

namespace kitroster {
class Env;
}

namespace NResourceItem {

// A file of the catalogue folder that gave no usable resource: skipped by Load (another
// schema, unreadable, no identifier), loaded under an identifier that cannot be a file
// name (Save never writes it), or one of several files holding the same identifier (the
// catalogue shows one). Also the folder itself when it is missing or could not be listed.
struct KITROSTER_API SSkippedFileFinding {
    CString file;
    CString reason;
};

// A room whose linked resource check found errors: the text check-links prints for it and
// the error lines.
struct KITROSTER_API SRoomLinkFinding {
    CString room;
    CString message;
    std::vector<CString> errors;
};

// An assembly link (RES_SERVER, RES_CAMERA, RES_CAMERA2) to a resource that is missing or
// not of the type the assembly editor offers there (SERVER_MPEG4, CAMERA_IP).
struct KITROSTER_API SAssemblyLinkFinding {
    CString assembly;
    CString property;
    CString target;
    bool missing = false;  // else of the wrong type
    CString actualType;    // the target's type when it exists
    CString expectedType;
};

// A reference (ListReferences) to an identifier no resource has.
struct KITROSTER_API SMissingReferenceFinding {
    CString resource;
    CString property;
    CString missing;
};

// Cameras that share an address: IPADDR compared ignoring case and surrounding blanks,
// MAC_ADDR compared by its twelve hex digits (any of '-', ':', '.' as separators, case
// ignored). Empty values and the all-zero MAC the camera editor writes for "unknown" are
// no address.
struct KITROSTER_API SDuplicateAddressFinding {
    CString property;  // "IPADDR" or "MAC_ADDR"
    CString address;   // as the first of the cameras writes it
    std::vector<CString> cameras;
};

// A camera or server whose stored PASSWORD opens to the editor's built-in default.
struct KITROSTER_API SDefaultPasswordFinding {
    CString resource;
    CString type;
};

// A resource whose stored PASSWORD (any type, read as the property bag reads keys) is
// clear text, or sealed text that does not open with this site's key (sealed at another
// site, or damaged): the recording side then logs in with no password. Never the value.
struct KITROSTER_API SPasswordProblemFinding {
    CString resource;
    CString type;
    bool clear = false;  // else it does not open
};

// A temporary file of an interrupted save (".~<file>.<pid>.<n>.<8 hex>.tmp") older than
// an hour.
struct KITROSTER_API SStaleTempFileFinding {
    std::string name;
    uint64_t ageSeconds = 0;
    bool removed = false;  // removed by this run (fixTempFiles)
    std::string error;     // why it could not be removed
};

// A camera address (IPADDR) or server machine name (SERVER) that names no host the ping can
// resolve: an unclosed or empty bracket, no host before the port, a port that is no
// number, or text that is neither an address nor a host name ("127.0.0.1 ;rm"). Found by
// the ping check, which pings none of them.
struct KITROSTER_API SMalformedAddressFinding {
    CString resource;
    CString property;  // "IPADDR" or "SERVER"
    CString address;   // as stored
};

// A host that did not answer the ping, with the resources that name it.
struct KITROSTER_API SUnreachableFinding {
    CString host;
    std::vector<CString> resources;
};

struct KITROSTER_API SDoctorReport {
    std::vector<SSkippedFileFinding> skippedFiles;
    std::vector<SRoomLinkFinding> roomLinks;
    std::vector<SAssemblyLinkFinding> assemblyLinks;
    std::vector<SMissingReferenceFinding> missingReferences;
    std::vector<SDuplicateAddressFinding> duplicateAddresses;
    std::vector<CString> emptyServer;  // server identifiers
    std::vector<SDefaultPasswordFinding> defaultPasswords;
    std::vector<SPasswordProblemFinding> passwordProblems;
    std::vector<SStaleTempFileFinding> staleTempFiles;
    std::vector<SMalformedAddressFinding> malformedAddresses;  // only with `ping`
    std::vector<SUnreachableFinding> unreachable;
    // Renames a killed process left half done (FindUnfinishedRenames).
    std::vector<SUnfinishedRename> unfinishedRenames;
    int pingedHosts = 0;  // hosts pinged (with `ping`)

    // True when something is still wrong: any finding, except stale temporary files this
    // run removed and renames this run finished.
    bool HasFindings() const;
};

struct KITROSTER_API SDoctorOptions {
    // Ping every server and camera host.
    bool ping = false;
    // Remove the stale temporary files found.
    bool fixTempFiles = false;
    // Finish the half-done renames found, in the collection; the caller saves it.
    bool finishRenames = false;
    // How long one ping waits for an answer, and how many run at once.
    int pingWaitMs = 5000;
    int maxParallelPings = 32;
    // Called before the pings start with the number of hosts (when there is one), and
    // after each answer with the count so far; from the calling thread only.
    std::function<void(int hosts)> onPingStart;
    std::function<void(int done, int hosts)> onPingProgress;
};

// Temporary files are stale once older than this.
inline constexpr uint64_t kStaleTempFileSeconds = 3600;

// Checks `collection` (loaded from the catalogue folder) and that folder through `env`.
KITROSTER_API SDoctorReport BuildDoctorReport(IKitroster* collection, kitroster::Env* env,
                                              const SDoctorOptions& options);

}  // namespace NResourceItem
