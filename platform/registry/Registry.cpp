#include "platform/registry/Registry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <sqlite3.h>

#include "platform/registry/Regedit4.h"
#include "platform/registry/RegistryDb.h"

namespace kitroster {

using registry::CRegistryDb;
using registry::Fold;
using registry::SplitKeyPath;

class CRegistry::Impl {
  public:
    explicit Impl(std::unique_ptr<CRegistryDb> db) : db(std::move(db)) {}
    std::unique_ptr<CRegistryDb> db;
};

namespace {

std::string CutForRead(const std::string& text) {
    return text.size() > CRegistry::kMaxStringRead ? text.substr(0, CRegistry::kMaxStringRead)
                                                   : text;
}

// A text is stored as a C string would be: up to its first NUL.
std::string AsCString(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// What a failure with this SQLite result code means to a caller of LastStatus. A write
// refused because the store may only be read is an answer, not a fault of the store.
RegStatus StatusOf(int code) {
    switch (code & 0xFF) {
        case SQLITE_OK:
        case SQLITE_READONLY:
            return RegStatus::kOk;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return RegStatus::kLocked;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return RegStatus::kDamaged;
        default:
            return RegStatus::kUnavailable;
    }
}

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string CRegistry::DefaultLocation() {
    std::string explicitFile = NonEmptyEnv("KITROSTER_REGISTRY");
    if (!explicitFile.empty())
        return explicitFile;
    if (geteuid() == 0)
        return "/var/lib/kitroster/registry.db";
    std::string state = NonEmptyEnv("XDG_STATE_HOME");
    if (state.empty())
        state = NonEmptyEnv("HOME") + "/.local/state";
    return state + "/kitroster/registry.db";
}

namespace {
std::mutex g_machineMutex;
CRegistry* g_machine = nullptr;  // never destroyed: loggers may read it during exit
}  // namespace

CRegistry& CRegistry::Machine() {
    std::lock_guard<std::mutex> lock(g_machineMutex);
    if (!g_machine)
        g_machine = new CRegistry(DefaultLocation());
    return *g_machine;
}

void CRegistry::SetMachineLocation(const std::string& databaseFile) {
    std::lock_guard<std::mutex> lock(g_machineMutex);
    if (!g_machine) {
        g_machine = new CRegistry(databaseFile);
        return;
    }
    g_machine->_retarget(databaseFile);
}

CRegistry::CRegistry(std::string databaseFile)
    : m_file(std::move(databaseFile)), m_lockWait(std::make_unique<registry::LockWait>()) {
    m_lockWait->seed =
        static_cast<uint32_t>(getpid()) ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
}

CRegistry::~CRegistry() = default;

void CRegistry::_retarget(const std::string& databaseFile) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_impl.reset();
    m_file = databaseFile;
    m_lastError.clear();
    m_openStatus = RegStatus::kOk;
    m_lockWait->waited = {};
    m_lockWait->gaveUp = false;
}

std::string CRegistry::location() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file;
}

CRegistry::Impl* CRegistry::_open() {
    m_lockWait->BeginCall();
    m_openStatus = RegStatus::kOk;
    if (m_impl) {
        m_impl->db->ClearFailure();
        return m_impl.get();
    }
    std::string error;
    int code = SQLITE_OK;
    std::unique_ptr<CRegistryDb> db = CRegistryDb::Open(m_file, m_lockWait.get(), &error, &code);
    if (!db) {
        m_lastError = error;
        m_openStatus = StatusOf(code);
        if (m_openStatus == RegStatus::kOk)
            m_openStatus = RegStatus::kUnavailable;
        return nullptr;
    }
    m_lastError.clear();
    m_impl = std::make_unique<Impl>(std::move(db));
    return m_impl.get();
}

bool CRegistry::IsAvailable() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return _open() != nullptr;
}

std::string CRegistry::LastError() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_lastError.empty() && m_impl && m_impl->db->failed())
        return m_impl->db->failureMessage();
    return m_lastError;
}

RegStatus CRegistry::LastStatus() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_openStatus != RegStatus::kOk || !m_impl || !m_impl->db->failed())
        return m_openStatus;
    return StatusOf(m_impl->db->failureCode());
}

