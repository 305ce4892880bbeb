// Moving the catalogue in and out of spreadsheets and JSON documents: export and import.
// The formats, the checks and the application are the library's (catalogue/transfer/);
// this file reads and writes the files, takes the catalogue lock and prints.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/transfer/CatalogueExport.h"
#include "catalogue/transfer/CatalogueImport.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/FileHelpers.h"

namespace kitroster::cli {
namespace {

using namespace NResourceItem;

// An import document larger than this is refused before it is read.
constexpr uint64_t kMaxImportBytes = 64u << 20;

std::optional<ETransferFormat> ParseFormat(const std::string& name) {
    if (name == "json")
        return ETransferFormat::kJson;
    if (name == "csv")
        return ETransferFormat::kCsv;
    return std::nullopt;
}

// The format a file name's extension stands for, ignoring case.
std::optional<ETransferFormat> FormatOfFileName(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || file.find('/', dot) != std::string::npos)
        return std::nullopt;
    std::string extension = file.substr(dot + 1);
    for (char& ch : extension)
        ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    return ParseFormat(extension);
}

struct SExportOptions {
    std::string format = "json";
    std::string output;
    bool raw = false;  // CSV cells as stored, without the formula mark
};

int RunExport(const SExportOptions& o) {
    SCatalogue catalogue = LoadCatalogue();
    const std::string text = ParseFormat(o.format) == ETransferFormat::kCsv
                                 ? ExportCatalogueCsv(catalogue.collection, o.raw)
                                 : ExportCatalogueJson(catalogue.collection);
    if (o.output.empty() || o.output == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        // Replaced atomically: a failed export never leaves half a file behind.
        const EnvStatus status =
            WriteFileAtomically(GetKitrosterApp().GetEnv(), FromUtf8(o.output).str(), text);
        if (!status.ok())
            return Report(FromUtf8("cannot write '" + o.output + "': " + status.ToString()));
    }
    return catalogue.clean ? kExitOk : kExitRefused;
}

struct SImportCommandOptions {
    std::string file;
    std::string format;
    bool dryRun = false;
    bool replace = false;
    bool raw = false;
};

bool ReadDocument(const std::string& file, std::string* text, std::string* error) {
    if (file == "-") {
        // The same limit as a file: one byte more than it says the input is too large.
        text->resize(kMaxImportBytes + 1);
        std::cin.read(text->data(), static_cast<std::streamsize>(text->size()));
        text->resize(static_cast<size_t>(std::cin.gcount()));
        if (text->size() > kMaxImportBytes) {
            *error = "standard input holds more than " + std::to_string(kMaxImportBytes >> 20) +
                     " MiB, the most an import reads";
            return false;
        }
        return true;
    }
    const EnvStatus status =
        ReadFileWhole(GetKitrosterApp().GetEnv(), FromUtf8(file).str(), kMaxImportBytes, text);
    if (!status.ok())
        *error = "cannot read '" + file + "': " + status.ToString();
    return status.ok();
}

// "FILE:LINE: message" where the line is known, else "FILE: record N: message".
void PrintProblem(const std::string& file, const SImportProblem& problem) {
    std::string where = file;
    if (problem.line > 0)
        where += ":" + std::to_string(problem.line);
    else if (problem.record > 0)
        where += ": record " + std::to_string(problem.record);
    std::fprintf(stderr, "%s: %s\n", where.c_str(), problem.message.c_str());
}

void PrintActions(const SImportPlan& plan, bool dryRun) {
    for (const SImportAction& action : plan.actions) {
        const char* verb = action.kind == SImportAction::kAdd       ? "added"
                           : action.kind == SImportAction::kReplace ? "replaced"
                                                                    : "unchanged";
        if (dryRun && action.kind != SImportAction::kUnchanged)
            std::printf("would be %s\t%s\n", verb, ToUtf8(action.id).c_str());
        else
            std::printf("%s\t%s\n", verb, ToUtf8(action.id).c_str());
    }
}

int RunImport(const SImportCommandOptions& o) {
    std::optional<ETransferFormat> format =
        o.format.empty() ? FormatOfFileName(o.file) : ParseFormat(o.format);
    if (!format)
        return UsageError("import: the format cannot be told from '" + o.file +
                          "'; give --format json or --format csv");
    std::string text, error;
    if (!ReadDocument(o.file, &text, &error))
        return Report(FromUtf8(error));

    // A dry run changes nothing and needs no lock; an import holds it from Load to Save.
    SCatalogue catalogue = LoadCatalogue(/*forChange=*/!o.dryRun);
    if (int rc = RequireChangeableCatalogue(catalogue))
        return rc;
    SImportOptions options;
    options.replace = o.replace;
    options.rawCells = o.raw;
    const SImportPlan plan = PlanImport(text, *format, catalogue.collection, options);
    const std::string name = o.file == "-" ? "<stdin>" : o.file;
    for (const SImportProblem& problem : plan.problems)
        PrintProblem(name, problem);
    if (!plan.problems.empty()) {
        CString message;
        message.Format("nothing imported: %d problem(s)", static_cast<int>(plan.problems.size()));
        return Report(message);
    }
    if (o.dryRun) {
        PrintActions(plan, /*dryRun=*/true);
        return kExitOk;
    }
    ApplyImport(plan, catalogue.collection);
    // Every file or none, as rename does: a half-applied import would be hard to repeat.
    if (int rc = SaveCatalogue(catalogue))
        return rc;
    PrintActions(plan, /*dryRun=*/false);
    return kExitOk;
}

}  // namespace

void RegisterTransferCommands(CLI::App& app, SCommandContext& ctx) {
    const auto formats = CLI::IsMember({"json", "csv"});

    auto exportOptions = std::make_shared<SExportOptions>();
    CLI::App* exportCmd =
        app.add_subcommand("export", "Write every resource as JSON or CSV (UTF-8)");
    exportCmd->add_option("--format", exportOptions->format, "json (default) or csv")
        ->check(formats);
    exportCmd->add_option("--output", exportOptions->output, "File to write (default: stdout)");
    exportCmd->add_flag("--raw", exportOptions->raw,
                        "CSV: write every cell as stored; by default a cell a spreadsheet would "
                        "run as a formula (=, +, -, @, tab, CR) is written behind an apostrophe");
    SetAction(exportCmd, ctx, [exportOptions] { return RunExport(*exportOptions); });

    auto importOptions = std::make_shared<SImportCommandOptions>();
    CLI::App* importCmd = app.add_subcommand(
        "import", "Check the resources of a JSON or CSV file and add them all, or none");
    importCmd->add_option("FILE", importOptions->file, "File to read ('-' reads stdin)")
        ->required();
    importCmd
        ->add_option("--format", importOptions->format,
                     "json or csv (default: from the file's extension)")
        ->check(formats);
    importCmd->add_flag("--dry-run", importOptions->dryRun,
                        "Check and print what would change; write nothing");
    importCmd->add_flag("--replace", importOptions->replace,
                        "Replace the fields of resources that exist already");
    importCmd->add_flag("--raw", importOptions->raw,
                        "CSV: take cells as written (a file from export --raw), without taking "
                        "off the apostrophe the export puts before a formula-like cell");
    SetAction(importCmd, ctx, [importOptions] { return RunImport(*importOptions); });
}

}  // namespace kitroster::cli
