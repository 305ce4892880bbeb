// Path decomposition: every constructor accepts any text, the parts agree with each other,
// the numbered-suffix rules hold, and a path joined from a plain folder and a plain file
// name decomposes back into them. No file-system action is taken.
//
// Input: up to three parts separated by '\n'. One part is a path; two are a folder and a
// file name; three are a folder, a name and an extension.
#include <cstdint>
#include <string>
#include <vector>

#include "common/SplitPath.h"
#include "fuzz/common/FuzzCheck.h"

namespace {

std::vector<std::string> splitParts(const std::string& input) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() < 2) {
        const size_t nl = input.find('\n', start);
        if (nl == std::string::npos)
            break;
        parts.push_back(input.substr(start, nl - start));
        start = nl + 1;
    }
    parts.push_back(input.substr(start));
    return parts;
}

bool startsWith(const CString& text, const CString& prefix) {
    return text.Left(prefix.GetLength()) == prefix;
}

bool endsWith(const CString& text, const CString& suffix) {
    return text.Right(suffix.GetLength()) == suffix;
}

// Only letters, digits, '_' and '-' (and, for folders, separators): text whose meaning
// does not depend on trimming, drives, dots or the UNC form.
bool plain(const std::string& text, bool folder) {
    if (text.empty())
        return false;
    for (char ch : text) {
        const bool ok = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                        (ch >= '0' && ch <= '9') || ch == '_' || ch == '-' ||
                        (folder && (ch == '\\' || ch == '/'));
        if (!ok)
            return false;
    }
    return true;
}

void checkConsistent(SplitPath& path) {
    const CString fileName = path.GetFileName();
    const CString title = path.GetTitle();
    const CString ext = path.GetExtension();
    FUZZ_CHECK(startsWith(fileName, title) && endsWith(fileName, ext),
               "file name '%s' with title '%s' and extension '%s'", fileName.GetString(),
               title.GetString(), ext.GetString());
    FUZZ_CHECK(!startsWith(ext, "."), "extension '%s' keeps a dot", ext.GetString());
    const CString folder = path.GetFolder();
    FUZZ_CHECK(folder.IsEmpty() || (!endsWith(folder, "\\") && !endsWith(folder, "/")) ||
                   folder == path.GetDrive() + "\\" || folder == path.GetDrive() + "/",
               "folder '%s' ends in a separator", folder.GetString());

    const CString server = path.GetServer();
    FUZZ_CHECK(path.IsUNC() == !server.IsEmpty(), "IsUNC %d with server '%s'", path.IsUNC(),
               server.GetString());
    CString upper = server;
    upper.MakeUpper();
    FUZZ_CHECK(upper == server, "server '%s' not upper-case", server.GetString());

    const int suffix = path.GetNumberSuffix();
    const CString base = path.GetBaseName();
    if (path.HasNumberSuffix()) {
        FUZZ_CHECK(suffix >= 0 && suffix <= 9999, "suffix %d of '%s'", suffix, title.GetString());
        FUZZ_CHECK(!base.IsEmpty() && startsWith(title, base + "_"), "base '%s' of title '%s'",
                   base.GetString(), title.GetString());
        FUZZ_CHECK(title.GetLength() - base.GetLength() - 1 <= 4 || title.GetLength() < 6,
                   "suffix of '%s' longer than four characters", title.GetString());
    } else {
        FUZZ_CHECK(suffix == -1 && base.IsEmpty(), "no suffix but %d and base '%s' for '%s'",
                   suffix, base.GetString(), title.GetString());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));
    const std::vector<std::string> parts = splitParts(input);

    if (parts.size() == 1) {
        SplitPath path(parts[0].c_str());
        checkConsistent(path);
        CString trimmed(parts[0].c_str());
        trimmed.Trim();
        FUZZ_CHECK(path.GetFullPath() == trimmed, "full path '%s' of '%s'",
                   path.GetFullPath().GetString(), parts[0].c_str());
        return 0;
    }
    if (parts.size() == 3) {
        SplitPath path(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
        checkConsistent(path);
        return 0;
    }

    SplitPath joined(parts[0].c_str(), parts[1].c_str());
    checkConsistent(joined);
    if (!plain(parts[0], true) || !plain(parts[1], false))
        return 0;
    CString folder(parts[0].c_str());
    folder.TrimRight("\\/");
    const CString expected =
        folder.IsEmpty() ? CString(parts[1].c_str()) : folder + "\\" + parts[1].c_str();
    FUZZ_CHECK(joined.GetFullPath() == expected, "'%s' + '%s' joined as '%s'", parts[0].c_str(),
               parts[1].c_str(), joined.GetFullPath().GetString());
    SplitPath again(joined.GetFullPath());
    FUZZ_CHECK(again.GetFolder() == folder && again.GetFileName() == parts[1].c_str(),
               "'%s' splits into '%s' and '%s'", joined.GetFullPath().GetString(),
               again.GetFolder().GetString(), again.GetFileName().GetString());
    return 0;
}
