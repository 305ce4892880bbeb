// resolve: what a recording program would connect to for a video name.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "video/VideoResHelper.h"

namespace kitroster::cli {
namespace {

using NResourceItem::CVideoResHelper;
using NResourceItem::CVideoResHelperContext;
using Json = nlohmann::ordered_json;

struct SResolveOptions {
    std::string name;
    std::string host;
    uint32_t cookie = 1;
    bool refresh = false;
    bool json = false;
    bool showPassword = false;
};

// The password is shown only on request; otherwise only whether there is one.
CString PasswordText(const CVideoResHelper& h, bool show) {
    CString password = h.getPassword();
    if (show || password.IsEmpty())
        return password;
    return "(hidden)";
}

void PrintField(const char* label, const CString& value) {
    CString line;
    line.Format("%s\t%s", label, value.GetString());
    PrintLine(line);
}

void PrintFlag(const char* label, bool value) {
    PrintField(label, value ? "yes" : "no");
}

int RunResolve(const SResolveOptions& options) {
    CVideoResHelperContext ctx(FromUtf8(options.host), options.refresh, options.cookie);
    CVideoResHelper h(FromUtf8(options.name), ctx);
    if (options.json) {
        Json object{{"name", ToUtf8(FromUtf8(options.name))},
                    {"server", ToUtf8(h.getServer())},
                    {"decoratedHostName", ToUtf8(h.getDecoratedHostName())},
                    {"resVideo", ToUtf8(h.getResVideo())},
                    {"resCamera", ToUtf8(h.getResCamera())},
                    {"resCamera2", ToUtf8(h.getResCamera2())},
                    {"username", ToUtf8(h.getUsername())},
                    {"hasPassword", !h.getPassword().IsEmpty()}};
        if (options.showPassword)
            object["password"] = ToUtf8(h.getPassword());
        object["type"] = ToUtf8(h.getType());
        object["isResVideo"] = h.isResVideo();
        object["isResCamera"] = h.isResCamera();
        object["isAssyVideo"] = h.isAssyVideo();
        object["isInvalidResource"] = h.isInvalidResource();
        object["isLocalServer"] = h.isLocalServer();
        std::printf("%s\n", object.dump(2).c_str());
        return kExitOk;
    }
    PrintField("name", FromUtf8(options.name));
    PrintField("server", h.getServer());
    PrintField("decoratedHostName", h.getDecoratedHostName());
    PrintField("resVideo", h.getResVideo());
    PrintField("resCamera", h.getResCamera());
    PrintField("resCamera2", h.getResCamera2());
    PrintField("username", h.getUsername());
    PrintField("password", PasswordText(h, options.showPassword));
    PrintField("type", h.getType());
    PrintFlag("isResVideo", h.isResVideo());
    PrintFlag("isResCamera", h.isResCamera());
    PrintFlag("isAssyVideo", h.isAssyVideo());
    PrintFlag("isInvalidResource", h.isInvalidResource());
    PrintFlag("isLocalServer", h.isLocalServer());
    return kExitOk;
}

}  // namespace

void RegisterResolveCommands(CLI::App& app, SCommandContext& ctx) {
    auto options = std::make_shared<SResolveOptions>();
    CLI::App* resolve = app.add_subcommand(
        "resolve",
        "Resolve a video name (resource, \"(local)\", empty, or machine name) to the machine "
        "that serves the video, its login and the resources behind it");
    resolve
        ->add_option("NAME", options->name,
                     "Resource name (optionally with a leading '@'), \"(local)\", \"\" or a "
                     "machine name")
        ->required();
    resolve->add_option("--host", options->host,
                        "The caller's local host: the machine that stands for \"(local)\"");
    resolve->add_option("--cookie", options->cookie, "The caller's context number (default 1)");
    resolve->add_flag("--refresh", options->refresh,
                      "Resolve again and ping unknown machines again instead of using caches");
    resolve->add_flag("--json", options->json, "Print a JSON object");
    resolve->add_flag("--show-password", options->showPassword,
                      "Print the server login's password in plain text");
    SetAction(resolve, ctx, [options] { return RunResolve(*options); });
}

}  // namespace kitroster::cli
