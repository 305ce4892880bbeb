// Windows-form path text to native path text, as the POSIX Env does it at the system-call
// boundary.
#pragma once

#include <string>

#include "platform/env/EnvStatus.h"

namespace kitroster {

// Maps `path` to a native path:
//   - '\' and '/' are both separators;
//   - "\\server\share\rest" becomes <uncRoot>/server/share/rest; "." and ".." inside rest
//     are resolved and never climb above the share; a server or share named "." or ".."
//     fails with kErrorBadNetPath; "\\?\UNC\server\share" is the same as the short form
//     and "\\?\" before any other path is dropped;
//   - a drive letter ("C:\x", "c:/x", "C:") and device paths ("\\.\x") fail with
//     kErrorPathNotFound: nothing here can reach them;
//   - an empty path fails with kErrorPathNotFound; a NUL or control byte or one of
//     < > " | * ? fails with kErrorInvalidName, as Windows refuses such names;
//   - anything else (native absolute "/var/x" or relative "dir\x") keeps its text, with
//     separators turned into '/'.
// Thread-safety: a pure function.
EnvStatus MapWindowsPath(const std::string& path, const std::string& uncRoot, std::string* native);

// Path text inside the system is Windows-1252; the file system's names are UTF-8.
// Windows-1252 text as UTF-8 (the five bytes the code page leaves undefined become the C1
// controls of that value, so every byte converts and the conversion can be undone).
KR_ENV_API std::string Cp1252ToUtf8(const std::string& text);
// UTF-8 text as Windows-1252; false (and `*text` unspecified) when `utf8` is not
// well-formed UTF-8, or holds a character the code page lacks and `substitute` is 0
// (otherwise such a character becomes `substitute`).
KR_ENV_API bool Utf8ToCp1252(const std::string& utf8, std::string* text, char substitute = 0);

// The substitute for a character the code page lacks where text from a person is converted
// before it can be refused (the dialog backends): the ASCII "substitute" control, which
// nobody types, so that a check later finds it and refuses the text instead of storing a
// '?' in its place.
inline constexpr char kUnheldCharacter = '\x1A';
// The message that refuses such text: "<what> is not UTF-8 text or holds a character
// Windows-1252 does not have".
KR_ENV_API std::string UnheldTextMessage(const std::string& what);

}  // namespace kitroster
