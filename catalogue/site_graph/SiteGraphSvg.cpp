#include "catalogue/site_graph/SiteGraphSvg.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"

namespace NResourceItem {
namespace {

constexpr uint64_t kMaxSvgBytes = 256u << 20;

CString Message(const std::string& what, const kitroster::EnvStatus& status) {
    return CString((what + ": " + status.ToString()).c_str());
}

// An empty file made exclusively under a fresh random name, so that nothing planted under a
// guessable name is written through.
kitroster::EnvStatus CreateTempFile(kitroster::Env* env, const std::string& folder,
                                    const char* suffix, std::string* path) {
    kitroster::Guid guid;
    kitroster::EnvStatus status = env->CreateGuid(&guid);
    if (!status.ok())
        return status;
    std::string name = "kitroster-graph-";
    char hex[3];
    for (uint8_t byte : guid.bytes) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        name += hex;
    }
    *path = folder + "/" + name + suffix;
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessWrite;
    options.disposition = kitroster::FileDisposition::kCreateNew;
    std::unique_ptr<kitroster::IFile> file;
    status = env->OpenFile(*path, options, &file);
    if (status.ok())
        status = file->Close();
    return status;
}

// Removes the temporary files however the drawing ends.
class CTempFiles {
  public:
    explicit CTempFiles(kitroster::Env* env) : m_env(env) {}
    ~CTempFiles() {
        for (const std::string& path : m_paths)
            m_env->DeleteFile(path);
    }
    CTempFiles(const CTempFiles&) = delete;
    CTempFiles& operator=(const CTempFiles&) = delete;

    kitroster::EnvStatus Create(const std::string& folder, const char* suffix, std::string* path) {
        kitroster::EnvStatus status = CreateTempFile(m_env, folder, suffix, path);
        if (status.ok())
            m_paths.push_back(*path);
        return status;
    }

  private:
    kitroster::Env* m_env;
    std::vector<std::string> m_paths;
};

}  // namespace

bool RenderDotAsSvg(const std::string& dot, const std::string& tempFolder, std::string* svg,
                    CString* error, kitroster::IProcessLauncher& launcher) {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    CTempFiles temp(env);
    std::string dotPath, svgPath, nativeDot, nativeSvg;
    kitroster::EnvStatus status = temp.Create(tempFolder, ".dot", &dotPath);
    if (status.ok())
        status = temp.Create(tempFolder, ".svg", &svgPath);
    if (status.ok())
        status = env->WriteStringToFile(dotPath, dot);
    if (status.ok())
        status = env->ToNativePath(dotPath, &nativeDot);
    if (status.ok())
        status = env->ToNativePath(svgPath, &nativeSvg);
    if (!status.ok()) {
        *error = Message("cannot write a temporary file", status);
        return false;
    }

    // The program starts in "/", so it is given absolute paths only.
    const kitroster::ProcessOutcome outcome =
        launcher.Run({{"dot", "-Tsvg", "-o", nativeSvg, nativeDot}, std::nullopt});
    if (!outcome.started) {
        if (outcome.systemError == kitroster::kErrorFileNotFound)
            *error =
                "cannot draw SVG: Graphviz's 'dot' program is not installed (install the "
                "graphviz package, or use --format dot)";
        else
            error->Format("cannot start Graphviz's 'dot' program (system error %u)",
                          static_cast<unsigned>(outcome.systemError));
        return false;
    }
    if (outcome.exitCode != 0) {
        error->Format("Graphviz's 'dot' program failed (exit code %u)",
                      static_cast<unsigned>(outcome.exitCode));
        return false;
    }
    status = kitroster::ReadFileWhole(env, svgPath, kMaxSvgBytes, svg);
    if (!status.ok()) {
        *error = Message("cannot read the drawing", status);
        return false;
    }
    return true;
}

}  // namespace NResourceItem
