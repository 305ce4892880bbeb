// doctor: the site health check. The checks are the library's (BuildDoctorReport); this
// file renders the findings as text or as one JSON object.
//
// JSON output, one object whose keys are always all present, each a list (empty when the
// check found nothing):
//   "skippedFiles":       [{"file", "reason"}]       files that gave no usable resource
//   "roomLinks":          [{"room", "message", "errors": [line]}]  the room link check
//   "assemblyLinks":      [{"assembly", "property", "target", "problem": "missing" |
//                           "wrongType", "type" (the target's, null when missing),
//                           "expectedType"}]
//   "missingReferences":  [{"resource", "property", "missing"}]
//   "duplicateAddresses": [{"property": "IPADDR" | "MAC_ADDR", "address", "cameras": [id]}]
//   "emptyServer":        [{"server"}]
//   "defaultPasswords":   [{"resource", "type"}]     never the password itself
//   "passwordProblems":   [{"resource", "type", "problem": "clearText" | "doesNotOpen"}]
//                           a PASSWORD stored in clear, or sealed under another site's
//                           key (or damaged); never the value
//   "staleTempFiles":     [{"file", "ageSeconds", "removed", "error" (when not removed
//                           under --fix)}]
//   "malformedAddresses": [{"resource", "property": "IPADDR" | "SERVER", "address"}]
//                         addresses no host can be read from; only with --ping
//   "unreachable":        [{"host", "resources": [id]}]  only with --ping
//   "unfinishedRenames":  [{"old", "new", "oldReferrers", "newReferrers", "finished"}]
//                         renames a killed process left half done; finished by --fix
// Exit codes: 0 nothing found, 1 a finding (stale files removed and renames finished by
// --fix do not count), 2 usage.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/doctor/SiteDoctor.h"
#include "platform/app/KitrosterApp.h"

