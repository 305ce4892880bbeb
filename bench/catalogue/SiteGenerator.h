// A generated site catalogue for benchmarks: servers, IP cameras, video assemblies that
// reference one server and one or two cameras, and rooms that list several assemblies,
// written as resource files into a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kitroster::bench {

struct GeneratedSite {
    std::vector<std::string> servers;
    std::vector<std::string> cameras;
    std::vector<std::string> assemblies;
    std::vector<std::string> rooms;
    size_t total() const {
        return servers.size() + cameras.size() + assemblies.size() + rooms.size();
    }
};

// Writes `count` resource files into `folder` (created if missing) through the catalogue's
// Env: 10% servers, 40% cameras, 40% assemblies, 10% rooms, deterministic for a seed.
// Returns the identifiers by kind. Aborts the process when a file cannot be written.
GeneratedSite GenerateSite(const std::string& folder, size_t count, uint32_t seed);

}  // namespace kitroster::bench
