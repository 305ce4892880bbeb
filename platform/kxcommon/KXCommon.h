// Common services: application folder, host name, stored-password sealing and the
// settings folders by study mode.
//
// Thread-safety: all functions are safe for concurrent use.
#pragma once

#include "base/CString.h"

#define KR_KXCOMMON_API __attribute__((visibility("default")))

// The running executable's folder with a trailing separator ('/'). $KITROSTER_APPDIR, when
// set, overrides it (a trailing separator is added when missing).
KR_KXCOMMON_API CString GetAppDir();

// This machine's host name (as gethostname reports it, without domain part).
KR_KXCOMMON_API CString GetHostName();

// Seals a password for storage as a "PASSWORD" property: "$kx1$" followed by base64 of
// nonce and XChaCha20-Poly1305 ciphertext under the site key. The result holds none of
// the characters the property grammar reserves ('=', ';', '"', '{', '}').
KR_KXCOMMON_API CString EncryptPassword(const CString& plain);
// Opens a value sealed by EncryptPassword. A value that does not open (tampered, other
// site key, not sealed at all) yields empty text and a logged warning.
KR_KXCOMMON_API CString DecryptPassword(const CString& stored);

// The site key: 32 bytes, from the file named by $KITROSTER_SITE_KEY_FILE when set (tests),
// else by the registry value "SiteKeyFile" (string) under
// "Software\Corvent\Utilities\Kitroster", else /etc/kitroster/site.key. A key file holds
// the 32 raw bytes or 64 hexadecimal digits (surrounding white space ignored). When no
// key file is configured and /etc/kitroster/site.key does not exist, a built-in key is
// used: it only obfuscates, since anyone with this library can open what it seals. A key
// file that is configured or present but cannot be read gives no key: EncryptPassword
// then returns empty text and DecryptPassword refuses, both with a logged failure. The key
// is read at every call, so a key file replaced while the process runs takes effect at once.

// The settings root: the registry value "LocalRoot" (string) under
// "Software\Corvent\ZRSync\LocalSettings", else GetAppDir() when it is missing, empty or
// of another type. With `writeBackMissing` a missing value is written back as empty text,
// as the catalogue does; a value of another type is left alone, as the registry leaves
// every value; the study-mode folders only read. A stored text longer than a registry
// read returns (CRegistry::kMaxStringRead) would name another folder once cut: the root is
// then empty text, unusable, and `*tooLong` (when given) is set. Every reader of the
// settings root resolves it here.
KR_KXCOMMON_API CString ResolveSettingsRoot(bool writeBackMissing, bool* tooLong = nullptr);

// Study modes select which settings a recording uses. Mode 11 is the sleep-study mode.
// The local settings folder for mode M: the settings root followed by the folder name of
// GetSettingsDirNameByStudyMode(M) and a trailing separator. The settings root is the
// registry value "LocalRoot" (string, read only) under
// "Software\Corvent\ZRSync\LocalSettings", else GetAppDir(), as the catalogue resolves it.
// A root that does not end in a separator gets one; the separator added is '\' when the
// root holds a backslash and '/' otherwise.
KR_KXCOMMON_API CString GetLocalAppSettingsDirByStudyMode(int studyMode);
// The settings folder's name for mode M below the settings root: "SettingsSleep" for 11,
// "SettingsGeneral" otherwise.
KR_KXCOMMON_API CString GetSettingsDirNameByStudyMode(int studyMode);

// Points the process-wide Env (kitroster::Env::Default()) at the UNC root named by the
// registry value "UNCRoot" (string) under "Software\Corvent\Utilities\Kitroster\Platform",
// unless $KITROSTER_UNC_ROOT is set or the value is missing or empty. Programs call it once
// at start-up, after choosing their registry file. Returns the UNC root in effect.
KR_KXCOMMON_API CString ConfigureUncRootFromRegistry();
