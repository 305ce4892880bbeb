// The three names of a manifest: for a path with folder D and base name B, the main file
// D\B.mfs, the backup D\B.mf2 (the previous generation) and the temporary D\B.mfp (the
// next generation while it is written). The writer also uses D\B.mfl, a second name of
// the main file that only exists for the moment it takes to become the backup.
#pragma once

#include <string>

struct ManifestNames {
    std::string folder;  // D, or "." for a bare file name
    std::string main;
    std::string backup;
    std::string temporary;
    std::string link;
    std::string recovery;  // D\B.mfr: the backup copied by a reader before it becomes main
    std::string lock;      // D\B.mfk: the lock of writers and restoring readers, never written
};

ManifestNames DeriveManifestNames(const std::string& path);
// The manifest file name ("B.mfs") for any path with base name B.
std::string ManifestMainName(const std::string& path);
