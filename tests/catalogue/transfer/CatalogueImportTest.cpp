#include "catalogue/transfer/CatalogueImport.h"

#include <chrono>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/transfer/CatalogueExport.h"
#include "catalogue/transfer/CsvCodec.h"
#include "catalogue/transfer/ImportRecords.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

using ::testing::HasSubstr;

constexpr const char* kHeader = "ID,TYPE,NAME,CONN,CAPS,CONN.PORT\r\n";

// Seals by wrapping, so that a test sees what was sealed; "fail" cannot be sealed.
CString FakeSeal(const CString& plain) {
    return plain == "fail" ? CString() : CString("$kx1$sealed-" + plain.str());
}

// Sealed text opens unless it stands for another site's key ("$kx1$other-...").
bool FakeOpens(const CString& sealed) {
    return sealed.Find("$kx1$other-") != 0;
}

SImportPlan Plan(const std::string& text, ETransferFormat format, IKitroster* site,
                 bool replace = false) {
    SImportOptions options;
    options.replace = replace;
    options.seal = FakeSeal;
    options.opens = FakeOpens;
    return PlanImport(text, format, site, options);
}

CZRauto_ptr<IKitroster> Site() {
    return MakeCatalogue({{"CAM01", "CAMERA_IP", "IPADDR=10.0.0.5;PORT=80;"}});
}

