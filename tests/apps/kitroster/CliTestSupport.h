// What the command-line tests share: a program's result, shell quoting for the command
// lines they build, and reading back what a program wrote.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kitroster_cli_test {

// Exit code (-1 when the program did not exit normally), standard output and error.
struct SResult {
    int code = -1;
    std::string out;
    std::string err;
};

// `arg` as one word for /bin/sh, whatever it holds.
inline std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char ch : arg)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kitroster_cli_test