namespace kitroster::cli {
namespace {

using namespace NResourceItem;
using Json = nlohmann::ordered_json;

struct SDoctorCommandOptions {
    bool ping = false;
    bool json = false;
    bool fix = false;
};

Json Ids(const std::vector<CString>& ids) {
    Json list = Json::array();
    for (const CString& id : ids)
        list.push_back(ToUtf8(id));
    return list;
}

Json ReportJson(const SDoctorReport& report) {
    Json out = Json::object();
    Json& skipped = out["skippedFiles"] = Json::array();
    for (const auto& file : report.skippedFiles)
        skipped.push_back({{"file", ToUtf8(file.file)}, {"reason", ToUtf8(file.reason)}});
    Json& rooms = out["roomLinks"] = Json::array();
    for (const auto& room : report.roomLinks)
        rooms.push_back({{"room", ToUtf8(room.room)},
                         {"message", ToUtf8(room.message)},
                         {"errors", Ids(room.errors)}});
    Json& links = out["assemblyLinks"] = Json::array();
    for (const auto& link : report.assemblyLinks)
        links.push_back({{"assembly", ToUtf8(link.assembly)},
                         {"property", ToUtf8(link.property)},
                         {"target", ToUtf8(link.target)},
                         {"problem", link.missing ? "missing" : "wrongType"},
                         {"type", link.missing ? Json() : Json(ToUtf8(link.actualType))},
                         {"expectedType", ToUtf8(link.expectedType)}});
    Json& missing = out["missingReferences"] = Json::array();
    for (const auto& reference : report.missingReferences)
        missing.push_back({{"resource", ToUtf8(reference.resource)},
                           {"property", ToUtf8(reference.property)},
                           {"missing", ToUtf8(reference.missing)}});
    Json& duplicates = out["duplicateAddresses"] = Json::array();
    for (const auto& duplicate : report.duplicateAddresses)
        duplicates.push_back({{"property", ToUtf8(duplicate.property)},
                              {"address", ToUtf8(duplicate.address)},
                              {"cameras", Ids(duplicate.cameras)}});
    Json& empty = out["emptyServer"] = Json::array();
    for (const CString& server : report.emptyServer)
        empty.push_back({{"server", ToUtf8(server)}});
    Json& passwords = out["defaultPasswords"] = Json::array();
    for (const auto& password : report.defaultPasswords)
        passwords.push_back(
            {{"resource", ToUtf8(password.resource)}, {"type", ToUtf8(password.type)}});
    Json& problems = out["passwordProblems"] = Json::array();
    for (const auto& password : report.passwordProblems)
        problems.push_back({{"resource", ToUtf8(password.resource)},
                            {"type", ToUtf8(password.type)},
                            {"problem", password.clear ? "clearText" : "doesNotOpen"}});
    Json& temps = out["staleTempFiles"] = Json::array();
    for (const auto& file : report.staleTempFiles) {
        Json entry = {{"file", ToUtf8(CString(file.name))},
                      {"ageSeconds", file.ageSeconds},
                      {"removed", file.removed}};
        if (!file.error.empty())
            entry["error"] = file.error;
        temps.push_back(std::move(entry));
    }
    Json& malformed = out["malformedAddresses"] = Json::array();
    for (const auto& address : report.malformedAddresses)
        malformed.push_back({{"resource", ToUtf8(address.resource)},
                             {"property", ToUtf8(address.property)},
                             {"address", ToUtf8(address.address)}});
    Json& unreachable = out["unreachable"] = Json::array();
    for (const auto& host : report.unreachable)
        unreachable.push_back({{"host", ToUtf8(host.host)}, {"resources", Ids(host.resources)}});
    Json& renames = out["unfinishedRenames"] = Json::array();
    for (const auto& rename : report.unfinishedRenames)
        renames.push_back({{"old", ToUtf8(rename.oldId)},
                           {"new", ToUtf8(rename.newId)},
                           {"oldReferrers", rename.oldReferrers},
                           {"newReferrers", rename.newReferrers},
                           {"finished", rename.finished}});
    return out;
}

CString Joined(const std::vector<CString>& ids) {
    CString text;
    for (const CString& id : ids)
        text += (text.IsEmpty() ? "" : ", ") + id;
    return text;
}

// A heading with the number of findings, then one indented line per finding.
class CSection {
  public:
    CSection(const char* title, size_t count) {
        if (count == 0)
            return;
        CString heading;
        heading.Format("%s (%d):", title, static_cast<int>(count));
        PrintLine(heading);
    }
    template <typename... Args>
    void Line(const char* format, Args... args) {
        CString line;
        line.Format(format, args...);
        PrintLine("  " + line);
    }
};

CString AgeText(uint64_t seconds) {
    CString text;
    if (seconds >= 2 * 86400)
        text.Format("%d days", static_cast<int>(seconds / 86400));
    else if (seconds >= 2 * 3600)
        text.Format("%d hours", static_cast<int>(seconds / 3600));
    else
        text.Format("%d minutes", static_cast<int>(seconds / 60));
    return text;
}

void PrintReport(const SDoctorReport& report) {
    CSection skipped("Files that did not load", report.skippedFiles.size());
    for (const auto& file : report.skippedFiles)
        skipped.Line("%s: %s", file.file.GetString(), file.reason.GetString());

    CSection rooms("Rooms with broken links", report.roomLinks.size());
    for (const auto& room : report.roomLinks) {
        rooms.Line("%s:", room.room.GetString());
        // The text check-links prints for the room, one level further in.
        int start = 0;
        const CString& text = room.message;
        while (start <= text.GetLength()) {
            int end = text.Find('\n', start);
            if (end < 0)
                end = text.GetLength();
            rooms.Line("  %s", text.Mid(start, end - start).GetString());
            start = end + 1;
        }
    }

    CSection links("Assemblies with a missing or mistyped server or camera",
                   report.assemblyLinks.size());
    for (const auto& link : report.assemblyLinks) {
        if (link.missing)
            links.Line("%s: %s %s does not exist", link.assembly.GetString(),
                       link.property.GetString(), link.target.GetString());
        else
            links.Line("%s: %s %s is a %s, not a %s", link.assembly.GetString(),
                       link.property.GetString(), link.target.GetString(),
                       link.actualType.GetString(), link.expectedType.GetString());
    }

    CSection missing("References to missing resources", report.missingReferences.size());
    for (const auto& reference : report.missingReferences)
        missing.Line("%s: %s names %s, which does not exist", reference.resource.GetString(),
                     reference.property.GetString(), reference.missing.GetString());

    CSection duplicates("Cameras sharing an address", report.duplicateAddresses.size());
    for (const auto& duplicate : report.duplicateAddresses)
        duplicates.Line("%s %s: %s", duplicate.property.GetString(), duplicate.address.GetString(),
                        Joined(duplicate.cameras).GetString());

    CSection empty("Servers with an empty SERVER (machine name)", report.emptyServer.size());
    for (const CString& server : report.emptyServer)
        empty.Line("%s", server.GetString());

    CSection passwords("Resources with the built-in default password",
                       report.defaultPasswords.size());
    for (const auto& password : report.defaultPasswords)
        passwords.Line("%s (%s)", password.resource.GetString(), password.type.GetString());

    CSection problems("Resources whose PASSWORD is not sealed with this site's key",
                      report.passwordProblems.size());
    for (const auto& password : report.passwordProblems)
        problems.Line("%s (%s): %s", password.resource.GetString(), password.type.GetString(),
                      password.clear ? "stored in clear text"
                                     : "does not open (sealed at another site, or damaged)");

    CSection temps("Temporary files left by interrupted saves", report.staleTempFiles.size());
    for (const auto& file : report.staleTempFiles) {
        const CString age = AgeText(file.ageSeconds);
        if (file.removed)
            temps.Line("%s (%s old): removed", file.name.c_str(), age.GetString());
        else if (!file.error.empty())
            temps.Line("%s (%s old): not removed: %s", file.name.c_str(), age.GetString(),
                       file.error.c_str());
        else
            temps.Line("%s (%s old)", file.name.c_str(), age.GetString());
    }

    CSection malformed("Malformed addresses (not pinged)", report.malformedAddresses.size());
    for (const auto& address : report.malformedAddresses)
        malformed.Line("%s: %s=%s", address.resource.GetString(), address.property.GetString(),
                       address.address.GetString());

    CSection unreachable("Hosts that did not answer", report.unreachable.size());
    for (const auto& host : report.unreachable)
        unreachable.Line("%s: %s", host.host.GetString(), Joined(host.resources).GetString());

    CSection renames("Renames left half done by an interrupted process",
                     report.unfinishedRenames.size());
    for (const auto& rename : report.unfinishedRenames)
        renames.Line("%s to %s: %d resource(s) still refer to %s, %d to %s%s",
                     rename.oldId.GetString(), rename.newId.GetString(), rename.oldReferrers,
                     rename.oldId.GetString(), rename.newReferrers, rename.newId.GetString(),
                     rename.finished ? ": finished" : "");

    if (!report.HasFindings())
        PrintLine("The site is healthy: no findings.");
}

int RunDoctor(const SDoctorCommandOptions& command) {
    // --fix finishes renames and removes files of the catalogue folder: a short session,
    // under the lock, so that no writer is half-way through a save while it does.
    SCatalogue catalogue = LoadCatalogue(/*forChange=*/command.fix);
    if (catalogue.refused != kExitOk)
        return catalogue.refused;
    SDoctorOptions options;
    options.ping = command.ping;
    options.fixTempFiles = command.fix;
    options.finishRenames = command.fix && catalogue.listed;
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    options.onPingStart = [&options](int hosts) {
        CString message;
        message.Format("pinging %d host(s), %d at a time, up to %d s each...", hosts,
                       options.maxParallelPings, options.pingWaitMs / 1000);
        Report(message, kExitOk);
    };
    options.onPingProgress = [terminal](int done, int hosts) {
        // Counting in place only on a terminal; a log gets the start line alone.
        if (!terminal)
            return;
        std::fprintf(stderr, "\r%d of %d answered%s", done, hosts, done == hosts ? "\n" : "");
        std::fflush(stderr);
    };
    SDoctorReport report =
        BuildDoctorReport(catalogue.collection, GetKitrosterApp().GetEnv(), options);
    int saved = kExitOk;
    if (std::any_of(report.unfinishedRenames.begin(), report.unfinishedRenames.end(),
                    [](const SUnfinishedRename& rename) { return rename.finished; })) {
        saved = SaveCatalogue(catalogue);
        for (SUnfinishedRename& rename : report.unfinishedRenames)
            rename.finished = rename.finished && saved == kExitOk;
    }
    if (command.json)
        std::printf("%s\n", ReportJson(report).dump(2).c_str());
    else
        PrintReport(report);
    return report.HasFindings() || !catalogue.clean || saved != kExitOk ? kExitRefused : kExitOk;
}

}  // namespace

void RegisterDoctorCommands(CLI::App& app, SCommandContext& ctx) {
    auto options = std::make_shared<SDoctorCommandOptions>();
    CLI::App* doctor = app.add_subcommand(
        "doctor", "Check the whole site and list what is broken; exit 1 when something is");
    doctor->add_flag("--ping", options->ping,
                     "Also ping every server and camera host (up to 32 at once)");
    doctor->add_flag("--json", options->json, "Print one JSON object with a list per finding");
    doctor->add_flag(
        "--fix", options->fix,
        "Remove the temporary files of interrupted saves older than one hour and finish "
        "renames an interrupted process left half done");
    SetAction(doctor, ctx, [options] { return RunDoctor(*options); });
}

}  // namespace kitroster::cli
