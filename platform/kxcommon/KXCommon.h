// Common services: application folder, host name, stored-password sealing and the
// settings folders by study mode.
//
// Thread-safety: all functions are safe for concurrent use.
#pragma once

#include "common/CString.h"

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

// The site key: the file named by the registry value "SiteKeyFile" under
// "Software\Corvent\Utilities\Kitroster", else /etc/kitroster/site.key; when neither can be
// read, a built-in key, which only obfuscates (see README).

// Study modes select which settings a recording uses. Mode 11 is the sleep-study mode.
// The local settings folder for mode M: the settings root followed by the folder name of
// GetSettingsDirNameByStudyMode(M) and a trailing separator.
KR_KXCOMMON_API CString GetLocalAppSettingsDirByStudyMode(int studyMode);
// The settings folder's name for mode M below the settings root: "SettingsSleep" for 11,
// "SettingsGeneral" otherwise.
KR_KXCOMMON_API CString GetSettingsDirNameByStudyMode(int studyMode);
