// manifest write, manifest read: manifests from and to text.
//   write: records from stdin, one per line NAME<TAB>DWORD<TAB>QWORD1<TAB>QWORD2 (decimal);
//          prints the result as 0x%08X; exit 0 for S_OK and S_FALSE, 1 otherwise. A name
//          the file cannot hold whole (over 260 characters, outside Windows-1252) is a
//          usage error and nothing is written.
//   read:  prints result, backup and header lines, then the records in the write format,
//          or one JSON object with --json; exit 0 on success, 1 otherwise.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "platform/env/PathMapping.h"
#include "sync/manifest/ManifestReader.h"
#include "sync/manifest/ManifestWriter.h"

namespace kitroster::cli {
namespace {

struct SManifestOptions {
    std::string path;
    std::string header;
    bool commit = false;
    bool acceptEmpty = false;
    bool headerOnly = false;
    bool validate = false;
    bool json = false;
    unsigned long timeoutMs = 5000;
};

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

bool ParseInteger(const std::string& text, bool isSigned, long long* value) {
    if (text.empty() || (!isSigned && text[0] == '-'))
        return false;
    errno = 0;
    char* end = nullptr;
    if (isSigned) {
        *value = std::strtoll(text.c_str(), &end, 10);
    } else {
        unsigned long long u = std::strtoull(text.c_str(), &end, 10);
        if (u > 0xFFFFFFFFull)
            return false;
        *value = static_cast<long long>(u);
    }
    return errno == 0 && *end == '\0';
}

// `utf8` as the 8-bit text a manifest holds, whole: a character Windows-1252 lacks, a NUL
// or more than `limit` characters is refused (with the reason), never replaced or cut.
// Bytes that are not UTF-8 are taken as they are, as for every other argument.
bool ToManifestText(const std::string& utf8, size_t limit, std::string* text, std::string* why) {
    if (utf8.find('\0') != std::string::npos) {
        *why = "holds a NUL character";
        return false;
    }
    std::string replaced;
    if (!Utf8ToCp1252(utf8, &replaced, '?')) {
        *text = utf8;
    } else if (!Utf8ToCp1252(utf8, text)) {
        *why = "holds a character Windows-1252 does not have";
        return false;
    }
    if (text->size() > limit) {
        *why = "is longer than " + std::to_string(limit) + " characters";
        return false;
    }
    return true;
}

int RunWrite(const SManifestOptions& o) {
    auto records = CZRManifestRecordSet::CreateInstance();
    std::string line;
    int number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::string fields[4];
        size_t start = 0;
        int count = 0;
        for (; count < 4; ++count) {
            size_t tab = line.find('\t', start);
            fields[count] = line.substr(start, tab == std::string::npos ? tab : tab - start);
            if (tab == std::string::npos) {
                ++count;
                break;
            }
            start = tab + 1;
        }
        long long dword = 0, q1 = 0, q2 = 0;
        if (count != 4 || line.find('\t', start) != std::string::npos ||
            !ParseInteger(fields[1], false, &dword) || !ParseInteger(fields[2], true, &q1) ||
            !ParseInteger(fields[3], true, &q2)) {
            return UsageError("manifest write: line " + std::to_string(number) +
                              " is not NAME<TAB>DWORD<TAB>QWORD1<TAB>QWORD2");
        }
        std::string name, why;
        if (!ToManifestText(fields[0], kManifestTextField - 1, &name, &why)) {
            return UsageError("manifest write: line " + std::to_string(number) +
                              ": the record name " + why);
        }
        records->MoveEnd();
        records->Insert(CManifestRecord(name, static_cast<uint32_t>(dword), q1, q2));
    }
    // The header keeps its first 260 characters, as the format says; other text is
    // refused as in record names.
    std::string header, why;
    if (!ToManifestText(o.header, o.header.size(), &header, &why))
        return UsageError("manifest write: the header " + why);
    auto writer = CZRManifestPersistWriter::CreateInstance(
        o.path, header.c_str(),
        NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>>(records.get()),
        o.acceptEmpty ? 1 : 0, o.commit, o.timeoutMs);
    const HRESULT hr = writer->GetResult();
    std::printf("%s\n", Hex(hr).c_str());
    return hr == S_OK || hr == S_FALSE ? kExitOk : kExitRefused;
}

int RunRead(const SManifestOptions& o) {
    auto reader =
        CZRManifestPersistReader::CreateInstance(o.path, o.headerOnly, o.validate, o.timeoutMs);
    const HRESULT hr = reader->GetResult();
    auto set = reader->GetContainer()->GetRecordSet();
    if (o.json) {
        nlohmann::json records = nlohmann::json::array();
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
            CManifestRecord r = set->GetCurrent();
            records.push_back({{"name", ToUtf8(CString(r.GetName()))},
                               {"dword", r.GetDword()},
                               {"qword1", r.GetQword1()},
                               {"qword2", r.GetQword2()}});
        }
        nlohmann::json out = {{"result", Hex(hr)},
                              {"usedBackup", reader->UsedBackup()},
                              {"header", ToUtf8(CString(reader->GetHeaderText()))},
                              {"records", records}};
        std::printf("%s\n", out.dump().c_str());
    } else {
        std::printf("result\t%s\nbackup\t%s\nheader\t%s\n", Hex(hr).c_str(),
                    reader->UsedBackup() ? "yes" : "no",
                    ToUtf8(CString(reader->GetHeaderText())).c_str());
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
            CManifestRecord r = set->GetCurrent();
            std::printf("%s\t%u\t%lld\t%lld\n", ToUtf8(CString(r.GetName())).c_str(), r.GetDword(),
                        static_cast<long long>(r.GetQword1()),
                        static_cast<long long>(r.GetQword2()));
        }
    }
    return SUCCEEDED(hr) ? kExitOk : kExitRefused;
}

}  // namespace

void RegisterManifestCommands(CLI::App& app, SCommandContext& ctx) {
    CLI::App* manifest = app.add_subcommand("manifest", "Read and write manifest files");
    manifest->require_subcommand(1);

    auto w = std::make_shared<SManifestOptions>();
    CLI::App* write = manifest->add_subcommand(
        "write", "Write a manifest from records on stdin (NAME<TAB>DWORD<TAB>QWORD1<TAB>QWORD2)");
    write->add_option("PATH", w->path, "The manifest file to replace")->required();
    write->add_option("--header", w->header, "Header text (at most 260 characters are kept)");
    write->add_flag("--commit", w->commit, "Force the file to disk before publishing it");
    write->add_flag("--accept-empty", w->acceptEmpty, "Publish even when no record was stored");
    write->add_option("--timeout", w->timeoutMs, "Retry sharing violations for MS (default 5000)");
    SetAction(write, ctx, [w] { return RunWrite(*w); });

    auto r = std::make_shared<SManifestOptions>();
    CLI::App* read = manifest->add_subcommand("read", "Read a manifest (the .mfs of PATH)");
    read->add_option("PATH", r->path, "The manifest file")->required();
    read->add_flag("--header-only", r->headerOnly, "Read the header only");
    read->add_flag("--validate", r->validate, "Treat invalid records as corruption");
    read->add_option("--timeout", r->timeoutMs, "Retry sharing violations for MS (default 5000)");
    read->add_flag("--json", r->json, "Print one JSON object");
    SetAction(read, ctx, [r] { return RunRead(*r); });
}

}  // namespace kitroster::cli
