// Fuzzer: arbitrary bytes as what a printer encrypted: decrypted with DES or
// AES (first byte: which, and whether the bytes are a plain scoped PDU), then
// decoded as a scoped PDU and checked as a reply. A wrong key gives noise
// exactly like this, so every decrypted text must be refused cleanly.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "snmp/session.h"
#include "snmp/usm.h"
#include "snmp/v3message.h"

namespace {

const SecretBytes &key() {
    static const SecretBytes k = [] {
        const std::string pass = "privpassphrase";
        return usm_localize_key(UsmAuth::SHA256, usm_password_to_key(UsmAuth::SHA256, SecretBytes(pass.data(), pass.size())),
                                std::vector<unsigned char>{0x80, 0x00, 0x00, 0x01});
    }();
    return k;
}

void check_scoped(std::span<const unsigned char> bytes) {
    try {
        std::unique_ptr<BerSequence> scoped = decode_scoped_pdu(bytes);
        if (scoped->count() != 3) std::abort();
        auto *pdu = dynamic_cast<BerSequence *>(scoped->peek(2));
        auto *id = pdu ? dynamic_cast<BerInt *>(pdu->peek(0)) : nullptr;
        check_reply(*scoped, id ? static_cast<std::int32_t>(id->value) : 0);
    } catch (const BerDecodeError &) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 9) return 0;
    const int mode = data[0] % 3;
    const std::span<const unsigned char> rest(data + 1, size - 1);
    if (mode == 0) {
        check_scoped(rest);
        return 0;
    }
    const UsmPriv priv = mode == 1 ? UsmPriv::DES : UsmPriv::AES128;
    const std::optional<std::vector<unsigned char>> plain =
        usm_decrypt(priv, key(), 3, 1000, rest.first(8), rest.subspan(8));
    if (!plain) return 0;
    if (plain->size() != rest.size() - 8) std::abort();
    // What was decrypted encrypts back to the same text.
    std::array<unsigned char, 8> salt{};
    std::uint64_t s = 0;
    for (int i = 0; i < 8; ++i) s = (s << 8) | rest[static_cast<std::size_t>(i)];
    if (priv == UsmPriv::AES128 &&
        usm_encrypt(priv, key(), 3, 1000, s, *plain, salt) != std::vector<unsigned char>(rest.begin() + 8, rest.end()))
        std::abort();
    check_scoped(*plain);
    return 0;
}