// Every document below has exactly one problem, reported where a person finds it.
TEST(CatalogueImportTest, EveryKindOfProblemIsReportedWithItsPlace) {
    constexpr auto kCsv = ETransferFormat::kCsv;
    constexpr auto kJson = ETransferFormat::kJson;
    struct SCase {
        ETransferFormat format;
        std::string text;
        int record, line;
        const char* message;
        bool replace = false;
    } cases[] = {
        {kCsv, std::string(kHeader) + "CAM-5,CAMERA_IP,,,,\r\n", 1, 2,
         "Resource ID must only use characters A-Z and 0-9!"},
        {kCsv, std::string(kHeader) + "CAM05,CAMERA_IP,,,,\r\nok,X,,,,\r\ncam05,X,,,,\r\n", 3, 4,
         "CAM05 is given again (first on line 2)"},
        {kCsv, std::string(kHeader) + "CAM01,CAMERA_IP,,,,\r\n", 1, 2,
         "This resource id 'CAM01' already exists."},
        {kCsv, std::string(kHeader) + "CAM05,CAMERA_IP,,,,8{0\r\n", 1, 2,
         "Invalid character detected for 'Connectivity'."},
        {kCsv, std::string(kHeader) + "CAM05,CAMERA_IP,\"Bed\n}\",,,\r\n", 1, 2,
         "Invalid character detected for 'Name'."},
        {kCsv, std::string(kHeader) + "CAM05, ,,,,\r\n", 1, 2, "Resource type cannot be empty!"},
        {kCsv, "ID,NAME\r\nCAM05,x\r\n", 1, 2, "Resource type cannot be empty!"},
        {kCsv, std::string(kHeader) + "A234567890123456789012345678,X,,,,\r\n", 1, 2,
         "longer than 27"},
        {kCsv, std::string(kHeader) + "CAM01,X,,PORT=81;,,80\r\n", 1, 2,
         "Connectivity text and pairs disagree on PORT: the text has '81', the pair '80'", true},
        {kCsv, std::string(kHeader) + "CAM01,X,,A=1;,,80\r\n", 1, 2,
         "Connectivity text and pairs disagree on PORT: the text does not have it, the pair "
         "'80'",
         true},
        {kCsv, std::string(kHeader) + "CAM05,X,,PORT=80;,,\r\nCAM02,X,,PORT=8;,,1\r\n", 2, 3,
         "disagree on PORT: the text has '8', the pair '1'"},
        {kJson,
         R"([{"id": "CAM05", "type": "X", "conn": "A=1;B=2;", "connProperties": {"A": "1"}}])", 1,
         0, "Connectivity text and pairs disagree on B: the text has '2', the pairs do not"},
        {kCsv, "ID,TYPE,COLOUR\r\nCAM05,X,red\r\n", 0, 1, "unknown column 'COLOUR'"},
        {kCsv, "ID,TYPE,conn.port,CONN.PORT\r\n", 0, 1, "column 'CONN.PORT' repeats column 3"},
        {kCsv, "TYPE,NAME\r\n", 0, 1, "the header has no ID column"},
        {kCsv, std::string(kHeader) + "CAM05,X\r\n", 1, 2, "the record has 2 fields, the header 6"},
        {kCsv, std::string(kHeader) + "CAM05,X,\"open\r\n", 0, 2, "quoted field is not closed"},
        {kCsv, std::string(kHeader) + "CAM05,X,\xE9t\xE9,,,\r\n", 1, 2, "is not UTF-8 text"},
        {kCsv, std::string(kHeader) + "CAM05,X,,PASSWORD=clear;,,\r\n", 1, 2,
         "PASSWORD is not sealed text"},
        {kCsv, std::string(kHeader) + "CAM05,X,,\" password =clear;\",,\r\n", 1, 2,
         "PASSWORD is not sealed text"},
        {kJson, R"([{"id": "CAM05", "type": "X", "conn": "Password=clear;"}])", 1, 0,
         "PASSWORD is not sealed text"},
        {kCsv, "ID,TYPE,CONN.PASSWORD\r\nCAM05,X,$kx1$other-site\r\n", 1, 2,
         "PASSWORD does not open with this site's key"},
        {kJson, R"([{"id": "CAM05", "type": "X", "connProperties": {"PASSWORD": "$kx1$other-x"}}])",
         1, 0, "PASSWORD does not open with this site's key"},
        {kCsv, "ID,TYPE,CONN,CONN.PASSWORD\r\nCAM05,X,PASSWORD=$kx1$a;,fail\r\n", 1, 2,
         "disagree on PASSWORD: the values differ"},
        {kCsv, "ID,TYPE,PASSWORD_PLAIN\r\nCAM05,X,fail\r\n", 1, 2, "the password cannot be sealed"},
        {kCsv, "ID,TYPE,CONN,PASSWORD_PLAIN\r\nCAM05,X,PASSWORD=$kx1$x;,pw\r\n", 1, 2,
         "both PASSWORD and PASSWORD_PLAIN are given"},
        {kCsv, "ID,TYPE,CONN\r\nCAM05,X,PASSWORD_PLAIN=pw;\r\n", 1, 2,
         "PASSWORD_PLAIN is taken only as its own column"},
        {kCsv, "ID,TYPE,CONN.A\r\nCAM05,X,\"say \"\"x\"\"\"\r\n", 1, 2,
         "the property A cannot be stored as given"},
        {kJson, "[\n{\"id\": \"CAM05\",\n \"type\": }\n]", 0, 3, "not valid JSON"},
        {kJson, "{\"id\": \"CAM05\"}", 0, 1, "must be a JSON array"},
        {kJson, "[1e99999]", 0, 0, "not a usable JSON document: number overflow"},
        {kJson, "[{\"id\": \"CAM05\", \"type\": \"X\"}, {\"id\": \"CAM06\", \"type\": 5}]", 2, 0,
         "\"type\" must be a string, not number"},
        {kJson, "[{\"id\": \"CAM05\", \"type\": \"X\", \"colour\": \"red\"}]", 1, 0,
         "unknown field \"colour\""},
        {kJson, "[{\"type\": \"X\"}]", 1, 0, "the resource has no \"id\""},
        // Keys given twice would be dropped by the parser without a word.
        {kJson, R"([{"id": "CAM05", "type": "X"}, {"id": "CAM06", "type": "X", "id": "CAM07"}])", 2,
         0, "the key \"id\" is given twice in one object"},
        {kJson, R"([{"id": "CAM05", "type": "X", "connProperties": {"A": "1", "A": "2"}}])", 1, 0,
         "the key \"A\" is given twice in one object"},
        {kJson, R"([1, {"id": "CAM05", "type": "X", "id": "CAM06"}])", 2, 0,
         "the key \"id\" is given twice in one object"},
        // Load reads no resource file over 16 MiB: such a resource could not be seen again.
        {kCsv, "ID,TYPE,NAME\r\nCAM05,X," + std::string(16u << 20, 'n') + "\r\n", 1, 2,
         "CAM05 would be a file of 16777290 bytes; a resource file holds at most 16777216"},
        {kJson, "[{\"id\": \"CAM05\", \"type\": \"X\", \"connProperties\": {\"A\": 1}}]", 1, 0,
         "\"connProperties\".A must be a string"},
        {kJson,
         "[{\"id\": \"CAM05\", \"type\": \"X\", \"connProperties\": {\"a\": \"1\", \"A\": \"2\"}}]",
         1, 0, "the key A is given twice"},
        {kJson, "[{\"id\": \"CAM05\", \"type\": \"X\", \"name\": \"a\\u0000b\"}]", 1, 0,
         "holds a NUL character"},
        {kJson, "[{\"id\": \"CAM05\", \"type\": \"X\", \"name\": \"\\u4e2d\"}]", 1, 0,
         "Windows-1252 does not have"},
        {kJson,
         "[{\"id\": \"CAM05\", \"type\": \"X\", \"capsProperties\": {\"PASSWORD_PLAIN\": \"pw\"}}]",
         1, 0, "PASSWORD_PLAIN belongs in \"connProperties\""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.text);
        CZRauto_ptr<IKitroster> site = Site();
        const SImportPlan plan = Plan(c.text, c.format, site, c.replace);
        ASSERT_EQ(plan.problems.size(), 1u) << plan.problems[1].message;
        EXPECT_EQ(plan.problems[0].record, c.record);
        EXPECT_EQ(plan.problems[0].line, c.line);
        EXPECT_THAT(plan.problems[0].message, HasSubstr(c.message));
        EXPECT_THAT(plan.problems[0].message, ::testing::Not(HasSubstr("fail")));
        EXPECT_FALSE(ApplyImport(plan, site));
        EXPECT_EQ(site->Size(), 1);
    }

    // Problems of several records are all reported, in document order.
    const SImportPlan many =
        Plan(std::string(kHeader) + "CAM-5,X,,,,\r\nCAM01,X,,,,\r\nCAM06,,,,,\r\nCAM07,X,,,,\r\n",
             ETransferFormat::kCsv, Site());
    ASSERT_EQ(many.problems.size(), 3u);
    EXPECT_EQ(many.problems[0].line, 2);
    EXPECT_EQ(many.problems[2].line, 4);
}

