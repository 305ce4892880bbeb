// Rows of the profile database and how they are drawn from the public provider list.
//
// ReadProviderList() turns the provider list (serviceproviders.xml of the public-domain
// mobile-broadband-provider-info data) into candidate countries, operators and profiles;
// SelectProfiles() picks a fixed number of countries, operators and rows from them with the
// deterministic round-robin rule described in README.md next to this file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "resources/profile_db/MiniXml.h"

namespace kitroster::profiledb {

// One row of table Profile, column for column.
struct CProfileRow {
    std::string m_profileName;
    std::string m_country;
    std::string m_netProvider;
    int m_callType = 1;
    std::string m_apnName;
    std::string m_callNumber;
    std::string m_userName;
    std::string m_password;
    int m_dnsYN = 0;
    std::string m_primaryDns;
    std::string m_secondaryDns;
    std::string m_qosMin = "0,0,0,0,0";
    std::string m_qosReq = "0,0,0,0,0";
    int m_authType = 0;
    int m_defaultProfile = 1;
    int m_lastConnect = 0;
    int m_showList = 0;
    int m_mcc = 0;
    int m_mnc = 0;
    int m_hsdpa = 0;
    int m_common = 0;
    int m_am = 0;
    int m_latin = 0;
    int m_imitation = 0;
};

struct COperatorCandidate {
    std::string m_name;
    std::vector<CProfileRow> m_profiles;  // in preference order, primary keys distinct
};

struct CCountryCandidate {
    std::string m_code;  // ISO 3166 code as written in the list, lower case
    std::string m_name;
    std::vector<COperatorCandidate> m_operators;  // in list order
};

// Reads every country of the list that has at least one candidate operator: a provider with a
// GSM section that has a numeric network id and an internet access point. Throws CXmlError
// when the document is not a provider list.
std::vector<CCountryCandidate> ReadProviderList(const CXmlElement& root);

struct CSelectionTargets {
    std::size_t m_countries = 84;
    std::size_t m_operators = 198;
    std::size_t m_rows = 596;
};

// Picks exactly the target numbers of countries, operators (distinct names) and rows.
// Throws std::runtime_error when the candidates cannot reach the targets.
std::vector<CProfileRow> SelectProfiles(const std::vector<CCountryCandidate>& countries,
                                        const CSelectionTargets& targets);

}  // namespace kitroster::profiledb
