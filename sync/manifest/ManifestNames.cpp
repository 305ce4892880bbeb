#include "sync/manifest/ManifestNames.h"

#include "common/SplitPath.h"

namespace {

std::string WithExtension(const SplitPath& path, const char* extension) {
    return SplitPath(path.GetFolder(), path.GetTitle(), extension).GetFullPath().GetString();
}

}  // namespace

ManifestNames DeriveManifestNames(const std::string& path) {
    SplitPath split(path.c_str());
    ManifestNames names;
    names.folder = split.GetFolder().IsEmpty() ? std::string(".") : split.GetFolder().GetString();
    names.main = WithExtension(split, "mfs");
    names.backup = WithExtension(split, "mf2");
    names.temporary = WithExtension(split, "mfp");
    names.link = WithExtension(split, "mfl");
    names.recovery = WithExtension(split, "mfr");
    names.lock = WithExtension(split, "mfk");
    return names;
}

std::string ManifestMainName(const std::string& path) {
    return DeriveManifestNames(path).main;
}
