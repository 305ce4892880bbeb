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
//     is returned cut to that length and is left unchanged in the store (rather than
//     reading as the default): the caller sees as much of the value as it can hold, and
//     nothing is lost. Defaults returned by Get* are cut the same way;
//   - a value of the other type reads as missing for Query*; Get* then returns the
//     default without overwriting the stored value;
//   - a text is stored up to its first NUL byte, as a C string would be;
//   - key paths ignore empty components ("A\\B", "\A\B\" and "A\B" name one key); the
//     empty path is the root (HKEY_LOCAL_MACHINE itself);
//   - an unavailable store (the file cannot be opened or created, is not a regular file,
//     is damaged or stays locked) reads as defaults and writes nothing, silently: Get*
//     return the default, Query* and Set* return false. LastStatus() tells a caller that
//     must know (the reg commands) why the last call could not use the store.
// Writes are single durable transactions (synchronous=FULL) and the database waits for
// other processes' locks, so several processes may write at once. The wait (10 s) is shared
// by the calls of one object: after one call has waited it out, later calls give up at
// once until a call gets through, so a store that stays locked costs 10 s in all. A read
// that must write back (Get* of a missing value, any read under a missing key) takes the
// write lock before it looks again, so two processes never both decide to write.
// The store is retried on every call while it is unavailable, so it recovers once its
// folder can be created.
//
// Thread-safety: an object is safe for concurrent use from several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#define KR_REGISTRY_API __attribute__((visibility("default")))

namespace kitroster {

namespace registry {
class CRegistryDb;
struct LockWait;
}  // namespace registry

enum class RegType { kString, kDword };

// How the store answered the last call of a CRegistry.
enum class RegStatus {
    kOk,           // the store answered (a missing value or a refused write included)
    kUnavailable,  // the file cannot be opened or created, or is not a regular file
    kLocked,       // another process held the store's lock for longer than the wait
    kDamaged,      // the file is corrupt or not a registry database of this version
};

struct RegValue {
    std::string name;
    RegType type = RegType::kString;
    std::string text;    // kString
    uint32_t dword = 0;  // kDword
};

class KR_REGISTRY_API CRegistry {
  public:
    static constexpr size_t kMaxStringRead = 499;

    // Where the machine store lives: $KITROSTER_REGISTRY, else
    // /var/lib/kitroster/registry.db when running as root, else
    // $XDG_STATE_HOME/kitroster/registry.db (XDG_STATE_HOME defaulting to
    // ~/.local/state).
    static std::string DefaultLocation();

    // The process-wide store. It opens DefaultLocation() on first use unless
    // SetMachineLocation chose another file before. The object is never destroyed, so
    // references stay valid until the process ends.
    static CRegistry& Machine();
    // Points the process-wide store at another file (the --registry option, tests). The
    // same object is re-pointed: references obtained before stay valid and see the new
    // file from their next call.
    static void SetMachineLocation(const std::string& databaseFile);

    explicit CRegistry(std::string databaseFile);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    std::string location() const;
    // Whether the store could be opened (it is created, with its folder, when missing).
    bool IsAvailable();
    // Why the store is unavailable or the last write failed; empty when all went well.
    std::string LastError() const;
    // How the store answered the last call made on this object (from any thread). Readers
    // that take defaults need not look; tools that report the store's state do.
    RegStatus LastStatus() const;

    // Reads with write-back of the default when the value is missing.
    std::string GetString(const std::string& key, const std::string& name,
                          const std::string& defaultValue);
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
    // Opens the database when it is not open yet; null when unavailable.
    // REQUIRES: m_mutex held.
    Impl* _open();
    // Runs `body` as one write transaction on the open store; false when the store is
    // unavailable or `body` fails (the transaction is then rolled back).
    bool _write(const std::function<bool(registry::CRegistryDb&)>& body);
    void _retarget(const std::string& databaseFile);

    std::string m_file;
    std::string m_lastError;
    RegStatus m_openStatus = RegStatus::kOk;  // of the last call's open
    std::unique_ptr<registry::LockWait> m_lockWait;
    std::unique_ptr<Impl> m_impl;
    mutable std::mutex m_mutex;
};

}  // namespace kitroster