namespace {

struct Lookup {
    std::optional<int64_t> key;
    std::optional<RegValue> value;
};

// Reads without writing anything.
Lookup Read(CRegistryDb& db, const std::vector<std::string>& parts, const std::string& name) {
    Lookup found;
    CRegistryDb::CTransaction read(db, false);
    if (!read.ok())
        return found;
    found.key = db.FindKey(parts);
    if (found.key)
        found.value = db.ReadValue(*found.key, name);
    return found;
}

// Get*: the stored value when present (of either type), else `fresh` written back under
// the write lock, unless another process wrote the value meanwhile.
std::optional<RegValue> ReadOrWriteBack(CRegistryDb& db, const std::string& key,
                                        const RegValue& fresh, std::string* lastError) {
    std::vector<std::string> parts = SplitKeyPath(key);
    Lookup found = Read(db, parts, fresh.name);
    if (found.value || db.failed())
        return found.value;
    CRegistryDb::CTransaction txn(db, true);
    std::optional<int64_t> id;
    if (txn.ok())
        id = db.EnsureKey(parts);
    if (!id)
        return std::nullopt;
    if (std::optional<RegValue> stored = db.ReadValue(*id, fresh.name))
        return stored;
    if (!db.failed() && db.WriteValue(*id, fresh) && !txn.Commit())
        *lastError = db.LastError();
    return std::nullopt;
}

}  // namespace

std::string CRegistry::GetString(const std::string& key, const std::string& name,
                                 const std::string& defaultValue) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return CutForRead(defaultValue);
    RegValue fresh{name, RegType::kString, AsCString(defaultValue), 0};
    std::optional<RegValue> stored = ReadOrWriteBack(*impl->db, key, fresh, &m_lastError);
    // A value of the other type is left alone and reads as the default.
    if (stored && stored->type == RegType::kString)
        return CutForRead(stored->text);
    return CutForRead(fresh.text);
}

uint32_t CRegistry::GetDword(const std::string& key, const std::string& name,
                             uint32_t defaultValue) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return defaultValue;
    RegValue fresh{name, RegType::kDword, {}, defaultValue};
    std::optional<RegValue> stored = ReadOrWriteBack(*impl->db, key, fresh, &m_lastError);
    return stored && stored->type == RegType::kDword ? stored->dword : defaultValue;
}

std::optional<RegValue> CRegistry::QueryValue(const std::string& key, const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return std::nullopt;
    CRegistryDb& db = *impl->db;
    std::vector<std::string> parts = SplitKeyPath(key);
    Lookup found = Read(db, parts, name);
    if (found.key || db.failed())
        return found.value;
    // Open with create: the key appears even though the value is missing.
    CRegistryDb::CTransaction txn(db, true);
    if (txn.ok() && db.EnsureKey(parts) && !txn.Commit())
        m_lastError = db.LastError();
    return std::nullopt;
}

bool CRegistry::QueryString(const std::string& key, const std::string& name, std::string* value) {
    std::optional<RegValue> stored = QueryValue(key, name);
    if (!stored || stored->type != RegType::kString)
        return false;
    *value = CutForRead(stored->text);
    return true;
}

bool CRegistry::QueryDword(const std::string& key, const std::string& name, uint32_t* value) {
    std::optional<RegValue> stored = QueryValue(key, name);
    if (!stored || stored->type != RegType::kDword)
        return false;
    *value = stored->dword;
    return true;
}

namespace {

template <typename Change>
bool WriteTransaction(CRegistryDb& db, std::string* lastError, Change change) {
    CRegistryDb::CTransaction txn(db, true);
    if (!txn.ok() || !change() || db.failed() || !txn.Commit()) {
        if (db.failed())
            *lastError = db.LastError();
        return false;
    }
    return true;
}

}  // namespace

bool CRegistry::_write(const std::function<bool(CRegistryDb&)>& body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return false;
    CRegistryDb& db = *impl->db;
    return WriteTransaction(db, &m_lastError, [&] { return body(db); });
}

bool CRegistry::SetString(const std::string& key, const std::string& name,
                          const std::string& value) {
    return _write([&](CRegistryDb& db) {
        std::optional<int64_t> id = db.EnsureKey(SplitKeyPath(key));
        return id && db.WriteValue(*id, RegValue{name, RegType::kString, AsCString(value), 0});
    });
}

bool CRegistry::SetDword(const std::string& key, const std::string& name, uint32_t value) {
    return _write([&](CRegistryDb& db) {
        std::optional<int64_t> id = db.EnsureKey(SplitKeyPath(key));
        return id && db.WriteValue(*id, RegValue{name, RegType::kDword, {}, value});
    });
}

bool CRegistry::DeleteValue(const std::string& key, const std::string& name) {
    return _write([&](CRegistryDb& db) {
        std::optional<int64_t> id = db.FindKey(SplitKeyPath(key));
        return id && db.DeleteValue(*id, name);
    });
}

bool CRegistry::DeleteKey(const std::string& key) {
    return _write([&](CRegistryDb& db) {
        std::optional<int64_t> id = db.FindKey(SplitKeyPath(key));
        return id && db.DeleteKey(*id);
    });
}

