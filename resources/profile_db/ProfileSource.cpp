// Maps the provider list to candidate profile rows.
#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

#include "resources/profile_db/ProfileRows.h"

namespace kitroster::profiledb {

namespace {

constexpr const char* kDefaultContextDial = "*99#";
constexpr const char* kNumberedContextDial = "*99***1#";

// The first <name> without a language tag, else the first <name>; trimmed.
std::string DisplayName(const CXmlElement& element) {
    const auto names = element.Children("name");
    for (const CXmlElement* name : names) {
        if (!name->HasAttribute("xml:lang")) {
            return TrimXmlSpace(name->m_text);
        }
    }
    return names.empty() ? std::string() : TrimXmlSpace(names.front()->m_text);
}

bool ParseCode(const std::string& text, std::size_t minDigits, std::size_t maxDigits, int& out) {
    if (text.size() < minDigits || text.size() > maxDigits) {
        return false;
    }
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        out = out * 10 + (c - '0');
    }
    return true;
}

bool IsInternetApn(const CXmlElement& apn) {
    const CXmlElement* usage = apn.Child("usage");
    return usage == nullptr || usage->Attribute("type") == "internet";
}

// Whether the profile names a high-speed (3G or later, or "broadband") service.
bool NamesHighSpeedService(const std::string& profileName, const std::string& apn) {
    std::string text = profileName + " " + apn;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::string_view word : {"3g", "4g", "lte", "hsdpa", "hspa", "umts", "broadband"}) {
        if (text.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

struct CNetworkId {
    int m_mcc = 0;
    int m_mnc = 0;
    bool m_shared = false;  // an operator earlier in the list uses the same id
};

CProfileRow MakeRow(const std::string& country, const std::string& operatorName,
                    const CNetworkId& id, const CXmlElement& apn, bool firstApn) {
    CProfileRow row;
    row.m_country = country;
    row.m_netProvider = operatorName;
    row.m_apnName = TrimXmlSpace(apn.Attribute("value"));
    row.m_profileName = DisplayName(apn);
    if (row.m_profileName.empty()) {
        row.m_profileName = operatorName;
    }
    // The operator's first access point is its default: the modem's default context reaches
    // it. Further access points are set in context 1 and dialled by number.
    row.m_callType = firstApn ? 1 : 2;
    row.m_callNumber = firstApn ? kDefaultContextDial : kNumberedContextDial;
    row.m_userName = apn.ChildText("username");
    row.m_password = apn.ChildText("password");
    const auto dns = apn.Children("dns");
    if (!dns.empty()) {
        row.m_primaryDns = TrimXmlSpace(dns[0]->m_text);
    }
    if (dns.size() > 1) {
        row.m_secondaryDns = TrimXmlSpace(dns[1]->m_text);
    }
    row.m_dnsYN = static_cast<int>(std::min<std::size_t>(dns.size(), 2));
    const std::string method = apn.Child("authentication")
                                   ? apn.Child("authentication")->Attribute("method")
                                   : std::string();
    if (method == "chap") {
        row.m_authType = 2;
    } else if (method == "pap" || !row.m_userName.empty() || !row.m_password.empty()) {
        row.m_authType = 1;
    }
    row.m_mcc = id.m_mcc;
    row.m_mnc = id.m_mnc;
    row.m_hsdpa = NamesHighSpeedService(row.m_profileName, row.m_apnName) ? 1 : 0;
    std::set<std::string> plans;
    for (const CXmlElement* plan : apn.Children("plan")) {
        plans.insert(plan->Attribute("type"));
    }
    row.m_common = plans.size() == 1 ? 0 : 1;  // offered on every plan
    row.m_am = (id.m_mcc >= 300 && id.m_mcc < 400) || (id.m_mcc >= 700 && id.m_mcc < 800);
    row.m_latin = (id.m_mcc >= 330 && id.m_mcc < 400) || (id.m_mcc >= 700 && id.m_mcc < 800);
    row.m_imitation = id.m_shared ? 1 : 0;
    return row;
}

using CRowKey = std::tuple<std::string, int, int, int, int>;

CRowKey KeyOf(const CProfileRow& row) {
    return {row.m_profileName, row.m_callType, row.m_hsdpa, row.m_mcc, row.m_mnc};
}

}  // namespace

std::vector<CCountryCandidate> ReadProviderList(const CXmlElement& root) {
    if (root.m_name != "serviceproviders") {
        throw CXmlError("not a provider list: root element <" + root.m_name + ">");
    }
    std::vector<CCountryCandidate> countries;
    std::set<std::pair<int, std::string>> seenIds;  // (MCC, MNC as written)
    for (const CXmlElement* countryElement : root.Children("country")) {
        CCountryCandidate country;
        country.m_code = countryElement->Attribute("code");
        country.m_name = DisplayName(*countryElement);
        if (country.m_name.empty()) {
            country.m_name = country.m_code;
        }
        for (const CXmlElement* provider : countryElement->Children("provider")) {
            const CXmlElement* gsm = provider->Child("gsm");
            if (gsm == nullptr) {
                continue;
            }
            std::vector<CNetworkId> ids;
            std::set<std::pair<int, std::string>> ownIds;
            for (const CXmlElement* idElement : gsm->Children("network-id")) {
                CNetworkId id;
                const std::string& mnc = idElement->Attribute("mnc");
                if (!ParseCode(idElement->Attribute("mcc"), 3, 3, id.m_mcc) ||
                    !ParseCode(mnc, 2, 3, id.m_mnc)) {
                    continue;
                }
                id.m_shared = seenIds.count({id.m_mcc, mnc}) != 0;
                ownIds.insert({id.m_mcc, mnc});
                ids.push_back(id);
            }
            seenIds.insert(ownIds.begin(), ownIds.end());
            std::vector<const CXmlElement*> apns;
            for (const CXmlElement* apn : gsm->Children("apn")) {
                if (IsInternetApn(*apn)) {
                    apns.push_back(apn);
                }
            }
            COperatorCandidate candidate;
            candidate.m_name = DisplayName(*provider);
            if (ids.empty() || apns.empty() || candidate.m_name.empty()) {
                continue;
            }
            // Network id outer, access point inner: the first rows give each network of the
            // operator its default profile.
            std::set<CRowKey> keys;
            for (const CNetworkId& id : ids) {
                for (std::size_t i = 0; i < apns.size(); ++i) {
                    CProfileRow row =
                        MakeRow(country.m_name, candidate.m_name, id, *apns[i], i == 0);
                    if (!keys.insert(KeyOf(row)).second) {
                        // Two access points share a display name: tell them apart by APN.
                        row.m_profileName += " (" + row.m_apnName + ")";
                        if (!keys.insert(KeyOf(row)).second) {
                            continue;
                        }
                    }
                    candidate.m_profiles.push_back(std::move(row));
                }
            }
            country.m_operators.push_back(std::move(candidate));
        }
        if (!country.m_operators.empty()) {
            countries.push_back(std::move(country));
        }
    }
    return countries;
}

}  // namespace kitroster::profiledb
