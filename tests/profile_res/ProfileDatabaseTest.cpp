// The profile database generator: its XML reader, the selection rule, the column mapping,
// and the committed database against a fresh generation.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "resources/profile_db/MiniXml.h"
#include "resources/profile_db/ProfileDbWriter.h"
#include "resources/profile_db/ProfileRows.h"
#include "tests/profile_res/ProfileTestSupport.h"

namespace kitroster::profile_test {
namespace {

using namespace kitroster::profiledb;

TEST(ProfileXml, ReadsMarkupAndRejectsMalformedDocuments) {
    const auto root = ParseXml(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"a.dtd\">\n<!-- c -->"
        "<a x='1' y=\"&lt;&amp;&#233;&#x20AC;\"><b/><b>  T&apos;s <![CDATA[<raw>]]> </b>"
        "<!-- inner --><c>z</c></a>");
    EXPECT_EQ(root->m_name, "a");
    EXPECT_EQ(root->Attribute("x"), "1");
    EXPECT_EQ(root->Attribute("y"), "<&\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(root->Attribute("missing"), "");
    EXPECT_EQ(root->Children("b").size(), 2u);
    EXPECT_EQ(TrimXmlSpace(root->Children("b")[1]->m_text), "T's <raw>");
    EXPECT_EQ(root->ChildText("c"), "z");
    for (const char* bad : {"", "<a>", "<a></b>", "<a/><b/>", "<a>&nope;</a>", "<a x=1/>",
                            "<!DOCTYPE a [<!ENTITY e 'x'>]><a/>", "<a>&#0;</a>", "<a><!-- </a>"}) {
        EXPECT_THROW(ParseXml(bad), CXmlError) << bad;
    }
}

// Three countries; "Shared" runs in two of them, "Big" has two network ids.
constexpr const char* kList = R"(<serviceproviders format="2.0">
<country code="bb"><name>Bee</name>
  <provider><name>Shared</name><gsm><network-id mcc="310" mnc="01"/>
    <apn value="web"><name>Web</name><username>u</username><dns>1.1.1.1</dns></apn>
    <apn value="wap"><usage type="wap"/></apn>
    <apn value="alt"><plan type="prepaid"/><name>Web</name>
      <authentication method="chap"/><dns>1.1.1.1</dns><dns>2.2.2.2</dns><dns>3.3.3.3</dns></apn>
    <apn value="alt2"><name>Web</name></apn>
  </gsm></provider>
  <provider><name>NoData</name><gsm><network-id mcc="310" mnc="02"/></gsm></provider>
  <provider><name>Big</name><gsm><network-id mcc="310" mnc="01"/><network-id mcc="31x" mnc="1"/>
    <network-id mcc="722" mnc="070"/><apn value="lte.big"><name>Big 4G</name></apn></gsm></provider>
</country>
<country code="aa"><name>Aye</name>
  <provider><name>Shared</name><gsm><network-id mcc="234" mnc="10"/><apn value="x"/></gsm></provider>
  <provider><name>Own</name><gsm><network-id mcc="234" mnc="20"/><apn value="y"/></gsm></provider>
</country>
<country code="cc"><name>Sea</name>
  <provider><name>Solo</name><gsm><network-id mcc="999" mnc="99"/><apn value="z"/></gsm></provider>
</country>
<country code="dd"><name>Dee</name><provider><name>Cdma</name><cdma><sid value="1"/></cdma></provider></country>
</serviceproviders>)";

TEST(ProfileSelection, MapsCandidatesAndPicksByRoundRobin) {
    const auto candidates = ReadProviderList(*ParseXml(kList));
    ASSERT_EQ(candidates.size(), 3u);  // "dd" has no GSM operator
    const auto& bee = candidates[0];
    ASSERT_EQ(bee.m_operators.size(), 2u);  // "NoData" has no internet access point
    const auto& shared = bee.m_operators[0].m_profiles;
    ASSERT_EQ(shared.size(), 3u);  // the wap access point is not a profile
    EXPECT_EQ(shared[0].m_profileName, "Web");
    EXPECT_EQ(shared[0].m_callType, 1);
    EXPECT_EQ(shared[0].m_callNumber, "*99#");
    EXPECT_EQ(shared[0].m_authType, 1);
    EXPECT_EQ(shared[0].m_dnsYN, 1);
    EXPECT_EQ(shared[0].m_common, 1);
    EXPECT_EQ(shared[0].m_am + shared[0].m_latin, 1);  // MCC 310: Americas, not Latin
    EXPECT_EQ(shared[1].m_profileName, "Web");         // differs from row 0 by call type
    EXPECT_EQ(shared[1].m_callNumber, "*99***1#");
    EXPECT_EQ(shared[1].m_authType, 2);
    EXPECT_EQ(shared[1].m_dnsYN, 2);
    EXPECT_EQ(shared[1].m_secondaryDns, "2.2.2.2");
    EXPECT_EQ(shared[1].m_common, 0);
    EXPECT_EQ(shared[2].m_profileName, "Web (alt2)");  // same key as row 1 otherwise
    const auto& big = bee.m_operators[1].m_profiles;
    ASSERT_EQ(big.size(), 2u);         // the malformed network id is skipped
    EXPECT_EQ(big[0].m_imitation, 1);  // 310 01 belongs to "Shared", listed earlier
    EXPECT_EQ(big[0].m_hsdpa, 1);
    EXPECT_EQ(big[1].m_mnc, 70);
    EXPECT_EQ(big[1].m_latin, 1);
    EXPECT_EQ(big[1].m_imitation, 0);

    // Countries by operator count, then code: aa, bb. Operators: round 1 takes Shared (aa)
    // and, as that name is taken, Big (bb); round 2 takes Own (aa). Rows: one per operator,
    // then Big's second.
    const auto rows = SelectProfiles(candidates, {2, 3, 4});
    std::vector<std::string> got;
    for (const auto& row : rows) {
        got.push_back(row.m_country + "/" + row.m_netProvider + "/" + row.m_apnName + "/" +
                      std::to_string(row.m_mnc));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"Aye/Shared/x/10", "Aye/Own/y/20", "Bee/Big/lte.big/1",
                                             "Bee/Big/lte.big/70"}));
    EXPECT_THROW(SelectProfiles(candidates, {4, 4, 4}), std::runtime_error);  // countries
    EXPECT_THROW(SelectProfiles(candidates, {3, 5, 5}), std::runtime_error);  // operators
    EXPECT_THROW(SelectProfiles(candidates, {3, 4, 6}), std::runtime_error);  // rows
}