// What a record stores: the text as given, the text written from pairs, fields a replaced
// resource keeps, and a clear password only ever sealed.
TEST(CatalogueImportTest, TextAndPairsCombineAndReplacedResourcesKeepWhatIsNotGiven) {
    struct SCase {
        const char* name;
        ETransferFormat format;
        std::string text;
        bool replace;
        SImportAction::EKind kind;
        const char *type, *nameField, *conn, *caps;
    } cases[] = {
        {"text kept verbatim", ETransferFormat::kCsv,
         "ID,TYPE,CONN,CONN.B,CONN.A\r\nCAM05,X,\"A=1;B=\"\"x;y\"\";E=;\",\"x;y\",1\r\n", false,
         SImportAction::kAdd, "X", "", "A=1;B=\"x;y\";E=;", ""},
        {"pairs written in column order", ETransferFormat::kCsv,
         "ID,TYPE,CONN,CONN.b,CONN.A,CAPS.S\r\nCAM05,X,,x;y,1,\r\n", false, SImportAction::kAdd,
         "X", "", "B=\"x;y\";A=1;", ""},
        {"replace keeps columns not given", ETransferFormat::kCsv, "ID,NAME\r\ncam01,  Lobby  \r\n",
         true, SImportAction::kReplace, "CAMERA_IP", "Lobby", "IPADDR=10.0.0.5;PORT=80;", ""},
        {"CSV pair columns change only their own keys", ETransferFormat::kCsv,
         "ID,CONN,CONN.PORT,CONN.NEW\r\nCAM01,,81,x\r\n", true, SImportAction::kReplace,
         "CAMERA_IP", "", "IPADDR=10.0.0.5;PORT=81;NEW=x;", ""},
        {"an empty CSV pair cell removes its key", ETransferFormat::kCsv,
         "ID,CONN.IPADDR\r\nCAM01,\r\n", true, SImportAction::kReplace, "CAMERA_IP", "", "PORT=80;",
         ""},
        {"identical record unchanged", ETransferFormat::kCsv,
         "ID,TYPE,CONN,CONN.PORT\r\nCAM01,CAMERA_IP,IPADDR=10.0.0.5;PORT=80;,80\r\n", true,
         SImportAction::kUnchanged, "CAMERA_IP", "", "IPADDR=10.0.0.5;PORT=80;", ""},
        {"clear password sealed into the stored text", ETransferFormat::kCsv,
         "ID,PASSWORD_PLAIN\r\nCAM01,pw\r\n", true, SImportAction::kReplace, "CAMERA_IP", "",
         "IPADDR=10.0.0.5;PORT=80;PASSWORD=$kx1$sealed-pw;", ""},
        {"JSON pairs with empty values and a password", ETransferFormat::kJson,
         R"([{"id": "CAM05", "type": "X", "conn": "", "connProperties": {"E": "",
             "PASSWORD_PLAIN": "pw"}, "capsProperties": {}}])",
         false, SImportAction::kAdd, "X", "", "E=;PASSWORD=$kx1$sealed-pw;", ""},
        {"JSON text agrees with its pairs in any order", ETransferFormat::kJson,
         R"([{"id": "CAM01", "caps": "A=1;B=2;", "capsProperties": {"B": "2", "A": "1"}}])", true,
         SImportAction::kReplace, "CAMERA_IP", "", "IPADDR=10.0.0.5;PORT=80;", "A=1;B=2;"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CZRauto_ptr<IKitroster> site = Site();
        const SImportPlan plan = Plan(c.text, c.format, site, c.replace);
        ASSERT_TRUE(plan.problems.empty()) << plan.problems[0].message;
        ASSERT_EQ(plan.actions.size(), 1u);
        const SImportAction& action = plan.actions[0];
        EXPECT_EQ(action.kind, c.kind);
        ASSERT_TRUE(ApplyImport(plan, site));
        CZRauto_ptr<IResourceItem> item = site->GetItemById(action.id);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->get_Type(), c.type);
        EXPECT_EQ(item->get_Name(), c.nameField);
        EXPECT_EQ(item->get_Conn(), c.conn);
        EXPECT_EQ(item->get_Caps(), c.caps);
    }
}

