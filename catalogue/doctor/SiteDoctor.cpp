#include "catalogue/doctor/SiteDoctor.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceType.h"
#include "catalogue/doctor/HostPing.h"
#include "catalogue/doctor/StaleTempFiles.h"
#include "catalogue/queries/DefaultPasswords.h"
#include "catalogue/queries/LinkCheck.h"
#include "catalogue/queries/PasswordRule.h"
#include "catalogue/queries/ResourceReferences.h"
#include "catalogue/queries/RoomAssemblies.h"
#include "platform/env/Env.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/zrping/ZRPing.h"

namespace NResourceItem {
namespace {

constexpr const char* kServerType = "SERVER_MPEG4";
constexpr const char* kCameraType = "CAMERA_IP";
constexpr const char* kLocal = "(local)";

// One resource as the checks see it: its type read once, its connectivity parsed once.
struct SResource {
    CZRauto_ptr<IResourceItem> item;
    CString id;
    CString key;           // upper-cased
    CString twoLevelType;  // "ASSY_VIDEO" for "assy_video_x", as FindResourcesOfType reads it
    bool server = false;   // first type component "SERVER", as ListReferences reads it
    CZRauto_ptr<IResPropertyBag> conn;

    CString Get(const char* key) const {
        CString value;
        conn->Get(key, value);
        return value;
    }
};

std::vector<SResource> ReadResources(IKitroster* collection) {
    std::vector<SResource> resources;
    resources.reserve(static_cast<size_t>(collection->Size()));
    for (int i = 0; i < collection->Size(); ++i) {
        SResource resource;
        resource.item = collection->GetItemByIndex(i);
        if (!resource.item)
            continue;
        resource.id = resource.item->get_ID();
        resource.key = resource.id;
        resource.key.MakeUpper();
        CString c1, c2, c3;
        ParseType(resource.item->get_Type(), c1, c2, c3);
        resource.twoLevelType = MakeType(c1, c2, "");
        resource.server = c1.CompareNoCase("SERVER") == 0;
        resource.conn = CResPropertyBagFactory::CreateInstance(resource.item->get_Conn());
        resources.push_back(std::move(resource));
    }
    // Findings come in identifier order (as Save writes files), not in the folder's
    // arbitrary listing order, so that two runs on one site print the same.
    std::sort(resources.begin(), resources.end(),
              [](const SResource& a, const SResource& b) { return a.key < b.key; });
    return resources;
}

std::vector<CString> SplitLines(const CString& text) {
    std::vector<CString> lines;
    int start = 0;
    while (start <= text.GetLength()) {
        int end = text.Find('\n', start);
        if (end < 0)
            end = text.GetLength();
        if (end > start)
            lines.push_back(text.Mid(start, end - start));
        start = end + 1;
    }
    return lines;
}

void CheckFiles(IKitroster* collection, const std::vector<SResource>& resources,
                SDoctorReport* report) {
    for (const SSkippedFile& file : GetSkippedFilesWithReasons(collection))
        report->skippedFiles.push_back({file.name, file.reason});
    for (const SResource& resource : resources) {
        // Two files holding one identifier: the collection keeps one resource, the other
        // file's content is not what the catalogue shows.
        const std::vector<CString> held = GetFilesOf(collection, resource.id);
        if (held.size() > 1) {
            CString reason;
            reason.Format("%d files hold the identifier '%s'; the catalogue shows only one of them",
                          static_cast<int>(held.size()), resource.id.GetString());
            for (const CString& file : held)
                report->skippedFiles.push_back({file, reason});
        }
        if (IsSafeResourceId(resource.id))
            continue;
        CString reason;
        reason.Format(
            "its identifier '%s' cannot be part of a file name: the resource is never saved",
            resource.id.GetString());
        std::vector<CString> files = GetFilesOf(collection, resource.id);
        if (files.empty())
            files.push_back(resource.id);
        for (const CString& file : files)
            report->skippedFiles.push_back({file, reason});
    }
}

void CheckRooms(IKitroster* collection, const std::vector<SResource>& resources,
                SDoctorReport* report) {
    for (const SResource& resource : resources) {
        if (resource.twoLevelType != "ROOM_VIDEO")
            continue;
        const SRoomSelection room = ReadRoomSelection(collection, resource.item->get_Conn());
        const SLinkCheckResult result = CheckRoomLinks(collection, room.selected, room.missing);
        if (result.errors.IsEmpty())
            continue;
        report->roomLinks.push_back({resource.id, LinkCheckMessage(result, room.includeLocal).text,
                                     SplitLines(result.errors)});
    }
}

// The type an assembly link must point to: what the assembly editor offers for it.
const char* ExpectedLinkType(const CString& property) {
    if (property == "RES_SERVER")
        return kServerType;
    if (property == "RES_CAMERA" || property == "RES_CAMERA2")
        return kCameraType;
    return nullptr;
}

void CheckReferences(IKitroster* collection, const std::vector<SResource>& resources,
                     SDoctorReport* report) {
    for (const SResource& resource : resources) {
        const bool assembly = resource.twoLevelType == "ASSY_VIDEO";
        for (const SResourceReference& reference : ListReferences(collection, resource.item)) {
            if (!reference.exists)
                report->missingReferences.push_back(
                    {resource.id, reference.property, reference.target});
            const char* expected = assembly ? ExpectedLinkType(reference.property) : nullptr;
            if (!expected)
                continue;
            SAssemblyLinkFinding link{resource.id,       reference.property, reference.target,
                                      !reference.exists, CString(),          expected};
            if (reference.exists) {
                CZRauto_ptr<IResourceItem> target = collection->GetItemById(reference.target);
                link.actualType = target->get_Type();
                CString c1, c2, c3;
                ParseType(link.actualType, c1, c2, c3);
                if (MakeType(c1, c2, "") == expected)
                    continue;
            }
            report->assemblyLinks.push_back(std::move(link));
        }
    }
}

// The MAC as twelve upper-case hex digits, or the trimmed text upper-cased when it is not
// one; empty for no address (empty, or the all-zero placeholder).
CString MacKey(CString mac) {
    mac.Trim();
    CString digits;
    for (int i = 0; i < mac.GetLength(); ++i) {
        const char ch = mac[i];
        if (ch != '-' && ch != ':' && ch != '.')
            digits += CString::ToUpper(ch);
    }
    const bool hex = digits.GetLength() == 12 && digits.SpanIncluding("0123456789ABCDEF") == digits;
    if (hex && digits == "000000000000")
        return CString();
    return hex ? digits : mac.MakeUpper();
}

CString IpKey(CString ip) {
    ip.Trim();
    return ip.MakeUpper();
}

void CheckAddresses(const std::vector<SResource>& resources, SDoctorReport* report) {
    struct SGroup {
        CString address;
        std::vector<CString> cameras;
    };
    for (const char* property : {"IPADDR", "MAC_ADDR"}) {
        const bool mac = CString(property) == "MAC_ADDR";
        std::map<CString, size_t> byKey;
        std::vector<SGroup> groups;
        for (const SResource& resource : resources) {
            if (resource.twoLevelType != kCameraType)
                continue;
            CString address = resource.Get(property);
            const CString key = mac ? MacKey(address) : IpKey(address);
            if (key.IsEmpty())
                continue;
            const auto [it, added] = byKey.emplace(key, groups.size());
            if (added)
                groups.push_back({address.Trim(), {}});
            groups[it->second].cameras.push_back(resource.id);
        }
        for (SGroup& group : groups)
            if (group.cameras.size() > 1)
                report->duplicateAddresses.push_back(
                    {property, group.address, std::move(group.cameras)});
    }
}

void CheckServersAndPasswords(const std::vector<SResource>& resources, SDoctorReport* report) {
    for (const SResource& resource : resources) {
        const bool camera = resource.twoLevelType == kCameraType;
        if (!camera && !resource.server)
            continue;
        if (resource.server) {
            CString server = resource.Get("SERVER");
            if (server.Trim().IsEmpty())
                report->emptyServer.push_back(resource.id);
        }
        // What the recording side uses is the stored password as it opens; an absent or
        // unopenable one is no default.
        const CString sealed = resource.Get("PASSWORD");
        if (sealed.IsEmpty())
            continue;
        const CString plain = DecryptPassword(sealed);
        if (plain == (camera ? kDefaultCameraPassword : kDefaultServerPassword))
            report->defaultPasswords.push_back({resource.id, resource.item->get_Type()});
    }
}

void CheckStoredPasswords(const std::vector<SResource>& resources, SDoctorReport* report) {
    for (const SResource& resource : resources) {
        const EStoredPassword state = ClassifyPassword(resource.Get(kPasswordKey));
        if (state == EStoredPassword::kClear || state == EStoredPassword::kUnopened)
            report->passwordProblems.push_back(
                {resource.id, resource.item->get_Type(), state == EStoredPassword::kClear});
    }
}

bool IsPort(const CString& text) {
    if (text.IsEmpty() || text.GetLength() > 5)
        return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return std::atoi(text.GetString()) <= 65535;
}

// The host of a trimmed, non-empty camera address: "[v6]:port" and "host:port" lose the
// port; an address with several colons is IPv6 as it stands. False when the address is
// malformed: the host would be empty or no host the ping can resolve, or the port no
// number.
bool CameraHost(const CString& address, CString* host) {
    CString port;
    bool hasPort = false;
    if (address[0] == '[') {
        const int close = address.Find(']');
        if (close < 0)
            return false;
        *host = address.Mid(1, close - 1);
        const CString rest = address.Mid(close + 1);
        hasPort = !rest.IsEmpty();
        if (hasPort && rest[0] != ':')
            return false;
        port = rest.Mid(1);
    } else {
        const int colon = address.Find(':');
        *host = address;
        if (colon >= 0 && address.Find(':', colon + 1) < 0) {
            *host = address.Left(colon);
            port = address.Mid(colon + 1);
            hasPort = true;
        }
    }
    return IsHostWellFormed(host->GetString()) && (!hasPort || IsPort(port));
}

void PingResources(IKitroster* collection, const std::vector<SResource>& resources,
                   const SDoctorOptions& options, SDoctorReport* report) {
    std::map<CString, size_t> byKey;
    std::vector<SUnreachableFinding> hosts;
    auto add = [&](const CString& host, const CString& id) {
        if (host.IsEmpty() || host.CompareNoCase(kLocal) == 0)
            return;
        CString key = host;
        const auto [it, added] = byKey.emplace(key.MakeUpper(), hosts.size());
        if (added)
            hosts.push_back({host, {}});
        hosts[it->second].resources.push_back(id);
    };
    auto malformed = [&](const SResource& resource, const char* property, const CString& text) {
        report->malformedAddresses.push_back({resource.id, property, text});
    };
    for (const SResource& resource : resources) {
        if (resource.twoLevelType == kCameraType) {
            CString address = resource.Get("IPADDR");
            CString host;
            if (address.Trim().IsEmpty() || address.CompareNoCase(kLocal) == 0)
                continue;
            if (CameraHost(address, &host))
                add(host, resource.id);
            else
                malformed(resource, "IPADDR", resource.Get("IPADDR"));
        } else if (resource.server) {
            // A SERVER that names another resource redirects; only a machine name is a host.
            bool redirected = false;
            for (const SResourceReference& reference : ListReferences(collection, resource.item))
                redirected = redirected || reference.property == "SERVER";
            CString server = resource.Get("SERVER");
            server.Trim();
            if (redirected || server.IsEmpty() || server.CompareNoCase(kLocal) == 0)
                continue;
            if (IsHostWellFormed(server.GetString()))
                add(server, resource.id);
            else
                malformed(resource, "SERVER", resource.Get("SERVER"));
        }
    }
    std::vector<std::string> names;
    for (const SUnreachableFinding& host : hosts)
        names.push_back(host.host.str());
    report->pingedHosts = static_cast<int>(names.size());
    if (names.empty())
        return;
    if (options.onPingStart)
        options.onPingStart(static_cast<int>(names.size()));
    const int total = static_cast<int>(names.size());
    const std::vector<bool> reachable =
        PingHosts(names, options.pingWaitMs, options.maxParallelPings, [&](int done) {
            if (options.onPingProgress)
                options.onPingProgress(done, total);
        });
    for (size_t i = 0; i < hosts.size(); ++i)
        if (!reachable[i])
            report->unreachable.push_back(std::move(hosts[i]));
}

}  // namespace

bool SDoctorReport::HasFindings() const {
    for (const SStaleTempFileFinding& file : staleTempFiles)
        if (!file.removed)
            return true;
    for (const SUnfinishedRename& rename : unfinishedRenames)
        if (!rename.finished)
            return true;
    return !skippedFiles.empty() || !roomLinks.empty() || !assemblyLinks.empty() ||
           !missingReferences.empty() || !duplicateAddresses.empty() || !emptyServer.empty() ||
           !defaultPasswords.empty() || !passwordProblems.empty() ||
           !malformedAddresses.empty() || !unreachable.empty();
}

SDoctorReport BuildDoctorReport(IKitroster* collection, kitroster::Env* env,
                                const SDoctorOptions& options) {
    SDoctorReport report;
    if (collection) {
        // First, so that the other checks see the site as the repair leaves it.
        report.unfinishedRenames = FindUnfinishedRenames(collection, env, options.finishRenames);
        const std::vector<SResource> resources = ReadResources(collection);
        CheckFiles(collection, resources, &report);
        CheckRooms(collection, resources, &report);
        CheckReferences(collection, resources, &report);
        CheckAddresses(resources, &report);
        CheckServersAndPasswords(resources, &report);
        CheckStoredPasswords(resources, &report);
        if (options.ping)
            PingResources(collection, resources, options, &report);
    }
    if (env) {
        const CString folder = GetCatalogueFolder();
        // A missing folder loads as an empty catalogue, which is not a healthy site.
        kitroster::FileInfo info;
        const kitroster::EnvStatus found = env->GetFileInfo(folder.str(), &info);
        if ((!found.ok() && (found.error() == kitroster::kErrorFileNotFound ||
                             found.error() == kitroster::kErrorPathNotFound)) ||
            (found.ok() && !info.isDirectory)) {
            report.skippedFiles.push_back({folder, "the catalogue folder does not exist"});
            return report;
        }
        const kitroster::EnvStatus listed = FindStaleTempFiles(env, folder, &report.staleTempFiles);
        if (!listed.ok())
            report.skippedFiles.push_back(
                {folder,
                 CString("the catalogue folder could not be listed: " + listed.ToString())});
        if (options.fixTempFiles)
            RemoveStaleTempFiles(env, folder, &report.staleTempFiles);
    }
    return report;
}

}  // namespace NResourceItem
