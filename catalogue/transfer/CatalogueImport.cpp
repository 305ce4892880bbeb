#include "catalogue/transfer/CatalogueImport.h"

#include <map>
#include <optional>
#include <set>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceItemPersist.h"
#include "catalogue/queries/EditRules.h"
#include "catalogue/queries/PasswordRule.h"
#include "catalogue/transfer/TransferColumns.h"
#include "platform/env/PathMapping.h"
#include "platform/kxcommon/KXCommon.h"

namespace NResourceItem {

namespace {

using namespace transfer;

std::string Utf8(const CString& text) {
    return kitroster::Cp1252ToUtf8(text.str());
}

CString Upper(CString text) {
    return text.MakeUpper();
}

CString Trimmed(CString text) {
    return text.Trim();
}

// Properties in order, with an index by key: a document may carry a hundred thousand of
// them, and every look-up must stay logarithmic. A key given twice finds its first value.
class CPropertyList {
  public:
    void push_back(SImportProperty property) {
        m_index.emplace(property.key, m_items.size());
        m_items.push_back(std::move(property));
    }
    const CString* Find(const CString& upperKey) const {
        const auto it = m_index.find(upperKey);
        return it == m_index.end() ? nullptr : &m_items[it->second].value;
    }
    std::vector<SImportProperty>::const_iterator begin() const { return m_items.begin(); }
    std::vector<SImportProperty>::const_iterator end() const { return m_items.end(); }
    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }

  private:
    std::vector<SImportProperty> m_items;
    std::map<CString, size_t> m_index;
};

CPropertyList Parse(const CString& text) {
    CPropertyList properties;
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    CString key, value;
    for (int i = 0; bag->Get(i, key, value); ++i)
        properties.push_back({key, value});
    return properties;
}

const CString* Find(const CPropertyList& properties, const CString& upperKey) {
    return properties.Find(upperKey);
}

// Checks one record and works out what it stores.
class CRecordCheck {
  public:
    CRecordCheck(const SImportRecord& record, IKitroster* collection, const SImportOptions& options,
                 std::vector<SImportProblem>* problems)
        : m_record(record), m_collection(collection), m_options(options), m_problems(problems) {}

    // The action of a record without problems; nullopt when it had one.
    std::optional<SImportAction> Run(IResourceItem* existing) {
        SImportAction action;
        action.record = m_record.index;
        if (existing && !m_options.replace) {
            // The rule's "already exists" message.
            if (!CheckNewResourceId({}, " (--replace replaces it)").IsEmpty())
                Fail(Utf8(existing->get_ID()) + " already exists");
        } else if (existing) {
            const SEntryCheck check = CheckResourceId(m_record.id, nullptr, /*existing=*/true);
            if (!check.Accepted())
                Fail(check);
            action.id = existing->get_ID();
        } else {
            action.id = CheckNewResourceId(SResourceFields{m_record.type, {}, {}, {}}, "");
        }
        const std::optional<CString> type = CheckedField(true, m_record.type);
        const std::optional<CString> name = CheckedField(false, m_record.name);
        const CString currentConn = existing ? existing->get_Conn() : CString();
        const CString currentCaps = existing ? existing->get_Caps() : CString();
        std::optional<CString> conn = Properties(true, m_record.conn, currentConn);
        const std::optional<CString> caps = Properties(false, m_record.caps, currentCaps);
        if (m_record.passwordPlain)
            conn = WithSealedPassword(conn, existing);
        // A PASSWORD sealed from the record's own clear password needs no further look.
        if (conn)
            CheckPasswordProperties(true, *conn, /*sealedHere=*/m_record.passwordPlain.has_value());
        if (caps)
            CheckPasswordProperties(false, *caps, false);
        if (m_failed)
            return std::nullopt;

        auto pick = [](const std::optional<CString>& given, IResourceItem* item,
                       CString (IResourceItem::*get)()) {
            return given ? *given : item ? (item->*get)() : CString();
        };
        action.type = pick(type, existing, &IResourceItem::get_Type);
        action.name = pick(name, existing, &IResourceItem::get_Name);
        action.conn = pick(conn, existing, &IResourceItem::get_Conn);
        action.caps = pick(caps, existing, &IResourceItem::get_Caps);
        if (!existing) {
            action.kind = SImportAction::kAdd;
        } else if (action.type == existing->get_Type() && action.name == existing->get_Name() &&
                   action.conn == existing->get_Conn() && action.caps == existing->get_Caps()) {
            action.kind = SImportAction::kUnchanged;
        } else {
            action.kind = SImportAction::kReplace;
        }
        return action;
    }