// Whatever the export writes, the import reads back to the same fields, in both formats;
// 8-bit text crosses as UTF-8, and the resources are written by identifier.
TEST(CatalogueImportTest, ExportedDocumentsReadBackExactly) {
    CZRauto_ptr<IKitroster> source =
        MakeCatalogue({{"SRV01", "SERVER_MPEG4", "SERVER=a;PASSWORD=$kx1$abc;E=;"},
                       {"CAM01", "CAMERA_IP", "IPADDR=10.0.0.5;B=\"x=1;y\";junk;"},
                       {"ROOM01", "ROOM_VIDEO", ""},
                       // Cells a spreadsheet would run, and ones that look marked already.
                       {"FORMULA", "+CMD", "-K=@v;N='-1;Q=''+x;R='y;"}});
    // A name holds no line break (the edit rules refuse one); a property string may.
    source->GetItemById("CAM01")->set_Name("Caf\xE9, \"quoted\"");
    source->GetItemById("ROOM01")->set_Caps("S=1;\rT=2;");
    source->GetItemById("FORMULA")->set_Name("=HYPERLINK(\"http://x\",\"y\")");
    source->GetItemById("FORMULA")->set_Caps("@S=+1;");
    for (ETransferFormat format : {ETransferFormat::kCsv, ETransferFormat::kJson}) {
        const std::string text = format == ETransferFormat::kCsv ? ExportCatalogueCsv(source)
                                                                 : ExportCatalogueJson(source);
        if (format == ETransferFormat::kCsv) {
            // No data cell starts a formula; the raw export writes the cells as stored.
            std::vector<SCsvRecord> rows;
            std::vector<SCsvProblem> syntax;
            ASSERT_TRUE(ReadCsv(text, &rows, &syntax));
            for (size_t r = 1; r < rows.size(); ++r) {
                for (const std::string& cell : rows[r].fields)
                    EXPECT_TRUE(cell.empty() ||
                                std::string("=+-@\t\r").find(cell[0]) == std::string::npos)
                        << cell;
            }
            EXPECT_THAT(text, HasSubstr("\"'=HYPERLINK("));
            EXPECT_THAT(text, HasSubstr(",'''+x,"));
            const std::string raw = ExportCatalogueCsv(source, /*raw=*/true);
            EXPECT_THAT(raw, HasSubstr("\"=HYPERLINK("));
            EXPECT_THAT(raw, HasSubstr(",''+x,"));
        }
        CZRauto_ptr<IKitroster> target = MakeCatalogue({});
        const SImportPlan plan = Plan(text, format, target);
        ASSERT_TRUE(plan.problems.empty()) << plan.problems[0].message << "\n" << text;
        ASSERT_TRUE(ApplyImport(plan, target));
        ASSERT_EQ(target->Size(), source->Size());
        // Written by identifier, whatever the collection's order.
        EXPECT_LT(text.find("CAM01"), text.find("ROOM01"));
        EXPECT_LT(text.find("ROOM01"), text.find("SRV01"));
        for (int i = 0; i < source->Size(); ++i) {
            CZRauto_ptr<IResourceItem> a = source->GetItemByIndex(i);
            CZRauto_ptr<IResourceItem> b = target->GetItemById(a->get_ID());
            ASSERT_TRUE(b) << a->get_ID().GetString();
            EXPECT_EQ(a->get_ID(), b->get_ID());
            EXPECT_EQ(a->get_Type(), b->get_Type());
            EXPECT_EQ(a->get_Name(), b->get_Name());
            EXPECT_EQ(a->get_Conn(), b->get_Conn());
            EXPECT_EQ(a->get_Caps(), b->get_Caps());
        }
    }
}

