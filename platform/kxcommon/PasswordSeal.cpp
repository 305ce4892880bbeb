// Sealing of stored passwords: XChaCha20-Poly1305 under the site key.
//
// Stored form: "$kx1$" + base64 (URL-safe alphabet, no padding) of nonce || ciphertext.
// The alphabet holds only letters, digits, '-' and '_', so the text fits a property value
// without quoting. The prefix is also the additional data, binding the text to this format.
#include <sodium.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kxcommon/KXCommon.h"
#include "platform/kxcommon/SiteKey.h"
#include "platform/oxb_exception/ZRLogSite.h"

static CZRLogSite s_log("KITROSTER");

namespace {

const char kPrefix[] = "$kx1$";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;
constexpr size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int kBase64Variant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

const unsigned char* AdditionalData() {
    return reinterpret_cast<const unsigned char*>(kPrefix);
}

// The site key, cleared when it goes out of scope; empty when the configured key cannot
// be used.
struct KeyGuard {
    std::optional<kxcommon::SiteKey> key = kxcommon::LoadSiteKey();
    ~KeyGuard() {
        if (key)
            sodium_memzero(key->data(), key->size());
    }
};

}  // namespace

CString EncryptPassword(const CString& plain) {
    if (plain.IsEmpty())
        return CString();
    if (!SodiumReady()) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "EncryptPassword() the cipher library cannot start");
        return CString();
    }
    const std::string& text = plain.str();
    std::vector<unsigned char> sealed(kNonceBytes + text.size() + kTagBytes);
    randombytes_buf(sealed.data(), kNonceBytes);
    KeyGuard guard;
    if (!guard.key) {
        ZR_LOG(s_log, ZRLOG_FAILURE,
               "EncryptPassword() no usable site key; the password is not stored");
        return CString();
    }
    unsigned long long sealedLength = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data() + kNonceBytes, &sealedLength,
                                               reinterpret_cast<const unsigned char*>(text.data()),
                                               text.size(), AdditionalData(), kPrefixLength,
                                               nullptr, sealed.data(), guard.key->data());
    const size_t total = kNonceBytes + static_cast<size_t>(sealedLength);
    std::string encoded(sodium_base64_ENCODED_LEN(total, kBase64Variant), '\0');
    sodium_bin2base64(encoded.data(), encoded.size(), sealed.data(), total, kBase64Variant);
    encoded.resize(encoded.find('\0'));
    return CString(kPrefix + encoded);
}

CString DecryptPassword(const CString& stored) {
    if (stored.IsEmpty())
        return CString();
    const std::string& text = stored.str();
    auto refuse = [](const char* why) {
        // Never the stored text itself: it may be a password someone typed in plain.
        ZR_LOG(s_log, ZRLOG_WARNING,
               "DecryptPassword() the stored password %s; it is treated as empty", why);
        return CString();
    };
    if (!SodiumReady())
        return refuse("cannot be opened (the cipher library cannot start)");
    if (text.compare(0, kPrefixLength, kPrefix) != 0)
        return refuse("is not in the sealed form");

    std::vector<unsigned char> sealed(text.size());
    size_t sealedLength = 0;
    if (sodium_base642bin(sealed.data(), sealed.size(), text.data() + kPrefixLength,
                          text.size() - kPrefixLength, nullptr, &sealedLength, nullptr,
                          kBase64Variant) != 0 ||
        sealedLength < kNonceBytes + kTagBytes) {
        return refuse("is damaged");
    }
    std::vector<unsigned char> plain(sealedLength - kNonceBytes - kTagBytes + 1);
    unsigned long long plainLength = 0;
    KeyGuard guard;
    if (!guard.key)
        return refuse("cannot be opened (no usable site key)");
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            plain.data(), &plainLength, nullptr, sealed.data() + kNonceBytes,
            sealedLength - kNonceBytes, AdditionalData(), kPrefixLength, sealed.data(),
            guard.key->data()) != 0) {
        return refuse("does not open under the site key (altered, or sealed under another key)");
    }
    CString result(reinterpret_cast<const char*>(plain.data()), static_cast<int>(plainLength));
    sodium_memzero(plain.data(), plain.size());
    return result;
}
