// -v and the SNMPv3 options: what they give, the checks made before anything
// is sent, the --secrets file and its permissions, and passphrases taken out
// of argv.
#include "frontend/security.h"

#include <fcntl.h>
#include <getopt.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "frontend/options.h"
#include "tests/frontend/argv_builder.h"
#include "tests/support/file_on_disk.h"

namespace {

// One command line "prowlet ARGS printer1", parsed and checked. The options
// point into the argument vector, which it keeps.
struct Made {
    explicit Made(const std::vector<std::string> &args) {
        for (const std::string &arg : args) a.add(arg);
        a.add("printer1");
        parsed = parse_options(a.argc(), a.argv(), opts);
        EXPECT_FALSE(parsed.finished) << parsed.err;
        protocol = make_protocol(opts.snmp, "prowlet");
    }
    Argv a{"prowlet"};
    Options opts;
    ParseOutcome parsed;
    ProtocolOutcome protocol;
};

using SecretsFileOnDisk = FileOnDisk;

TEST(Security, VersionsAndTheirProtocol) {
    const struct {
        std::vector<std::string> args;
        SNMP_version version;
    } rows[] = {{{}, SNMP_version::V1},
                {{"-v", "1"}, SNMP_version::V1},
                {{"-v", "2c"}, SNMP_version::V2C},
                {{"--snmp-version", "2C"}, SNMP_version::V2C},
                {{"-v3", "-u", "admin"}, SNMP_version::V3}};
    for (const auto &row : rows) {
        const Made m(row.args);
        ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
        EXPECT_EQ(row.version, m.protocol.protocol->version);
        EXPECT_EQ(row.version == SNMP_version::V3, m.protocol.protocol->user != nullptr);
    }
}

TEST(Security, TheUserTakesTheLevelItsPassphrasesImply) {
    const struct {
        std::vector<std::string> args;
        UsmLevel level;
        UsmAuth auth;
        UsmPriv priv;
    } rows[] = {
        {{"-u", "u1"}, UsmLevel::NoAuthNoPriv, UsmAuth::None, UsmPriv::None},
        {{"-u", "u1", "-A", "maplesyrup"}, UsmLevel::AuthNoPriv, UsmAuth::MD5, UsmPriv::None},
        {{"-u", "u1", "-A", "maplesyrup", "-X", "privpassphrase"}, UsmLevel::AuthPriv, UsmAuth::MD5, UsmPriv::DES},
        {{"--v3-user", "u1", "--v3-level", "authpriv", "--v3-auth-protocol", "sha-512", "--v3-auth-passphrase",
          "maplesyrup", "--v3-priv-protocol", "aes", "--v3-priv-passphrase", "privpassphrase"},
         UsmLevel::AuthPriv, UsmAuth::SHA512, UsmPriv::AES128},
        // A level below the passphrases given uses only what it needs.
        {{"-u", "u1", "-l", "authNoPriv", "-a", "SHA", "-A", "maplesyrup", "-X", "privpassphrase"},
         UsmLevel::AuthNoPriv, UsmAuth::SHA1, UsmPriv::None},
        {{"-u", "u1", "-l", "noAuthNoPriv", "-A", "maplesyrup"}, UsmLevel::NoAuthNoPriv, UsmAuth::None, UsmPriv::None},
    };
    for (auto row : rows) {
        row.args.insert(row.args.begin(), {"-v", "3"});
        const Made m(row.args);
        ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
        const SNMP_usm_user &u = *m.protocol.protocol->user;
        EXPECT_EQ("u1", u.name);
        EXPECT_EQ(row.level, u.level);
        EXPECT_EQ(row.auth, u.auth);
        EXPECT_EQ(row.priv, u.priv);
        EXPECT_EQ(row.level != UsmLevel::NoAuthNoPriv, !u.authKu.empty());
        EXPECT_EQ(row.level == UsmLevel::AuthPriv, !u.privKu.empty());
    }
}

TEST(Security, BadCombinationsAreRefusedBeforeAnythingIsSent) {
    const std::string big(33, 'u');
    const struct {
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {{"-v", "2"}, "-v needs 1, 2c or 3, not \"2\"."},
        {{"-v", "3c"}, "-v needs 1, 2c or 3, not \"3c\"."},
        {{"-u", "admin"}, "-u needs -v 3 (SNMPv3)."},
        {{"-v", "2c", "-A", "maplesyrup"}, "-A needs -v 3 (SNMPv3)."},
        {{"-v", "1", "--secrets", "/nonexistent"}, "--secrets needs -v 3 (SNMPv3)."},
        {{"-v", "2c", "-e", "0x80001f880466616b65"}, "-e needs -v 3 (SNMPv3)."},
        {{"--known-engines", "/nonexistent"}, "--known-engines needs -v 3 (SNMPv3)."},
        {{"-v", "3", "-u", "a", "-e", "0x80001f88"},
         "-e needs an engine ID of 5 to 32 bytes in hexadecimal, not \"0x80001f88\"."},
        {{"-v", "3", "-u", "a", "--v3-engine-id", "printer one"},
         "-e needs an engine ID of 5 to 32 bytes in hexadecimal, not \"printer one\"."},
        {{"-v", "3"}, "-v 3 needs a user name (-u)."},
        {{"-v", "3", "-u", ""}, "-v 3 needs a user name (-u)."},
        {{"-v", "3", "-u", big}, "the user name of -u is longer than 32 bytes."},
        {{"-v", "3", "-u", "a", "-l", "authpriv2"}, "-l needs noAuthNoPriv, authNoPriv or authPriv, not \"authpriv2\"."},
        {{"-v", "3", "-u", "a", "-a", "SHA-1024", "-A", "maplesyrup"},
         "-a needs MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512, not \"SHA-1024\"."},
        {{"-v", "3", "-u", "a", "-x", "3DES"}, "-x needs DES or AES, not \"3DES\"."},
        {{"-v", "3", "-u", "a", "-l", "authNoPriv"},
         "security level authNoPriv needs an authentication passphrase (-A, or authpass in --secrets)."},
        {{"-v", "3", "-u", "a", "-l", "authPriv", "-A", "maplesyrup"},
         "security level authPriv needs a privacy passphrase (-X, or privpass in --secrets)."},
        {{"-v", "3", "-u", "a", "-X", "privpassphrase"},
         "security level authPriv needs an authentication passphrase (-A, or authpass in --secrets)."},
        {{"-v", "3", "-u", "a", "-A", "seven77"}, "the authentication passphrase must have at least 8 characters."},
        {{"-v", "3", "-u", "a", "-A", "maplesyrup", "-X", "short"},
         "the privacy passphrase must have at least 8 characters."},
    };
    for (const auto &row : rows) {
        const Made m(row.args);
        EXPECT_FALSE(m.protocol.protocol) << row.err;
        EXPECT_EQ(STATUS_BAD_SECURITY_OPTION, m.protocol.status) << row.err;
        EXPECT_EQ("prowlet: " + row.err + "\n", m.protocol.err);
    }
}

TEST(Security, PassphrasesAreWipedFromTheCommandLine) {
    Made m({"-v", "3", "-u", "admin", "-A", "maplesyrup", "--v3-priv-passphrase", "privpassphrase"});
    ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
    EXPECT_EQ(0, std::memcmp(m.a.argv()[6], "\0\0\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(0, std::memcmp(m.a.argv()[8], "\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 14));
    EXPECT_STREQ("admin", m.a.argv()[4]);
    // Taken into keys, the passphrases are gone from the options too.
    EXPECT_FALSE(m.opts.snmp.authPass);
    EXPECT_FALSE(m.opts.snmp.privPass);
}

TEST(Security, SecretsFileSuppliesThePassphrases) {
    SecretsFileOnDisk file("# prowlet secrets\n\n  authpass   maple syrup 2024  \r\nprivpass\tpriv pass phrase\n", 0600);
    const Made m({"-v", "3", "-u", "admin", "-a", "SHA", "--secrets", file.path});
    ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
    const SNMP_usm_user &u = *m.protocol.protocol->user;
    EXPECT_EQ(UsmLevel::AuthPriv, u.level);
    const std::string auth = "maple syrup 2024", priv = "priv pass phrase";
    EXPECT_EQ(0, std::memcmp(u.authKu.data(), usm_password_to_key(UsmAuth::SHA1, SecretBytes(auth.data(), auth.size())).data(), 20));
    EXPECT_EQ(0, std::memcmp(u.privKu.data(), usm_password_to_key(UsmAuth::SHA1, SecretBytes(priv.data(), priv.size())).data(), 20));
}

TEST(Security, SecretsFilesThatAreRefused) {
    const struct {
        const char *text;
        mode_t mode;
        std::string reason;
    } rows[] = {
        {"authpass maplesyrup\n", 0644, " may be read or changed by others (mode 0644); allow its owner alone (chmod 600)"},
        {"authpass maplesyrup\n", 0620, " may be read or changed by others (mode 0620); allow its owner alone (chmod 600)"},
        {"authpass maplesyrup\nauthpass other123\n", 0600, ", line 2: authpass given twice"},
        {"authpass\n", 0600, ", line 1: expected \"authpass PASSPHRASE\" or \"privpass PASSPHRASE\""},
        {"\n# x\nauthpassphrase maplesyrup\n", 0600, ", line 3: expected \"authpass PASSPHRASE\" or \"privpass PASSPHRASE\""},
    };
    for (const auto &row : rows) {
        SecretsFileOnDisk file(row.text, row.mode);
        const Made m({"-v", "3", "-u", "admin", "--secrets", file.path});
        EXPECT_EQ(STATUS_BAD_SECRETS_FILE, m.protocol.status) << row.reason;
        EXPECT_EQ("prowlet: --secrets file \"" + file.path + "\"" + row.reason + ".\n", m.protocol.err);
    }
    std::string why;
    EXPECT_FALSE(read_secrets_file("/nonexistent/secrets", why));
    EXPECT_EQ(" cannot be read: No such file or directory", why);
    EXPECT_FALSE(read_secrets_file("/tmp", why));
    EXPECT_EQ(" is not a regular file", why);
    // A FIFO is refused at once: opening it must not wait for a writer.
    const std::string fifo = "/tmp/prowlet-fifo." + std::to_string(::getpid());
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const Made fromFifo({"-v", "3", "-u", "admin", "--secrets", fifo});
    ::unlink(fifo.c_str());
    EXPECT_EQ(STATUS_BAD_SECRETS_FILE, fromFifo.protocol.status);
    EXPECT_EQ("prowlet: --secrets file \"" + fifo + "\" is not a regular file.\n", fromFifo.protocol.err);
    if (::geteuid() == 0) {
        SecretsFileOnDisk file("authpass maplesyrup\n", 0600);
        const passwd *nobody = ::getpwnam("nobody");
        ASSERT_NE(nullptr, nobody);
        ASSERT_EQ(0, ::chown(file.path.c_str(), nobody->pw_uid, nobody->pw_gid));
        EXPECT_FALSE(read_secrets_file(file.path.c_str(), why));
        EXPECT_EQ(" belongs to another user", why);
    }
}

// -e pins the engine ID of every address of every printer; the engines of
// --known-engines come into the same store.
TEST(Security, EngineIdAndKnownEnginesGoIntoTheRunsStore) {
    SecretsFileOnDisk known("127.0.0.9 0x80001f88046f74686572\n", 0600);
    Made m({"-v", "3", "-u", "admin", "-e", "80001F880466616B65", "--known-engines", known.path});
    ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
    SNMP_socket sock(1, 0, 1161);
    SNMP_session session(&sock, "printer1", nullptr, {{127, 0, 0, 1}, {127, 0, 0, 2}});
    apply_protocol(session, *m.protocol.protocol);
    const SNMP_engine_store &store = *m.protocol.protocol->engines;
    for (const SNMP_session::IPv4 &address : session.addresses()) {
        ASSERT_TRUE(store.find(address));
        EXPECT_EQ("given with -e", store.find(address)->pinnedBy);
        EXPECT_EQ("0x80001f880466616b65", engine_id_text(store.find(address)->engineId));
    }
    EXPECT_EQ("recorded in " + known.path, store.find({127, 0, 0, 9})->pinnedBy);

    SecretsFileOnDisk bad("127.0.0.9\n", 0600);
    const Made refused({"-v", "3", "-u", "admin", "--known-engines", bad.path});
    EXPECT_EQ(STATUS_BAD_KNOWN_ENGINES, refused.protocol.status);
    EXPECT_EQ("prowlet: --known-engines file \"" + bad.path +
                  "\", line 1: expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal).\n",
              refused.protocol.err);
}

// Once a passphrase is read the process dumps no core: it would hold them.
TEST(Security, NoCoreDumpOnceSecretsAreHeld) {
    const Made m({"-v", "3", "-u", "admin", "-A", "maplesyrup"});
    ASSERT_TRUE(m.protocol.protocol) << m.protocol.err;
    EXPECT_EQ(0, ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0));
    rlimit limit{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_CORE, &limit));
    EXPECT_EQ(0u, limit.rlim_cur);
}

TEST(Security, APassphraseGivenTwiceIsRefused) {
    SecretsFileOnDisk file("authpass maplesyrup\n", 0400);
    const Made m({"-v", "3", "-u", "admin", "-A", "maplesyrup", "--secrets", file.path});
    EXPECT_EQ(STATUS_BAD_SECURITY_OPTION, m.protocol.status);
    EXPECT_EQ("prowlet: a passphrase is given twice (-A or -X, and --secrets).\n", m.protocol.err);
}

}  // namespace