// An object of many keys reads in time linear in its size, in document order, and a key
// given twice is still found. Inserting each key after a scan of the keys before it takes
// seconds here.
TEST(CatalogueImportTest, ManyPropertiesReadQuicklyInOrder) {
    constexpr int kKeys = 30000;
    std::string pairs;
    for (int i = 0; i < kKeys; ++i)
        pairs += (i ? ",\"K" : "\"K") + std::to_string(kKeys - i) + "\": \"v\"";
    const std::string head =
        R"([{"id": "CAM05", "type": "X"}, {"id": "CAM06", "connProperties": {)";
    struct SCase {
        std::string repeated;  // a pair added after the others
        size_t problems;
    } cases[] = {{"", 0}, {", \"K1\": \"w\"", 1}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.repeated);
        std::vector<SImportProblem> problems;
        const auto start = std::chrono::steady_clock::now();
        const std::vector<SImportRecord> records =
            ReadImportRecords(head + pairs + c.repeated + "}}]", ETransferFormat::kJson, &problems);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        ASSERT_EQ(problems.size(), c.problems);
        if (c.problems) {
            EXPECT_EQ(problems[0].record, 2);
            EXPECT_EQ(problems[0].message, "the key \"K1\" is given twice in one object");
            continue;
        }
        ASSERT_EQ(records.size(), 2u);
        const std::vector<SImportProperty>& read = records[1].conn.pairs;
        ASSERT_EQ(read.size(), size_t{kKeys});
        EXPECT_EQ(read.front().key, "K30000");
        EXPECT_EQ(read.back().key, "K1");
    }
}

}  // namespace
}  // namespace NResourceItem