  private:
    void Fail(const std::string& message) {
        // An edit rule may refuse two fields for one cause; say it once.
        for (const SImportProblem& problem : m_said) {
            if (problem.message == message)
                return;
        }
        m_said.push_back({m_record.index, m_record.line, message});
        m_problems->push_back(m_said.back());
        m_failed = true;
    }
    void Fail(const SEntryCheck& check) { Fail(Utf8(check.message)); }

    // The identifier checks of a new resource, with the type (the one field they demand);
    // the cleaned identifier, empty on a problem.
    CString CheckNewResourceId(const SResourceFields& fields, const std::string& hint) {
        CString id;
        SResourceFields cleaned;
        const SEntryCheck check =
            CheckNewResource(m_record.id, fields, m_collection, &id, &cleaned);
        if (!check.Accepted()) {
            Fail(Utf8(check.message) + hint);
            return CString();
        }
        CString holder;
        const CString file = GetFileTakenFrom(m_collection, id, &holder);
        if (!file.IsEmpty()) {
            Fail(Utf8(id) + " cannot be stored: its file " + Utf8(file) +
                 (holder.IsEmpty() ? " could not be read and is left as it is"
                                   : " holds the resource " + Utf8(holder)));
        }
        return id;
    }

    // The type (`isType`) or the name, checked and trimmed.
    std::optional<CString> CheckedField(bool isType, const std::optional<CString>& value) {
        if (!value)
            return std::nullopt;
        SResourceFields fields, cleaned;
        (isType ? fields.type : fields.name) = *value;
        const SEntryCheck check = CheckResourceFields(fields, &cleaned);
        if (!check.Accepted()) {
            Fail(check);
            return std::nullopt;
        }
        return isType ? cleaned.type : cleaned.name;
    }

    // The property string a connectivity or capability field stores; nullopt when the
    // record does not carry it or it has a problem.
    std::optional<CString> Properties(bool connectivity, const SImportProperties& given,
                                      const CString& current) {
        const char* label = connectivity ? kLabelConnectivity : kLabelCapabilities;
        std::optional<CString> text;
        if (given.text) {
            SResourceFields fields, cleaned;
            (connectivity ? fields.conn : fields.caps) = *given.text;
            const SEntryCheck check = CheckResourceFields(fields, &cleaned);
            if (!check.Accepted()) {
                Fail(check);
                return std::nullopt;
            }
            text = connectivity ? cleaned.conn : cleaned.caps;
        }

        CPropertyList pairs;
        bool pairsFine = true;
        for (const SImportProperty& pair : given.pairs) {
            // Compared as given: agreement with the text is exact. Written() trims values.
            const CString key = Upper(pair.key);
            const SEntryCheck check = CheckPropertyEntry(connectivity, key, pair.value);
            if (!check.Accepted()) {
                Fail(check);
                pairsFine = false;
            } else if (key.IsEmpty()) {
                Fail(std::string(label) + ": a property has an empty key");
                pairsFine = false;
            } else if (Find(pairs, key)) {
                Fail(std::string(label) + ": the key " + Utf8(key) + " is given twice");
                pairsFine = false;
            } else {
                pairs.push_back({key, pair.value});
            }
        }
        if (!pairsFine)
            return std::nullopt;

        if (text && !text->IsEmpty()) {
            if (pairs.empty())
                return text;
            return Agree(label, *text, pairs, given.columnKeys) ? text : std::nullopt;
        }
        if (!given.columnKeys.empty()) {
            // A spreadsheet column speaks for its own key only: it sets the key, or removes
            // it when the cell is empty, and a replaced resource keeps its other properties.
            // Kept keys stay where they are, new ones follow in column order.
            std::set<CString> columns;
            for (const CString& columnKey : given.columnKeys)
                columns.insert(Upper(columnKey));
            CPropertyList merged;
            for (const SImportProperty& property : Parse(current)) {
                if (!columns.count(property.key))
                    merged.push_back(property);
                else if (const CString* value = Find(pairs, property.key))
                    merged.push_back({property.key, *value});
            }
            for (const SImportProperty& pair : pairs) {
                if (!Find(merged, pair.key))
                    merged.push_back(pair);
            }
            return Written(label, merged);
        }
        if (!pairs.empty())
            return Written(label, pairs);
        if (text)
            return text;
        return given.pairsCarried ? std::optional<CString>(CString()) : std::nullopt;
    }

