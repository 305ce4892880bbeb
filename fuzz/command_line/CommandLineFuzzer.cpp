// The command-line splitter on arbitrary text: arguments hold no separators that were not
// quoted, and arguments quoted by the Windows rules split back into themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/common/FuzzCheck.h"
#include "platform/process/CommandLine.h"

namespace {

// The quoting that the splitting rules undo (for arguments after the program).
std::string QuoteArgument(const std::string& arg) {
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
            out.push_back('"');
        } else {
            out.append(slashes, '\\');
            out.push_back(c);
        }
        slashes = 0;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    const std::vector<std::string> args = kitroster::SplitCommandLine(text);
    if (args.empty()) {
        FUZZ_CHECK(text.find_first_not_of(" \t") == std::string::npos, "no arguments from text");
        return 0;
    }
    if (args[0].find('"') != std::string::npos)
        return 0;  // a program name cannot hold a quote
    std::string line = "\"" + args[0] + "\"";
    for (size_t i = 1; i < args.size(); ++i)
        line += " " + QuoteArgument(args[i]);
    const std::vector<std::string> again = kitroster::SplitCommandLine(line);
    FUZZ_CHECK(again == args, "re-quoted line '%s' splits differently", line.c_str());
    return 0;
}
