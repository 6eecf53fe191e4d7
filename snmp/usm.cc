// usm: SNMPv3 keys, digests and privacy through OpenSSL.
#include "snmp/usm.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <cstring>
#include <mutex>

const char *usm_auth_name(UsmAuth auth) {
    switch (auth) {
        case UsmAuth::MD5: return "MD5";
        case UsmAuth::SHA1: return "SHA";
        case UsmAuth::SHA224: return "SHA-224";
        case UsmAuth::SHA256: return "SHA-256";
        case UsmAuth::SHA384: return "SHA-384";
        case UsmAuth::SHA512: return "SHA-512";
        default: return "none";
    }
}

const char *usm_priv_name(UsmPriv priv) {
    switch (priv) {
        case UsmPriv::DES: return "DES";
        case UsmPriv::AES128: return "AES";
        default: return "none";
    }
}

const char *usm_level_name(UsmLevel level) {
    switch (level) {
        case UsmLevel::AuthNoPriv: return "authNoPriv";
        case UsmLevel::AuthPriv: return "authPriv";
        default: return "noAuthNoPriv";
    }
}

// ---------------------------------------------------------------- SecretBytes

SecretBytes::SecretBytes(std::size_t size)
    : bytes_(std::make_unique<unsigned char[]>(size ? size : 1)), size_(size) {}

SecretBytes::SecretBytes(const void *data, std::size_t size) : SecretBytes(size) {
    if (size) std::memcpy(bytes_.get(), data, size);
}

SecretBytes::~SecretBytes() { wipe(); }

SecretBytes::SecretBytes(SecretBytes &&other) noexcept : bytes_(std::move(other.bytes_)), size_(other.size_) {
    other.size_ = 0;
}

SecretBytes &SecretBytes::operator=(SecretBytes &&other) noexcept {
    if (this != &other) {
        wipe();
        bytes_ = std::move(other.bytes_);
        size_ = other.size_;
        other.size_ = 0;
    }
    return *this;
}

SecretBytes SecretBytes::first(std::size_t n) const {
    if (n > size_) throw std::logic_error("SecretBytes::first: more bytes than held");
    return SecretBytes(bytes_.get(), n);
}

void SecretBytes::wipe() {
    if (bytes_) usm_wipe(bytes_.get(), size_ ? size_ : 1);
    bytes_.reset();
    size_ = 0;
}

// ---------------------------------------------------------------- hashes

namespace {

struct MdCtxFree {
    void operator()(EVP_MD_CTX *c) const { EVP_MD_CTX_free(c); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

const EVP_MD *hash_of(UsmAuth auth) {
    switch (auth) {
        case UsmAuth::MD5: return EVP_md5();
        case UsmAuth::SHA1: return EVP_sha1();
        case UsmAuth::SHA224: return EVP_sha224();
        case UsmAuth::SHA256: return EVP_sha256();
        case UsmAuth::SHA384: return EVP_sha384();
        case UsmAuth::SHA512: return EVP_sha512();
        default: throw std::logic_error("usm: no hash for this authentication protocol");
    }
}

MdCtx digest_start(UsmAuth auth) {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), hash_of(auth), nullptr) != 1)
        throw UsmCryptoError("cannot start a digest");
    return ctx;
}

void digest_add(EVP_MD_CTX *ctx, const unsigned char *data, std::size_t n) {
    if (EVP_DigestUpdate(ctx, data, n) != 1) throw UsmCryptoError("digest update failed");
}

SecretBytes digest_end(EVP_MD_CTX *ctx, UsmAuth auth) {
    SecretBytes out(usm_key_size(auth));
    unsigned int len = 0;
    if (EVP_DigestFinal_ex(ctx, out.data(), &len) != 1 || len != out.size())
        throw UsmCryptoError("digest failed");
    return out;
}

// HMAC of data with the protocol's hash; the full hash size.
SecretBytes hmac(UsmAuth auth, const SecretBytes &key, std::span<const unsigned char> data) {
    SecretBytes out(usm_key_size(auth));
    unsigned int len = 0;
    if (!HMAC(hash_of(auth), key.data(), static_cast<int>(key.size()), data.data(), data.size(), out.data(), &len) ||
        len != out.size())
        throw UsmCryptoError("HMAC failed");
    return out;
}

}  // namespace