    // Whether the text holds exactly the pairs; each difference is a problem. With
    // `columnKeys` (CSV) only those keys are compared, an empty cell standing for an absent
    // or empty property.
    bool Agree(const char* label, const CString& text, const CPropertyList& pairs,
               const std::vector<CString>& columnKeys) {
        const CPropertyList parsed = Parse(text);
        bool agree = true;
        auto compare = [&](const CString& key) {
            const CString* inText = Find(parsed, key);
            const CString* inPairs = Find(pairs, key);
            if (columnKeys.empty()
                    ? (inText && inPairs && *inText == *inPairs)
                    : (inText ? *inText : CString()) == (inPairs ? *inPairs : CString())) {
                return;
            }
            // A password is never echoed, in case it was typed in clear.
            const bool secret = key == kPasswordKey;
            std::string how = !inText  ? std::string("the text does not have it")
                              : secret ? std::string("the values differ")
                                       : "the text has '" + Utf8(*inText) + "'";
            if (!inPairs)
                how += ", the pairs do not have it";
            else if (!secret || !inText)
                how += secret ? ", the pair has it" : ", the pair '" + Utf8(*inPairs) + "'";
            Fail(std::string(label) + " text and pairs disagree on " + Utf8(key) + ": " + how);
            agree = false;
        };
        if (columnKeys.empty()) {
            for (const SImportProperty& pair : pairs)
                compare(pair.key);
            for (const SImportProperty& property : parsed) {
                if (!Find(pairs, property.key))
                    compare(property.key);
            }
        } else {
            for (const CString& key : columnKeys)
                compare(Upper(key));
        }
        return agree;
    }

    // The property string written from pairs, values trimmed as the edit dialog trims
    // them; a pair the string cannot carry (a double quote, a key with '=' or ';' or white
    // space at either end) is a problem.
    std::optional<CString> Written(const char* label, const CPropertyList& pairs) {
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance();
        for (const SImportProperty& pair : pairs)
            bag->Set(pair.key, Trimmed(pair.value));
        CString text;
        bag->ToString(text);
        const CPropertyList reread = Parse(text);
        bool fine = true;
        for (const SImportProperty& pair : pairs) {
            const CString* back = Find(reread, pair.key);
            if (!back || *back != Trimmed(pair.value)) {
                Fail(std::string(label) + ": the property " + Utf8(pair.key) +
                     " cannot be stored as given (keys hold no '=', ';', '\"' or white space "
                     "at either end, values no '\"')");
                fine = false;
            }
        }
        if (fine && reread.size() != pairs.size()) {
            Fail(std::string(label) + ": the properties cannot be stored as given");
            fine = false;
        }
        if (!fine)
            return std::nullopt;
        return text;
    }

    // The connectivity with the record's clear password sealed into PASSWORD.
    std::optional<CString> WithSealedPassword(const std::optional<CString>& conn,
                                              IResourceItem* existing) {
        if (!conn && (m_record.conn.text || m_record.conn.pairsCarried))
            return std::nullopt;  // the connectivity given had a problem
        const CString base = conn ? *conn : existing ? existing->get_Conn() : CString();
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(base);
        CString stored;
        if (conn && bag->Get(kPasswordKey, stored)) {
            Fail(std::string("both ") + kPasswordKey + " and " + kPasswordPlainKey + " are given");
            return std::nullopt;
        }
        const CString sealed = m_options.seal ? m_options.seal(*m_record.passwordPlain)
                                              : EncryptPassword(*m_record.passwordPlain);
        if (sealed.IsEmpty()) {
            Fail("the password cannot be sealed: the site key is not usable");
            return std::nullopt;
        }
        bag->Set(kPasswordKey, sealed);
        CString text;
        bag->ToString(text);
        return text;
    }

