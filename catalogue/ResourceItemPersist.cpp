#include "catalogue/ResourceItemPersist.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalogue/CatalogueContext.h"
#include "common/SplitPath.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"
#include "platform/oxb_exception/ZRLogSite.h"
#include "platform/treeweave/KeyTree.h"

namespace NResourceItem {

namespace {

CZRLogSite s_log("KITROSTER");

// Keys of a resource file in the order they are written and looked for.
constexpr int kKeyCount = 6;
const char* const kFileKeys[kKeyCount] = {"SCMA", "ID", "TYPE", "NAME", "CONN", "CAPS"};
const char* const kKeyPatterns[kKeyCount] = {"<SCMA>", "<ID>",   "<TYPE>",
                                             "<NAME>", "<CONN>", "<CAPS>"};
constexpr const char* kWhiteSpace = " \t\r\n\v\f";

// The value after the first occurrence of `pattern` in `line`, without leading tabs,
// blanks and '{' and trailing tabs, blanks and '}'.
bool FindValue(const char* line, const char* pattern, CString& value) {
    const char* hit = std::strstr(line, pattern);
    if (!hit)
        return false;
    const char* begin = hit + std::strlen(pattern);
    begin += std::strspn(begin, "\t {");
    const char* end = begin + std::strlen(begin);
    while (end > begin && (end[-1] == '\t' || end[-1] == ' ' || end[-1] == '}'))
        --end;
    value = CString(begin, static_cast<int>(end - begin));
    return true;
}

// Goes through the lines of a resource file (LF or CR LF), each trimmed of white space,
// and gives each line to the first key not yet found that matches it.
template <class GetValue>
void ScanResourceText(std::string_view text, CString (&values)[kKeyCount], bool (&found)[kKeyCount],
                      GetValue getValue) {
    std::string line;
    int remaining = kKeyCount;
    size_t pos = 0;
    while (pos < text.size() && remaining > 0) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t first = raw.find_first_not_of(kWhiteSpace);
        if (first == std::string_view::npos)
            continue;
        raw = raw.substr(first, raw.find_last_not_of(kWhiteSpace) - first + 1);
        line.assign(raw);
        for (int k = 0; k < kKeyCount; ++k) {
            if (!found[k] && getValue(line.c_str(), k, values[k])) {
                found[k] = true;
                --remaining;
                break;
            }
        }
    }
}

// Decimal number from the leading digits (an optional sign first); 0 without digits.
int SchemaNumber(const CString& text) {
    errno = 0;
    const long number = std::strtol(text.GetString(), nullptr, 10);
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

}  // namespace

CResourceItemPersistFactory::CResourceItemPersistFactory() = default;
CResourceItemPersistFactory::CResourceItemPersistFactory(const CResourceItemPersistFactory& other) =
    default;
CResourceItemPersistFactory& CResourceItemPersistFactory::operator=(
    const CResourceItemPersistFactory& other) = default;
CResourceItemPersistFactory::~CResourceItemPersistFactory() = default;

CZRauto_ptr<IResourceItemPersist> CResourceItemPersistFactory::CreateInstance() {
    return CZRauto_ptr<IResourceItemPersist>(new CResourceItemPersistFactory());
}

void CResourceItemPersistFactory::OnZRunknownFinalize() {}

bool CResourceItemPersistFactory::Write(const char* path, CZRauto_ptr<IResourceItem> item) {
    if (!item)
        return false;
    const CString id = item->get_ID();
    if (!IsSafeResourceId(id)) {
        // The identifier names the file: a separator, ".." or a drive would put it
        // somewhere else than the catalogue folder.
        ZR_LOG(s_log, ZRLOG_FAILURE,
               "CResourceItemPersistFactory::Write() refused identifier '%s': it cannot be "
               "part of a file name",
               id.GetString());
        return false;
    }
    CKeyTree* tree = item->AsKeyTree();
    const bool written = _write(path, tree);
    delete tree;
    return written;
}

CZRauto_ptr<IResourceItem> CResourceItemPersistFactory::Read(const char* path, int* schema) {
    CKeyTree* tree = _read(path, schema);
    if (!tree)
        return CZRauto_ptr<IResourceItem>();
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance(tree);
    delete tree;
    return item;
}

std::string CResourceItemPersistFactory::FormatResourceText(const CString& id, const CString& type,
                                                            const CString& name,
                                                            const CString& conn,
                                                            const CString& caps) {
    const CString* values[] = {&id, &type, &name, &conn, &caps};
    std::string text;
    text.reserve(64 + static_cast<size_t>(id.GetLength() + type.GetLength() + name.GetLength() +
                                          conn.GetLength() + caps.GetLength()));
    text += "<SCMA> {" + std::to_string(RES_SCHEMA) + "}\r\n";
    for (int k = 1; k < kKeyCount; ++k) {
        text += kKeyPatterns[k];
        text += " {";
        text += values[k - 1]->GetString();  // C text, as every 8-bit consumer reads it
        text += "}\r\n";
    }
    return text;
}

CZRauto_ptr<IResourceItem> CResourceItemPersistFactory::ParseResourceText(std::string_view text,
                                                                          int* schema) {
    CString values[kKeyCount];
    bool found[kKeyCount] = {};
    ScanResourceText(text, values, found, [](const char* line, int key, CString& value) {
        return FindValue(line, kKeyPatterns[key], value);
    });
    const int number = SchemaNumber(values[0]);
    if (schema)
        *schema = number;
    if (number != RES_SCHEMA)
        return CZRauto_ptr<IResourceItem>();
    auto* item = new CResourceItemFactory();
    CZRauto_ptr<IResourceItem> handle(item);
    item->_load(std::move(values[1]), std::move(values[2]), std::move(values[3]),
                std::move(values[4]), std::move(values[5]));
    return handle;
}

bool CResourceItemPersistFactory::_write(const char* path, CKeyTree* tree) {
    if (!path || !tree)
        return false;
    CString values[kKeyCount - 1];
    for (int k = 1; k < kKeyCount; ++k)
        values[k - 1] = tree->GetAt(kFileKeys[k])->AsCStr(nullptr);
    return WriteResourceText(
        path, FormatResourceText(values[0], values[1], values[2], values[3], values[4]));
}

bool CResourceItemPersistFactory::WriteResourceText(const CString& path, const std::string& text) {
    if (!SplitPath(path).CreateFolder())
        return false;
    const kitroster::EnvStatus status =
        kitroster::WriteFileAtomically(GetKitrosterApp().GetEnv(), path.str(), text);
    if (!status.ok()) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CResourceItemPersistFactory::_write(%s) failed: %s",
               path.GetString(), status.ToString().c_str());
        return false;
    }
    return true;
}

