// Import documents: any bytes read as CSV and as JSON are checked without harm, and a
// document the import accepts stores only what the edit rules allow and survives a round
// trip: exported again and imported into an empty catalogue, it gives the same resources.
#include <cstdint>
#include <string>

#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/queries/IdentifierCheck.h"
#include "catalogue/transfer/CatalogueExport.h"
#include "catalogue/transfer/CatalogueImport.h"
#include "catalogue/transfer/CsvCodec.h"
#include "fuzz/common/FuzzCheck.h"

using namespace NResourceItem;

namespace {

// Sealing is not under test here: a fixed sealed form keeps runs fast and repeatable.
constexpr const char* kFakeSealed = "$kx1$c2VhbGVk";
CString FakeSeal(const CString&) {
    return kFakeSealed;
}
bool FakeOpens(const CString& sealed) {
    return sealed == kFakeSealed;
}

CZRauto_ptr<IKitroster> Catalogue(bool withResources) {
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    if (withResources) {
        CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
        item->set_ID("CAM01");
        item->set_Type("CAMERA_IP");
        item->set_Conn("IPADDR=10.0.0.5;PORT=80;");
        collection->Add(item);
    }
    return collection;
}

void CheckRoundTrip(IKitroster* source, ETransferFormat format) {
    const std::string text =
        format == ETransferFormat::kCsv ? ExportCatalogueCsv(source) : ExportCatalogueJson(source);
    CZRauto_ptr<IKitroster> target = Catalogue(false);
    SImportOptions options;
    options.seal = FakeSeal;
    options.opens = FakeOpens;
    if (format == ETransferFormat::kCsv) {
        // A spreadsheet opening the export runs no cell as a formula.
        std::vector<SCsvRecord> rows;
        std::vector<SCsvProblem> syntax;
        FUZZ_CHECK(ReadCsv(text, &rows, &syntax), "the export is not CSV:\n%s", text.c_str());
        for (size_t r = 1; r < rows.size(); ++r)
            for (const std::string& cell : rows[r].fields)
                FUZZ_CHECK(
                    cell.empty() || std::string("=+-@\t\r").find(cell[0]) == std::string::npos,
                    "cell '%s' starts a formula", cell.c_str());
    }
    const SImportPlan plan = PlanImport(text, format, target, options);
    FUZZ_CHECK(plan.problems.empty(), "the export does not import: %s\n%s",
               plan.problems[0].message.c_str(), text.c_str());
    FUZZ_CHECK(ApplyImport(plan, target), "a plan without problems was not applied");
    FUZZ_CHECK(target->Size() == source->Size(), "%d resources became %d", source->Size(),
               target->Size());
    for (int i = 0; i < source->Size(); ++i) {
        // The export writes by identifier, so the target's order may differ.
        CZRauto_ptr<IResourceItem> a = source->GetItemByIndex(i);
        CZRauto_ptr<IResourceItem> b = target->GetItemById(a->get_ID());
        FUZZ_CHECK(b && a->get_ID() == b->get_ID() && a->get_Type() == b->get_Type() &&
                       a->get_Name() == b->get_Name() && a->get_Conn() == b->get_Conn() &&
                       a->get_Caps() == b->get_Caps(),
                   "resource %d changed on the round trip:\n%s", i, text.c_str());
    }
}

void Import(const std::string& input, ETransferFormat format, bool replace) {
    CZRauto_ptr<IKitroster> collection = Catalogue(true);
    SImportOptions options;
    options.replace = replace;
    options.seal = FakeSeal;
    options.opens = FakeOpens;
    const SImportPlan plan = PlanImport(input, format, collection, options);
    for (const SImportProblem& problem : plan.problems)
        FUZZ_CHECK(!problem.message.empty(), "a problem without a message");
    if (!plan.problems.empty()) {
        FUZZ_CHECK(!ApplyImport(plan, collection), "a plan with problems was applied");
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(0);
        FUZZ_CHECK(collection->Size() == 1 && item->get_Conn() == "IPADDR=10.0.0.5;PORT=80;" &&
                       item->get_Name().IsEmpty(),
                   "a refused import changed the catalogue");
        return;
    }
    FUZZ_CHECK(ApplyImport(plan, collection), "a plan without problems was not applied");
    for (const SImportAction& action : plan.actions) {
        FUZZ_CHECK(HasOnlyIdCharacters(action.id), "identifier '%s' stored", action.id.GetString());
        for (const CString* field : {&action.type, &action.name, &action.conn, &action.caps})
            FUZZ_CHECK(!HasInvalidEntryChars(*field), "'%s' stored", field->GetString());
        FUZZ_CHECK(!action.type.IsEmpty(), "an empty type stored for %s", action.id.GetString());
    }
    CheckRoundTrip(collection, ETransferFormat::kCsv);
    CheckRoundTrip(collection, ETransferFormat::kJson);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool replace = size % 2 == 1;
    Import(input, ETransferFormat::kCsv, replace);
    Import(input, ETransferFormat::kJson, replace);
    return 0;
}
