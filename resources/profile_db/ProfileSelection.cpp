// The deterministic selection of countries, operators and rows (see README.md).
#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

#include "resources/profile_db/ProfileRows.h"

namespace kitroster::profiledb {

namespace {

[[noreturn]] void Unreachable(const std::string& what, std::size_t got, std::size_t wanted) {
    throw std::runtime_error("the provider list yields only " + std::to_string(got) + " " + what +
                             ", " + std::to_string(wanted) + " are needed");
}

}  // namespace

std::vector<CProfileRow> SelectProfiles(const std::vector<CCountryCandidate>& candidates,
                                        const CSelectionTargets& targets) {
    // Countries: those with the most candidate operators first, ties by ISO code.
    std::vector<const CCountryCandidate*> countries;
    for (const CCountryCandidate& country : candidates) {
        countries.push_back(&country);
    }
    std::stable_sort(countries.begin(), countries.end(), [](const auto* a, const auto* b) {
        if (a->m_operators.size() != b->m_operators.size()) {
            return a->m_operators.size() > b->m_operators.size();
        }
        return a->m_code < b->m_code;
    });
    if (countries.size() < targets.m_countries) {
        Unreachable("countries", countries.size(), targets.m_countries);
    }
    countries.resize(targets.m_countries);

    // Operators: round robin over the countries in that order, each round taking every
    // country's next operator (list order) whose name is not taken yet.
    std::vector<std::vector<const COperatorCandidate*>> chosen(countries.size());
    std::vector<std::size_t> cursor(countries.size(), 0);
    std::set<std::string> takenNames;
    std::size_t operatorCount = 0;
    for (bool progress = true; operatorCount < targets.m_operators && progress;) {
        progress = false;
        for (std::size_t c = 0; c < countries.size() && operatorCount < targets.m_operators; ++c) {
            const auto& operators = countries[c]->m_operators;
            while (cursor[c] < operators.size() && takenNames.count(operators[cursor[c]].m_name)) {
                ++cursor[c];
            }
            if (cursor[c] < operators.size()) {
                takenNames.insert(operators[cursor[c]].m_name);
                chosen[c].push_back(&operators[cursor[c]++]);
                ++operatorCount;
                progress = true;
            }
        }
    }
    if (operatorCount < targets.m_operators) {
        Unreachable("operators with distinct names", operatorCount, targets.m_operators);
    }
    for (std::size_t c = 0; c < countries.size(); ++c) {
        if (chosen[c].empty()) {
            throw std::runtime_error("country " + countries[c]->m_code +
                                     " keeps no operator with a distinct name");
        }
    }

    // Rows: round robin over the chosen operators in the order they were chosen, each round
    // taking every operator's next profile.
    std::vector<const COperatorCandidate*> operators;
    for (std::size_t round = 0; operators.size() < operatorCount; ++round) {
        for (const auto& list : chosen) {
            if (round < list.size()) {
                operators.push_back(list[round]);
            }
        }
    }
    std::vector<std::size_t> taken(operators.size(), 0);
    std::size_t rowCount = 0;
    for (bool progress = true; rowCount < targets.m_rows && progress;) {
        progress = false;
        for (std::size_t o = 0; o < operators.size() && rowCount < targets.m_rows; ++o) {
            if (taken[o] < operators[o]->m_profiles.size()) {
                ++taken[o];
                ++rowCount;
                progress = true;
            }
        }
    }
    if (rowCount < targets.m_rows) {
        Unreachable("rows", rowCount, targets.m_rows);
    }

    // Rows come out grouped by country and operator, in selection order.
    std::vector<CProfileRow> rows;
    rows.reserve(rowCount);
    for (const auto& list : chosen) {
        for (const COperatorCandidate* op : list) {
            const auto o = static_cast<std::size_t>(
                std::find(operators.begin(), operators.end(), op) - operators.begin());
            rows.insert(rows.end(), op->m_profiles.begin(),
                        op->m_profiles.begin() + static_cast<std::ptrdiff_t>(taken[o]));
        }
    }
    return rows;
}

}  // namespace kitroster::profiledb