CKeyTree* CResourceItemPersistFactory::_read(const char* path, int* schema) {
    auto* tree = new CKeyTree();
    if (!path)
        return tree;
    std::string text;
    const kitroster::EnvStatus status =
        kitroster::ReadFileWhole(GetKitrosterApp().GetEnv(), path, kMaxResourceFileBytes, &text);
    if (!status.ok()) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CResourceItemPersistFactory::_read(%s) failed: %s", path,
               status.ToString().c_str());
        return tree;  // nothing gathered; the schema stays as the caller preset it
    }
    CString values[kKeyCount];
    bool found[kKeyCount] = {};
    ScanResourceText(text, values, found, [this](const char* line, int key, CString& value) {
        return _get_value(line, kFileKeys[key], value);
    });
    for (int k = 1; k < kKeyCount; ++k) {
        if (found[k]) {
            tree->AddKey(kFileKeys[k], new CLstring(values[k].GetString(), values[k].GetLength()));
        }
    }
    const int number = SchemaNumber(values[0]);
    if (schema)
        *schema = number;
    if (number != RES_SCHEMA) {
        delete tree;
        return nullptr;
    }
    return tree;
}

bool CResourceItemPersistFactory::_get_value(const char* line, const char* key, CString& value) {
    if (!line || !key)
        return false;
    std::string pattern;
    pattern.reserve(std::strlen(key) + 2);
    pattern += '<';
    pattern += key;
    pattern += '>';
    return FindValue(line, pattern.c_str(), value);
}

}  // namespace NResourceItem
