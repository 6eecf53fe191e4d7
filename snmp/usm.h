// usm: the cryptography of SNMPv3's user-based security model: keys from
// passphrases (RFC 3414, RFC 7860), message digests, and DES (RFC 3414) and
// AES (RFC 3826) privacy. OpenSSL does every cryptographic operation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

enum class UsmAuth { None, MD5, SHA1, SHA224, SHA256, SHA384, SHA512 };
enum class UsmPriv { None, DES, AES128 };
enum class UsmLevel { NoAuthNoPriv, AuthNoPriv, AuthPriv };

// The names the command line takes and the messages print: "MD5", "SHA",
// "SHA-224" ... "SHA-512"; "DES", "AES"; "noAuthNoPriv", "authNoPriv", "authPriv".
const char *usm_auth_name(UsmAuth auth);
const char *usm_priv_name(UsmPriv priv);
const char *usm_level_name(UsmLevel level);

// Bytes that hold a secret (a passphrase or a key): wiped with OPENSSL_cleanse
// when released. Fixed size, never copied, only moved.
class SecretBytes {
 public:
    SecretBytes() = default;
    explicit SecretBytes(std::size_t size);
    SecretBytes(const void *data, std::size_t size);
    ~SecretBytes();
    SecretBytes(SecretBytes &&other) noexcept;
    SecretBytes &operator=(SecretBytes &&other) noexcept;
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;

    unsigned char *data() { return bytes_.get(); }
    const unsigned char *data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The first n bytes (n at most size()).
    SecretBytes first(std::size_t n) const;
    void wipe();

 private:
    std::unique_ptr<unsigned char[]> bytes_;
    std::size_t size_ = 0;
};

// A cryptographic operation of OpenSSL failed (or a cipher is not available).
class UsmCryptoError : public std::runtime_error {
 public:
    using std::runtime_error::runtime_error;
};

// Hash output size of the protocol's hash, and the size of the truncated
// digest (msgAuthenticationParameters) it puts in a message: MD5 and SHA 12,
// SHA-224 16, SHA-256 24, SHA-384 32, SHA-512 48 bytes.
std::size_t usm_key_size(UsmAuth auth);
std::size_t usm_digest_size(UsmAuth auth);

// Password to key (RFC 3414 A.2, used by RFC 7860 for SHA-2 alike): the
// passphrase repeated to 1,048,576 bytes and hashed. The master key Ku.
SecretBytes usm_password_to_key(UsmAuth auth, const SecretBytes &passphrase);
// Key localization: H(Ku || engineID || Ku), the key one engine knows the user by.
SecretBytes usm_localize_key(UsmAuth auth, const SecretBytes &ku, std::span<const unsigned char> engineId);

// Writes the digest of message into its digest field (usm_digest_size bytes
// at digestOffset, which must hold zeros while the digest is computed).
void usm_sign(UsmAuth auth, const SecretBytes &key, std::span<unsigned char> message, std::size_t digestOffset);
// True when the digest field of message holds the digest of the message with
// that field zeroed. Compares in constant time.
bool usm_verify(UsmAuth auth, const SecretBytes &key, std::span<const unsigned char> message,
                std::size_t digestOffset);

// Throws UsmCryptoError when OpenSSL cannot provide the cipher here (DES lives
// in OpenSSL 3's "legacy" provider, which may be missing).
void usm_require_privacy(UsmPriv priv);

// Encrypts a scoped PDU. DES-CBC: the key is the first 8 bytes of the
// localized privacy key, the salt engineBoots and a counter, the IV the salt
// XOR bytes 8-15 of the key; the text is padded to 8 bytes. AES-128-CFB: the
// first 16 key bytes, the IV engineBoots, engineTime and the 64-bit salt. The
// salt goes to privParams (msgPrivacyParameters).
std::vector<unsigned char> usm_encrypt(UsmPriv priv, const SecretBytes &key, std::uint32_t boots, std::uint32_t time,
                                       std::uint64_t salt, std::span<const unsigned char> plain,
                                       std::array<unsigned char, 8> &privParams);
// The plain text, or nothing when the parameters or the length cannot be
// decrypted (privParams not 8 bytes, a DES text that is not whole blocks).
std::optional<std::vector<unsigned char>> usm_decrypt(UsmPriv priv, const SecretBytes &key, std::uint32_t boots,
                                                      std::uint32_t time, std::span<const unsigned char> privParams,
                                                      std::span<const unsigned char> cipher);

// Overwrites n bytes at data in a way the compiler cannot leave out.
void usm_wipe(void *data, std::size_t n);

// From now on the process dumps no core (a dump would hold the passphrases
// and keys): not dumpable (PR_SET_DUMPABLE), and a core size limit of 0.
// Called before any secret is read; once is enough, more calls do nothing.
void usm_keep_out_of_core_dumps();

// Random 64 bits from OpenSSL's generator, to start the salt counters.
std::uint64_t usm_random64();
