#include "platform/process/CommandLine.h"

namespace kitroster {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    if (i == n)
        return args;

    // The program: quotes toggle, backslashes are literal.
    std::string program;
    bool quoted = false;
    for (; i < n; ++i) {
        char c = commandLine[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            program.push_back(c);
        }
    }
    args.push_back(program);

    for (;;) {
        while (i < n && IsBlank(commandLine[i]))
            ++i;
        if (i == n)
            break;
        std::string arg;
        quoted = false;
        while (i < n) {
            char c = commandLine[i];
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && commandLine[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && commandLine[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (IsBlank(c) && !quoted)
                break;
            arg.push_back(c);
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace kitroster