std::size_t usm_key_size(UsmAuth auth) {
    return static_cast<std::size_t>(EVP_MD_get_size(hash_of(auth)));
}

std::size_t usm_digest_size(UsmAuth auth) {
    switch (auth) {
        case UsmAuth::MD5:
        case UsmAuth::SHA1: return 12;
        case UsmAuth::SHA224: return 16;
        case UsmAuth::SHA256: return 24;
        case UsmAuth::SHA384: return 32;
        case UsmAuth::SHA512: return 48;
        default: return 0;
    }
}

SecretBytes usm_password_to_key(UsmAuth auth, const SecretBytes &passphrase) {
    if (passphrase.empty()) throw std::invalid_argument("usm_password_to_key: empty passphrase");
    constexpr std::size_t EXPANDED = 1048576;
    MdCtx ctx = digest_start(auth);
    SecretBytes block(64);
    std::size_t at = 0;
    for (std::size_t count = 0; count < EXPANDED; count += block.size()) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            block.data()[i] = passphrase.data()[at];
            if (++at == passphrase.size()) at = 0;
        }
        digest_add(ctx.get(), block.data(), block.size());
    }
    return digest_end(ctx.get(), auth);
}

SecretBytes usm_localize_key(UsmAuth auth, const SecretBytes &ku, std::span<const unsigned char> engineId) {
    MdCtx ctx = digest_start(auth);
    digest_add(ctx.get(), ku.data(), ku.size());
    digest_add(ctx.get(), engineId.data(), engineId.size());
    digest_add(ctx.get(), ku.data(), ku.size());
    return digest_end(ctx.get(), auth);
}

void usm_sign(UsmAuth auth, const SecretBytes &key, std::span<unsigned char> message, std::size_t digestOffset) {
    const std::size_t n = usm_digest_size(auth);
    if (digestOffset > message.size() || n > message.size() - digestOffset)
        throw std::logic_error("usm_sign: digest field outside the message");
    SecretBytes mac = hmac(auth, key, message);
    std::memcpy(message.data() + digestOffset, mac.data(), n);
}

bool usm_verify(UsmAuth auth, const SecretBytes &key, std::span<const unsigned char> message,
                std::size_t digestOffset) {
    const std::size_t n = usm_digest_size(auth);
    if (digestOffset > message.size() || n > message.size() - digestOffset) return false;
    std::vector<unsigned char> zeroed(message.begin(), message.end());
    std::memset(zeroed.data() + digestOffset, 0, n);
    SecretBytes mac = hmac(auth, key, zeroed);
    return CRYPTO_memcmp(mac.data(), message.data() + digestOffset, n) == 0;
}

// ---------------------------------------------------------------- privacy

namespace {

// The ciphers of the run. DES-CBC comes from the "legacy" provider of a
// library context of our own, so the rest of the process keeps OpenSSL's defaults.
class Ciphers {
 public:
    Ciphers() {
        lib_ = OSSL_LIB_CTX_new();
        if (lib_) {
            legacy_ = OSSL_PROVIDER_load(lib_, "legacy");
            default_ = OSSL_PROVIDER_load(lib_, "default");
            if (legacy_ && default_) des_ = EVP_CIPHER_fetch(lib_, "DES-CBC", nullptr);
        }
    }
    ~Ciphers() {
        EVP_CIPHER_free(des_);
        if (legacy_) OSSL_PROVIDER_unload(legacy_);
        if (default_) OSSL_PROVIDER_unload(default_);
        OSSL_LIB_CTX_free(lib_);
    }
    Ciphers(const Ciphers &) = delete;
    Ciphers &operator=(const Ciphers &) = delete;

    const EVP_CIPHER *get(UsmPriv priv) const {
        if (priv == UsmPriv::AES128) return EVP_aes_128_cfb128();
        if (priv == UsmPriv::DES && des_) return des_;
        throw UsmCryptoError(priv == UsmPriv::DES
                                 ? "DES is not available (OpenSSL's \"legacy\" provider cannot be loaded)"
                                 : "no cipher for this privacy protocol");
    }

