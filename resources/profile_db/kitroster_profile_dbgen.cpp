// kitroster-profile-dbgen: builds the profile database from the public provider list.
//
//   kitroster-profile-dbgen [--source serviceproviders.xml] OUTPUT
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "resources/profile_db/ProfileDbWriter.h"
#include "resources/profile_db/ProfileRows.h"

int main(int argc, char** argv) {
    using namespace kitroster::profiledb;
    CLI::App app{"Builds the profile database from the mobile broadband provider list"};
    std::string source = "/usr/share/mobile-broadband-provider-info/serviceproviders.xml";
    std::string output;
    app.add_option("--source", source, "provider list (serviceproviders.xml)");
    app.add_option("output", output, "database file to write (replaced)")->required();
    CLI11_PARSE(app, argc, argv);

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << "kitroster-profile-dbgen: cannot read " << source << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const auto root = ParseXml(text.str());
        const auto rows = SelectProfiles(ReadProviderList(*root), CSelectionTargets{});
        WriteProfileDatabase(output, rows);
        std::cout << "wrote " << rows.size() << " profiles to " << output << "\n";
    } catch (const std::exception& e) {
        std::cerr << "kitroster-profile-dbgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