TEST(ProfileDatabase, WriterPadsToTheFixedPageCount) {
    CTempFolder folder;
    const auto path = folder.Path() / "small.db";
    const auto rows = SelectProfiles(ReadProviderList(*ParseXml(kList)), {3, 4, 5});
    WriteProfileDatabase(path.string(), rows, 9);
    CTestDb db(path);
    EXPECT_EQ(db.Value("PRAGMA page_count"), "9");
    EXPECT_EQ(db.Value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(db.Value("SELECT count(*) FROM Profile"), "5");
    EXPECT_EQ(db.Value("SELECT count(*) FROM sqlite_schema"), "2");
    EXPECT_EQ(std::filesystem::file_size(path), 9u * 1024u);
    EXPECT_THROW(WriteProfileDatabase(path.string(), rows, 2), std::runtime_error);
}

TEST(ProfileDatabase, CommittedFileMatchesFreshGeneration) {
    CTempFolder folder;
    const auto fresh = folder.Path() / "fresh.db";
    const std::string list = ReadFile(KITROSTER_PROVIDER_LIST_PATH);
    ASSERT_FALSE(list.empty()) << "provider list missing: " KITROSTER_PROVIDER_LIST_PATH;
    WriteProfileDatabase(fresh.string(),
                         SelectProfiles(ReadProviderList(*ParseXml(list)), CSelectionTargets{}));

    CTestDb db(fresh);
    EXPECT_EQ(db.Value("PRAGMA page_count"), "125");
    EXPECT_EQ(db.Value("PRAGMA integrity_check"), "ok");
    ASSERT_EQ(sqlite3_exec(db.Get(),
                           ("ATTACH '" + std::string(KITROSTER_PROFILE_DB_PATH) + "' AS c").c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(db.Value("SELECT sql FROM sqlite_schema WHERE name = 'Profile'"),
              db.Value("SELECT sql FROM c.sqlite_schema WHERE name = 'Profile'"));
    EXPECT_EQ(db.Value("SELECT (SELECT count(*) FROM Profile) || '|' || "
                       "(SELECT count(*) FROM c.Profile)"),
              "596|596");
    EXPECT_EQ(db.Rows("SELECT * FROM Profile EXCEPT SELECT * FROM c.Profile"),
              std::vector<std::string>{});
    EXPECT_EQ(db.Rows("SELECT * FROM c.Profile EXCEPT SELECT * FROM Profile"),
              std::vector<std::string>{});
}

TEST(ProfileDatabase, CommittedRowsKeepTheFixedValuesAndRules) {
    CTestDb db(KITROSTER_PROFILE_DB_PATH);
    // Each query counts the rows that break one rule.
    const std::map<std::string, std::string> violations = {
        {"fixed values",
         "SELECT count(*) FROM Profile WHERE DefaultProfile <> 1 OR "
         "LastConnect <> 0 OR ShowList <> 0 OR QosMin <> '0,0,0,0,0' OR "
         "QosReq <> '0,0,0,0,0'"},
        {"dial string",
         "SELECT count(*) FROM Profile WHERE NOT ((CallType = 1 AND CallNumber = "
         "'*99#') OR (CallType = 2 AND CallNumber = '*99***1#'))"},
        {"dns",
         "SELECT count(*) FROM Profile WHERE DNSYN <> (PrimaryDNS <> '') + "
         "(SecondaryDNS <> '') OR (SecondaryDNS <> '' AND PrimaryDNS = '')"},
        {"auth",
         "SELECT count(*) FROM Profile WHERE AuthType NOT IN (0, 1, 2) OR "
         "(AuthType = 0 AND (UserName <> '' OR Password <> ''))"},
        {"codes",
         "SELECT count(*) FROM Profile WHERE MCC NOT BETWEEN 200 AND 799 OR "
         "MNC NOT BETWEEN 0 AND 999 OR APNname = ''"},
        {"regions",
         "SELECT count(*) FROM Profile WHERE AM <> (MCC / 100 IN (3, 7)) OR "
         "LATIN <> (MCC BETWEEN 330 AND 399 OR MCC / 100 = 7)"},
        {"flags",
         "SELECT count(*) FROM Profile WHERE HSDPA NOT IN (0, 1) OR COMMON NOT IN "
         "(0, 1) OR Imitation NOT IN (0, 1)"},
        {"one country per operator",
         "SELECT count(*) FROM (SELECT NetProvider FROM Profile GROUP BY NetProvider "
         "HAVING count(DISTINCT Country) > 1)"},
        {"every operator has a default profile",
         "SELECT count(*) FROM (SELECT NetProvider FROM Profile GROUP BY NetProvider "
         "HAVING min(CallType) <> 1)"},
    };
    for (const auto& [rule, sql] : violations) {
        EXPECT_EQ(db.Value(sql), "0") << rule;
    }
    EXPECT_EQ(db.Value("SELECT count(DISTINCT CallType) || count(DISTINCT DNSYN) || "
                       "count(DISTINCT AuthType) FROM Profile"),
              "233");
}

}  // namespace
}  // namespace kitroster::profile_test
