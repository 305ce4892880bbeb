// Commands over the machine configuration store: reg get, reg set, reg export, reg import.
// Key paths are relative to HKEY_LOCAL_MACHINE ("Software\Corvent\ZRSync\LocalSettings"),
// and may start with "HKEY_LOCAL_MACHINE\" or "HKLM\" as Windows tools write them.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "platform/app/KitrosterApp.h"
#include "platform/registry/Registry.h"

namespace kitroster::cli {
namespace {

struct SRegOptions {
    std::string key, name, text, dword, file;
};

// Why the store could not answer the last call, or empty when it did. The library reads an
// unusable store as defaults; these commands must not pass that off as the store's content.
std::string StoreProblem(CRegistry& registry) {
    const std::string store = "the registry store '" + registry.location() + "' ";
    switch (registry.LastStatus()) {
        case RegStatus::kOk:
            return {};
        case RegStatus::kLocked:
            return store + "is locked by another process; nothing was read or written";
        case RegStatus::kDamaged:
            return store + "is damaged or not a registry store: " + registry.LastError();
        case RegStatus::kUnavailable:
            break;
    }
    return store + "cannot be used: " + registry.LastError();
}

int ReportStoreProblem(CRegistry& registry) {
    return Report(CString(StoreProblem(registry).c_str()));
}

// Strips a leading "HKEY_LOCAL_MACHINE" or "HKLM" component (case ignored), the only hive
// the store holds. Returns false for a path that names another hive (any other "HKEY_..."
// or its short form), which must not become a key of that name under HKEY_LOCAL_MACHINE.
bool StripMachineHive(std::string* key) {
    const size_t end = key->find('\\');
    std::string first = key->substr(0, end);
    for (char& ch : first)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (first == "HKEY_LOCAL_MACHINE" || first == "HKLM") {
        key->erase(0, end == std::string::npos ? end : end + 1);
        return true;
    }
    static const char* const kOtherHives[] = {"HKCU", "HKCR", "HKU", "HKCC", "HKPD"};
    if (first.rfind("HKEY_", 0) == 0)
        return false;
    for (const char* hive : kOtherHives) {
        if (first == hive)
            return false;
    }
    return true;
}

int RunGet(const SRegOptions& o) {
    CRegistry& registry = GetKitrosterApp().GetRegistry();
    // A query opens its key with create; reading must not add a key that was not there.
    const bool keyExists = registry.KeyExists(o.key);
    if (registry.LastStatus() != RegStatus::kOk)
        return ReportStoreProblem(registry);
    std::optional<RegValue> value;
    if (keyExists)
        value = registry.QueryValue(o.key, o.name);
    if (registry.LastStatus() != RegStatus::kOk)
        return ReportStoreProblem(registry);
    if (!value)
        return Report(CString(("value '" + o.name + "' not found under '" + o.key + "'").c_str()));
    if (value->type == RegType::kDword) {
        std::printf("%u\n", value->dword);
    } else {
        PrintLine(CString(value->text));
    }
    return kExitOk;
}

// Decimal, or hexadecimal with 0x; the whole text must be a number of at most 32 bits.
bool ParseDword(const std::string& text, uint32_t* value) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || number > 0xFFFFFFFFull)
        return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

int RunSet(const SRegOptions& o, bool isDword) {
    CRegistry& registry = GetKitrosterApp().GetRegistry();
    bool stored = false;
    if (isDword) {
        uint32_t number = 0;
        if (!ParseDword(o.dword, &number))
            return UsageError("reg set: --dword needs a number from 0 to 4294967295");
        stored = registry.SetDword(o.key, o.name, number);
    } else {
        stored = registry.SetString(o.key, o.name, FromUtf8(o.text).str());
    }
    if (!stored && registry.LastStatus() != RegStatus::kOk)
        return ReportStoreProblem(registry);
    if (!stored) {
        return Report(CString(
            ("the registry store '" + registry.location() + "' cannot be written").c_str()));
    }
    return kExitOk;
}

int RunExport(const SRegOptions& o) {
    CRegistry& registry = GetKitrosterApp().GetRegistry();
    const std::string text = registry.ExportRegedit4(o.key);
    if (registry.LastStatus() != RegStatus::kOk)
        return ReportStoreProblem(registry);
    std::fputs(text.c_str(), stdout);
    return kExitOk;
}

int RunImport(const SRegOptions& o) {
    std::string text;
    if (o.file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(o.file, std::ios::binary);
        if (!in) {
            return Report(
                CString(("cannot read '" + o.file + "': " + std::strerror(errno)).c_str()));
        }
        std::ostringstream buffer;
        buffer << in.rdbuf();
        text = buffer.str();
    }
    CRegistry& registry = GetKitrosterApp().GetRegistry();
    std::string error;
    if (!registry.ImportRegedit4(text, &error)) {
        if (registry.LastStatus() != RegStatus::kOk)
            return ReportStoreProblem(registry);
        return Report(CString((o.file + ": " + error).c_str()));
    }
    return kExitOk;
}

}  // namespace

void RegisterRegistryCommands(CLI::App& app, SCommandContext& ctx) {
    auto o = std::make_shared<SRegOptions>();
    CLI::App* reg = app.add_subcommand("reg", "Read and change the machine configuration store");
    reg->require_subcommand(1);
    // Runs `run` once the key path names a key of HKEY_LOCAL_MACHINE.
    auto inMachineHive = [o](std::function<int()> run) {
        return [o, run = std::move(run)] {
            if (!StripMachineHive(&o->key)) {
                return UsageError("reg: '" + o->key +
                                  "' is not under HKEY_LOCAL_MACHINE, the only hive of the store");
            }
            return run();
        };
    };

    CLI::App* get = reg->add_subcommand("get", "Print one value");
    get->add_option("KEY", o->key, "Key path under HKEY_LOCAL_MACHINE")->required();
    get->add_option("NAME", o->name, "Value name")->required();
    SetAction(get, ctx, inMachineHive([o] { return RunGet(*o); }));

    CLI::App* set = reg->add_subcommand("set", "Write one value");
    set->add_option("KEY", o->key, "Key path under HKEY_LOCAL_MACHINE")->required();
    set->add_option("NAME", o->name, "Value name")->required();
    CLI::Option* sz = set->add_option("--sz", o->text, "Write a string value");
    CLI::Option* dword =
        set->add_option("--dword", o->dword, "Write a DWORD value (decimal or 0x...)");
    sz->excludes(dword);
    dword->excludes(sz);
    SetAction(set, ctx, inMachineHive([o, sz, dword] {
                  if (sz->count() == 0 && dword->count() == 0)
                      return UsageError("reg set: give the value with --sz TEXT or --dword N");
                  return RunSet(*o, dword->count() > 0);
              }));

    CLI::App* exportCmd = reg->add_subcommand("export", "Print keys and values as REGEDIT4 text");
    exportCmd->add_option("KEY", o->key, "Only this key and what lies below it");
    SetAction(exportCmd, ctx, inMachineHive([o] { return RunExport(*o); }));

    CLI::App* importCmd = reg->add_subcommand("import", "Apply a REGEDIT4 file ('-' reads stdin)");
    importCmd->add_option("FILE", o->file, "REGEDIT4 file")->required();
    SetAction(importCmd, ctx, [o] { return RunImport(*o); });
}

}  // namespace kitroster::cli
