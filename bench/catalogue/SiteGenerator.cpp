#include "bench/catalogue/SiteGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"

namespace kitroster::bench {

using NResourceItem::CResourceItemPersistFactory;

namespace {

// A fresh identifier in the catalogue's "prefix + eight hex digits" form, never repeated.
std::string makeId(const char* prefix, std::mt19937& rng, std::set<std::string>& used) {
    for (;;) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%08X", prefix, static_cast<unsigned>(rng()));
        if (used.insert(text).second)
            return text;
    }
}

void writeResource(const std::string& folder, const std::string& id, const char* type,
                   const std::string& name, const std::string& conn, const std::string& caps) {
    Env* env = GetKitrosterApp().GetEnv();
    const std::string text = CResourceItemPersistFactory::FormatResourceText(
        id.c_str(), type, name.c_str(), conn.c_str(), caps.c_str());
    const std::string path = folder + "/" + NResourceItem::ResourceFileName(id.c_str()).str();
    EnvStatus status = env->WriteStringToFile(path, text);
    if (!status.ok()) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), status.ToString().c_str());
        std::abort();
    }
}

}  // namespace

GeneratedSite GenerateSite(const std::string& folder, size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    Env* env = GetKitrosterApp().GetEnv();
    EnvStatus made = env->CreateDirectory(folder);
    if (!made.ok() && made.error() != kErrorAlreadyExists) {
        std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), made.ToString().c_str());
        std::abort();
    }

    GeneratedSite site;
    std::set<std::string> used;
    const size_t servers = count / 10;
    const size_t cameras = count * 4 / 10;
    const size_t assemblies = count * 4 / 10;
    const size_t rooms = count - servers - cameras - assemblies;
    auto pick = [&rng](const std::vector<std::string>& ids) -> const std::string& {
        return ids[rng() % ids.size()];
    };

    for (size_t i = 0; i < servers; ++i) {
        const std::string id = makeId("SRV", rng, used);
        const bool legacy = i % 5 == 0;
        char conn[160];
        std::snprintf(conn, sizeof conn,
                      "IPADDR=10.%u.%u.%u;PORT=%u;USER=recorder;PASSWORD=$1$%08X;",
                      unsigned(i / 65536 % 256), unsigned(i / 256 % 256), unsigned(i % 256),
                      legacy ? 8000u : 554u, static_cast<unsigned>(rng()));
        writeResource(folder, id, legacy ? "SERVER_LEGACY" : "SERVER_MPEG4",
                      "Video server " + std::to_string(i), conn, "MAXSTREAMS=16;ARCHIVE=TRUE;");
        site.servers.push_back(id);
    }
    for (size_t i = 0; i < cameras; ++i) {
        const std::string id = makeId("CAM", rng, used);
        char conn[160];
        std::snprintf(conn, sizeof conn,
                      "IPADDR=172.16.%u.%u;PORT=%u;URL=\"rtsp://cam/stream?a=1;b=2\";",
                      unsigned(i / 256 % 256), unsigned(i % 256), i % 3 == 0 ? 8080u : 80u);
        writeResource(folder, id, "CAMERA_IP", "Bed " + std::to_string(i) + " camera", conn,
                      "PTZ=FALSE;AUDIO=TRUE;");
        site.cameras.push_back(id);
    }
    for (size_t i = 0; i < assemblies; ++i) {
        const std::string id = makeId("ASSY", rng, used);
        std::string conn = "RES_SERVER=" + pick(site.servers) +
                           ";RES_CAMERA=" + pick(site.cameras) +
                           ";RES_CAMERA2=" + (i % 2 ? pick(site.cameras) : std::string()) + ";";
        writeResource(folder, id, "ASSY_VIDEO", "Assembly " + std::to_string(i), conn, "");
        site.assemblies.push_back(id);
    }
    for (size_t i = 0; i < rooms; ++i) {
        const std::string id = makeId("ROOM", rng, used);
        std::string list;
        for (int k = 0; k < 4; ++k)
            list += "|" + pick(site.assemblies);
        writeResource(folder, id, "ROOM_VIDEO", "Monitoring room " + std::to_string(i),
                      "RES_ASSYLIST=" + list + ";ROOM_EXCLUDE_LOCAL=FALSE;", "");
        site.rooms.push_back(id);
    }
    return site;
}

}  // namespace kitroster::bench
