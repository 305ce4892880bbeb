// Resolves a video assembly of a catalogue through the installed library and prints what a
// recording program would connect to.
//
//   resolve-assembly SETTINGS_ROOT REGISTRY_FILE ASSEMBLY
//
// Exit codes: 0 the name resolved to a video assembly with a server; 1 it did not; 2 usage.
#include <cstdio>

#include "base/CString.h"
#include "catalogue/CatalogueContext.h"
#include "platform/registry/Registry.h"
#include "video/VideoResHelper.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SETTINGS_ROOT REGISTRY_FILE ASSEMBLY\n", argv[0]);
        return 2;
    }
    kitroster::CRegistry::SetMachineLocation(argv[2]);
    NResourceItem::SetSettingsRootOverride(CString(argv[1]));

    const NResourceItem::CVideoResHelperContext context;  // no local host, cached, cookie 1
    const NResourceItem::CVideoResHelper helper(CString(argv[3]), context);
    std::printf("name\t%s\nserver\t%s\nresVideo\t%s\nresCamera\t%s\nresCamera2\t%s\ntype\t%s\n",
                argv[3], helper.getServer().GetString(), helper.getResVideo().GetString(),
                helper.getResCamera().GetString(), helper.getResCamera2().GetString(),
                helper.getType().GetString());
    if (!helper.isAssyVideo() || !helper.isServerValid()) {
        std::fprintf(stderr, "%s did not resolve to a video assembly with a server\n", argv[3]);
        return 1;
    }
    return 0;
}
