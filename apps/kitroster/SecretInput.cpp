#include "apps/kitroster/SecretInput.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace kitroster::cli {

bool ReadSecretLine(const char* prompt, std::string* secret) {
    secret->clear();
    termios saved{};
    const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::fprintf(stderr, "%s", prompt);
        std::fflush(stderr);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool got = static_cast<bool>(std::getline(std::cin, *secret));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!secret->empty() && secret->back() == '\r')
        secret->pop_back();
    return got;
}

}  // namespace kitroster::cli