bool CRegistry::CreateKey(const std::string& key) {
    return _write([&](CRegistryDb& db) { return db.EnsureKey(SplitKeyPath(key)).has_value(); });
}

bool CRegistry::KeyExists(const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    return impl && impl->db->FindKey(SplitKeyPath(key)).has_value();
}

std::vector<RegValue> CRegistry::EnumValues(const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return {};
    CRegistryDb::CTransaction read(*impl->db, false);
    std::optional<int64_t> id = impl->db->FindKey(SplitKeyPath(key));
    return id ? impl->db->Values(*id) : std::vector<RegValue>();
}

std::vector<std::string> CRegistry::EnumSubkeys(const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return {};
    CRegistryDb::CTransaction read(*impl->db, false);
    std::optional<int64_t> id = impl->db->FindKey(SplitKeyPath(key));
    return id ? impl->db->Subkeys(*id) : std::vector<std::string>();
}

std::string CRegistry::ExportRegedit4(const std::string& keyPrefix) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl)
        return registry::FormatRegedit4({});
    CRegistryDb& db = *impl->db;
    CRegistryDb::CTransaction read(db, false);

    // Every key's path as components, sorted component by component without regard to
    // case, so that a key is followed by its subkeys.
    std::map<int64_t, CRegistryDb::KeyRow> byId;
    for (CRegistryDb::KeyRow& row : db.AllKeys())
        byId.emplace(row.id, std::move(row));
    struct Entry {
        std::vector<std::string> folded;
        std::string path;
        int64_t id;
    };
    std::vector<Entry> entries;
    std::vector<std::string> prefix = SplitKeyPath(keyPrefix);
    for (std::string& part : prefix)
        part = Fold(part);
    if (prefix.empty())
        entries.push_back({{}, "", CRegistryDb::kRootKey});
    for (const auto& [id, row] : byId) {
        std::vector<std::string> names;
        for (auto it = byId.find(id); it != byId.end(); it = byId.find(it->second.parent)) {
            names.insert(names.begin(), it->second.name);
        }
        Entry entry{{}, {}, id};
        for (const std::string& name : names) {
            entry.folded.push_back(Fold(name));
            entry.path += (entry.path.empty() ? "" : "\\") + name;
        }
        if (entry.folded.size() < prefix.size() ||
            !std::equal(prefix.begin(), prefix.end(), entry.folded.begin())) {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.folded < b.folded; });

    std::vector<registry::RegeditSection> sections;
    for (const Entry& entry : entries) {
        std::vector<RegValue> values = db.Values(entry.id);
        // The root has a section only when it holds values of its own.
        if (entry.id == CRegistryDb::kRootKey && values.empty())
            continue;
        sections.push_back({entry.path, std::move(values)});
    }
    return registry::FormatRegedit4(sections);
}

bool CRegistry::ImportRegedit4(const std::string& text, std::string* error) {
    std::string ignored;
    if (!error)
        error = &ignored;
    std::vector<registry::RegeditOp> ops;
    if (!registry::ParseRegedit4(text, &ops, error)) {
        // The store was not asked: the text is at fault, not the store.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openStatus = RegStatus::kOk;
        if (m_impl)
            m_impl->db->ClearFailure();
        return false;
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    Impl* impl = _open();
    if (!impl) {
        *error = "the registry is unavailable: " + m_lastError;
        return false;
    }
    CRegistryDb& db = *impl->db;
    bool ok = WriteTransaction(db, &m_lastError, [&] {
        for (registry::RegeditOp& op : ops) {
            std::vector<std::string> parts = SplitKeyPath(op.key);
            std::optional<int64_t> id;
            switch (op.kind) {
                case registry::RegeditOp::kCreateKey:
                    if (!db.EnsureKey(parts))
                        return false;
                    break;
                case registry::RegeditOp::kDeleteKey:
                    // Deleting a key that is not there is not an error.
                    if ((id = db.FindKey(parts)))
                        db.DeleteKey(*id);
                    break;
                case registry::RegeditOp::kSetValue:
                    op.value.text = AsCString(op.value.text);
                    id = db.EnsureKey(parts);
                    if (!id || !db.WriteValue(*id, op.value))
                        return false;
                    break;
                case registry::RegeditOp::kDeleteValue:
                    if ((id = db.FindKey(parts)))
                        db.DeleteValue(*id, op.value.name);
                    break;
            }
            if (db.failed())
                return false;
        }
        return true;
    });
    if (!ok)
        *error = "cannot write the registry: " + m_lastError;
    return ok;
}

}  // namespace kitroster