 private:
    OSSL_LIB_CTX *lib_ = nullptr;
    OSSL_PROVIDER *legacy_ = nullptr;
    OSSL_PROVIDER *default_ = nullptr;
    EVP_CIPHER *des_ = nullptr;
};

const Ciphers &ciphers() {
    static const Ciphers instance;
    return instance;
}

void put32(unsigned char *out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Key and IV of one message (RFC 3414 8.1.1.1, RFC 3826 3.1.2.1).
struct CipherInput {
    SecretBytes key;
    std::array<unsigned char, 16> iv{};
};

CipherInput cipher_input(UsmPriv priv, const SecretBytes &key, std::uint32_t boots, std::uint32_t time,
                         const unsigned char *salt) {
    if (key.size() < 16) throw std::logic_error("usm: privacy key shorter than 16 bytes");
    CipherInput in;
    if (priv == UsmPriv::DES) {
        in.key = key.first(8);
        for (int i = 0; i < 8; ++i) in.iv[i] = static_cast<unsigned char>(key.data()[8 + i] ^ salt[i]);
    } else {
        in.key = key.first(16);
        put32(in.iv.data(), boots);
        put32(in.iv.data() + 4, time);
        std::memcpy(in.iv.data() + 8, salt, 8);
    }
    return in;
}

std::vector<unsigned char> run_cipher(UsmPriv priv, const CipherInput &in, std::span<const unsigned char> text,
                                      bool encrypt) {
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_CipherInit_ex2(ctx.get(), ciphers().get(priv), in.key.data(), in.iv.data(), encrypt ? 1 : 0,
                                   nullptr) != 1)
        throw UsmCryptoError("cannot start the cipher");
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    std::vector<unsigned char> out(text.size() + 16);
    int n = 0, tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &n, text.data(), static_cast<int>(text.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) != 1)
        throw UsmCryptoError("cipher failed");
    out.resize(static_cast<std::size_t>(n + tail));
    return out;
}

}  // namespace

void usm_require_privacy(UsmPriv priv) { ciphers().get(priv); }

std::vector<unsigned char> usm_encrypt(UsmPriv priv, const SecretBytes &key, std::uint32_t boots, std::uint32_t time,
                                       std::uint64_t salt, std::span<const unsigned char> plain,
                                       std::array<unsigned char, 8> &privParams) {
    if (priv == UsmPriv::DES) {
        // The DES salt is engineBoots and a 32-bit counter.
        put32(privParams.data(), boots);
        put32(privParams.data() + 4, static_cast<std::uint32_t>(salt));
    } else {
        put32(privParams.data(), static_cast<std::uint32_t>(salt >> 32));
        put32(privParams.data() + 4, static_cast<std::uint32_t>(salt));
    }
    const CipherInput in = cipher_input(priv, key, boots, time, privParams.data());
    if (priv != UsmPriv::DES) return run_cipher(priv, in, plain, true);
    // DES-CBC works on whole 8-byte blocks; the receiver ignores the padding.
    std::vector<unsigned char> padded(plain.begin(), plain.end());
    padded.resize((padded.size() + 7) / 8 * 8, 0);
    return run_cipher(priv, in, padded, true);
}

std::optional<std::vector<unsigned char>> usm_decrypt(UsmPriv priv, const SecretBytes &key, std::uint32_t boots,
                                                      std::uint32_t time, std::span<const unsigned char> privParams,
                                                      std::span<const unsigned char> cipher) {
    if (privParams.size() != 8) return std::nullopt;
    if (priv == UsmPriv::DES && cipher.size() % 8 != 0) return std::nullopt;
    return run_cipher(priv, cipher_input(priv, key, boots, time, privParams.data()), cipher, false);
}

void usm_wipe(void *data, std::size_t n) {
    if (data && n) OPENSSL_cleanse(data, n);
}

void usm_keep_out_of_core_dumps() {
    // Not dumpable: no core file, even where fs.suid_dumpable would dump a
    // process that set this as one readable by root only, unless the core
    // size limit (set to 0 too) lets it. Neither is undone: the keys live
    // until the workers end, and the process ends right after them.
    static std::once_flag once;
    std::call_once(once, [] {
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
        rlimit limit{};
        if (::getrlimit(RLIMIT_CORE, &limit) == 0) {
            limit.rlim_cur = 0;
            ::setrlimit(RLIMIT_CORE, &limit);
        }
    });
}

std::uint64_t usm_random64() {
    unsigned char b[8];
    if (RAND_bytes(b, sizeof b) != 1) throw UsmCryptoError("no random bytes");
    std::uint64_t v = 0;
    for (unsigned char c : b) v = (v << 8) | c;
    return v;
}