    // Clear text never reaches a resource file: a PASSWORD must be sealed with this site's
    // key, and a PASSWORD_PLAIN is only taken where it is sealed on the way in.
    void CheckPasswordProperties(bool connectivity, const CString& text, bool sealedHere) {
        const char* label = connectivity ? kLabelConnectivity : kLabelCapabilities;
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
        CString value;
        if (bag->Get(kPasswordPlainKey, value)) {
            Fail(std::string(label) + ": " + kPasswordPlainKey +
                 " is taken only as its own column or connProperties key, and is then sealed");
        }
        if (!connectivity || sealedHere)
            return;
        switch (ClassifyConnPassword(text, m_options.opens)) {
            case EStoredPassword::kClear:
                Fail(std::string(kPasswordKey) + " is not sealed text; give a clear password as " +
                     kPasswordPlainKey + " to have it sealed");
                break;
            case EStoredPassword::kUnopened:
                Fail(std::string(kPasswordKey) +
                     " does not open with this site's key (sealed at another site, or "
                     "damaged); give it again as " +
                     kPasswordPlainKey);
                break;
            case EStoredPassword::kNone:
            case EStoredPassword::kSealed:
                break;
        }
    }

    const SImportRecord& m_record;
    IKitroster* m_collection;
    const SImportOptions& m_options;
    std::vector<SImportProblem>* m_problems;
    std::vector<SImportProblem> m_said;
    bool m_failed = false;
};

}  // namespace

SImportPlan CheckImportRecords(const std::vector<SImportRecord>& records,
                               std::vector<SImportProblem> problems, IKitroster* collection,
                               const SImportOptions& options) {
    SImportPlan plan;
    plan.problems = std::move(problems);
    std::map<CString, const SImportRecord*> seen;  // upper-cased identifier -> first record
    for (const SImportRecord& record : records) {
        const CString key = Upper(Trimmed(record.id));
        if (!key.IsEmpty()) {
            auto [it, fresh] = seen.emplace(key, &record);
            if (!fresh) {
                const SImportRecord& first = *it->second;
                std::string where = "record " + std::to_string(first.index);
                if (first.line > 0)
                    where = "line " + std::to_string(first.line);
                plan.problems.push_back({record.index, record.line,
                                         Utf8(key) + " is given again (first on " + where + ")"});
                continue;
            }
        }
        CZRauto_ptr<IResourceItem> existing;
        if (!key.IsEmpty() && HasOnlyIdCharacters(key))
            existing = collection->GetItemById(key);
        CRecordCheck check(record, collection, options, &plan.problems);
        std::optional<SImportAction> action = check.Run(existing);
        if (!action)
            continue;
        // Load reads no larger file: a resource stored bigger could not be seen or deleted.
        const size_t bytes = CResourceItemPersistFactory::FormatResourceText(
                                 action->id, action->type, action->name, action->conn, action->caps)
                                 .size();
        if (bytes > kMaxResourceFileBytes) {
            plan.problems.push_back(
                {record.index, record.line,
                 Utf8(action->id) + " would be a file of " + std::to_string(bytes) +
                     " bytes; a resource file holds at most " +
                     std::to_string(kMaxResourceFileBytes) + " bytes (16 MiB)"});
            continue;
        }
        plan.actions.push_back(std::move(*action));
    }
    return plan;
}

SImportPlan PlanImport(std::string_view text, ETransferFormat format, IKitroster* collection,
                       const SImportOptions& options) {
    std::vector<SImportProblem> problems;
    const std::vector<SImportRecord> records =
        ReadImportRecords(text, format, &problems, options.rawCells);
    return CheckImportRecords(records, std::move(problems), collection, options);
}

bool ApplyImport(const SImportPlan& plan, IKitroster* collection) {
    if (!plan.problems.empty())
        return false;
    for (const SImportAction& action : plan.actions) {
        CZRauto_ptr<IResourceItem> item;
        if (action.kind == SImportAction::kUnchanged)
            continue;
        if (action.kind == SImportAction::kReplace) {
            item = collection->GetItemById(action.id);
        } else {
            item = CResourceItemFactory::CreateInstance();
            item->set_ID(action.id);
        }
        item->set_Type(action.type);
        item->set_Name(action.name);
        item->set_Conn(action.conn);
        item->set_Caps(action.caps);
        if (action.kind == SImportAction::kAdd)
            collection->Add(item);
    }
    return true;
}

}  // namespace NResourceItem
