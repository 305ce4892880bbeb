// CRegistry: the machine-wide configuration store (HKEY_LOCAL_MACHINE) kept in one SQLite
// database file.
//
// Semantics the rest of the system relies on:
//   - key paths are relative to HKEY_LOCAL_MACHINE, backslash-separated
//     ("Software\Corvent\ZRSync\LocalSettings"); key paths and value names compare
//     without regard to case (ASCII and Windows-1252), and keep the spelling they were
//     created with;
//   - values are REG_SZ (8-bit text) or REG_DWORD (unsigned 32-bit);
//   - keys are opened with create: reading under a missing key creates it;
//   - Get* reads a value and, when it is missing, writes the default back and returns it;
//     Query* only reads;
//   - string reads return at most kMaxStringRead (499) characters. A longer stored text
//     is returned cut to that length and is left unchanged in the store;
//   - an unavailable store (the file cannot be opened or created) reads as defaults and
//     writes nothing, silently: Get* return the default, Query* and Set* return false.
// Writes are single durable transactions (synchronous=FULL) and the database waits for
// other processes' locks (busy timeout), so several processes may write at once.
//
// Thread-safety: an object is safe for concurrent use from several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kitroster {

enum class RegType { kString, kDword };

struct RegValue {
    std::string name;
    RegType type = RegType::kString;
    std::string text;    // kString
    uint32_t dword = 0;  // kDword
};

class CRegistry {
public:
    static constexpr size_t kMaxStringRead = 499;

    // Where the machine store lives: $KITROSTER_REGISTRY, else
    // /var/lib/kitroster/registry.db when running as root, else
    // $XDG_STATE_HOME/kitroster/registry.db (XDG_STATE_HOME defaulting to
    // ~/.local/state).
    static std::string DefaultLocation();

    // The process-wide store. It opens DefaultLocation() on first use unless
    // SetMachineLocation chose another file before.
    static CRegistry& Machine();
    // Points the process-wide store at another file (the --registry option, tests).
    static void SetMachineLocation(const std::string& databaseFile);

    explicit CRegistry(std::string databaseFile);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    const std::string& location() const { return m_file; }
    // Whether the store could be opened (it is created, with its folder, when missing).
    bool IsAvailable();

    // Reads with write-back of the default when the value is missing.
    std::string GetString(const std::string& key, const std::string& name, const std::string& defaultValue);
    uint32_t GetDword(const std::string& key, const std::string& name, uint32_t defaultValue);

    // Plain reads; false when the key or value is missing, of the other type, or the
    // store is unavailable. The key is created when missing (open with create).
    bool QueryString(const std::string& key, const std::string& name, std::string* value);
    bool QueryDword(const std::string& key, const std::string& name, uint32_t* value);
    std::optional<RegValue> QueryValue(const std::string& key, const std::string& name);

    bool SetString(const std::string& key, const std::string& name, const std::string& value);
    bool SetDword(const std::string& key, const std::string& name, uint32_t value);
    bool DeleteValue(const std::string& key, const std::string& name);
    // Removes a key with its values and every subkey.
    bool DeleteKey(const std::string& key);
    bool CreateKey(const std::string& key);
    bool KeyExists(const std::string& key);
    std::vector<RegValue> EnumValues(const std::string& key);
    std::vector<std::string> EnumSubkeys(const std::string& key);

    // REGEDIT4 text of `keyPrefix` and everything below it (all keys when empty), with
    // "[HKEY_LOCAL_MACHINE\...]" sections, "name"="text" and "name"=dword:xxxxxxxx lines.
    std::string ExportRegedit4(const std::string& keyPrefix = "");
    // Applies REGEDIT4 text: sections create keys, "[-...]" deletes a key, "name"=-
    // deletes a value. Returns false, with a message naming the line, on malformed input;
    // nothing is applied then.
    bool ImportRegedit4(const std::string& text, std::string* error);

private:
    class Impl;
    std::string m_file;
    std::unique_ptr<Impl> m_impl;
    std::mutex m_mutex;
};

}  // namespace kitroster
