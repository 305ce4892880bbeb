// kitroster-profile: writes the profile edition library's embedded resources to files.
//
//   kitroster-profile export PATH [--resource NAME]   (default resource: the profile database)
//   kitroster-profile version
//
// The library is loaded with dlopen from $KITROSTER_PROFILE_LIB, else from the installed
// <libdir>/kitroster-profile/libKitroster.so relative to this executable, else from the
// build tree's ../profile_edition/libKitroster.so next to it.
#include <CLI/CLI.hpp>

#include <iostream>

#include "apps/StandardOutput.h"
#include "apps/kitroster-profile/ForeignLink.h"
#include "apps/kitroster-profile/ProfileLibrary.h"

using namespace kitroster::profile_cli;

namespace {

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"Writes the embedded resources of the profile edition library to files",
                 "kitroster-profile"};
    app.set_version_flag("--version", "kitroster-profile " KITROSTER_VERSION_TEXT);
    app.require_subcommand(1);
    std::string target;
    std::string resource;
    auto* exportCommand = app.add_subcommand("export", "write a resource to a file (replaced)");
    exportCommand->add_option("path", target, "file to write")->required();
    exportCommand->add_option("--resource", resource,
                              "name of a BINARY resource (default: the profile database)");
    auto* versionCommand = app.add_subcommand("version", "show the library's version and path");
    CLI11_PARSE(app, argc, argv);

    CProfileLibrary library;
    std::string error;
    if (!library.Open(DefaultProfileLibraryPath(), error)) {
        std::cerr << "kitroster-profile: " << error << "\n";
        return 2;
    }
    if (versionCommand->parsed()) {
        std::cout << library.Version() << " " << library.ModulePath() << "\n";
        return 0;
    }
    std::u16string target16;
    std::u16string resource16;
    if (!Utf8ToUtf16(target, target16) || !Utf8ToUtf16(resource, resource16)) {
        std::cerr << "kitroster-profile: the path and resource name must be UTF-8\n";
        return 2;
    }
    const int result = resource.empty()
                           ? library.ExportZEBProfile()(target16.c_str())
                           : library.ExportFileFromResource()(resource16.c_str(), target16.c_str());
    if (result == 0) {
        if (const auto foreign = FindForeignLink(target)) {
            std::cerr << "kitroster-profile: refusing to write through " << *foreign
                      << ": only the caller's own links and root's are followed (the target is "
                         "left as it was)\n";
            return 1;
        }
        std::cerr << "kitroster-profile: cannot export "
                  << (resource.empty() ? std::string("the profile database")
                                       : "resource \"" + resource + "\"")
                  << " to " << target
                  << ": the resource does not exist, or the file cannot be created or written "
                     "in full (the target is left as it was)\n";
        return 1;
    }
    std::cout << "wrote " << target << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return kitroster::apps::FinishStandardOutput("kitroster-profile", RunCommandLine(argc, argv));
}
