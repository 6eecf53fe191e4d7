// The configuration file: modules and their settings, every refusal naming
// its line, the file's permissions, and the store that keeps a replaced
// configuration while probes still use it.
#include "exporter/config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "exporter/config_store.h"
#include "tests/support/file_on_disk.h"

namespace {

TEST(ExporterConfig, ModulesAndTheirSettings) {
    const ConfigOutcome c = parse_config(
        "# printers of the second floor\n"
        "module default\n"
        "  community  s3cret community  \n"
        "\n"
        "module slow\t\n"
        "version 1\n"
        "timeout 5\n"
        "retries 0\n"
        "read supplies alerts\n"
        "module v3\n"
        "version 3\n"
        "user monitor\n"
        "auth-protocol SHA-256\n"
        "auth-passphrase pass phrase 1\n"
        "priv-protocol aes\n"
        "priv-passphrase pass phrase 2\n",
        "exp.conf");
    ASSERT_TRUE(c.config) << c.error;
    ASSERT_EQ(3u, c.config->modules.size());
    const ModuleConfig &d = *c.config->find("default");
    EXPECT_EQ(2, d.line);
    EXPECT_EQ(SNMP_version::V2C, d.version);
    EXPECT_EQ("s3cret community", d.community);
    EXPECT_EQ(2, d.timeout);
    EXPECT_EQ(1, d.retries);
    EXPECT_EQ(unsigned{READ_ALL}, d.groups);
    EXPECT_FALSE(d.user);
    const ModuleConfig &s = *c.config->find("slow");
    EXPECT_EQ(SNMP_version::V1, s.version);
    EXPECT_EQ("public", s.community);
    EXPECT_EQ(5, s.timeout);
    EXPECT_EQ(0, s.retries);
    EXPECT_EQ(unsigned{READ_SUPPLIES | READ_ALERTS}, s.groups);
    const ModuleConfig &v = *c.config->find("v3");
    ASSERT_TRUE(v.user);
    EXPECT_EQ("monitor", v.user->name);
    EXPECT_EQ(UsmLevel::AuthPriv, v.user->level);
    EXPECT_EQ(UsmAuth::SHA256, v.user->auth);
    EXPECT_EQ(UsmPriv::AES128, v.user->priv);
    EXPECT_EQ(nullptr, c.config->find("none"));
}

TEST(ExporterConfig, RefusalsNameTheLine) {
    const struct {
        std::string text;
        std::string error;
    } rows[] = {
        {"", "f: no module defined (a \"module NAME\" line)"},
        {"# only a comment\n", "f: no module defined (a \"module NAME\" line)"},
        {"community x\n", "f, line 1: \"community\" before the first \"module NAME\" line"},
        {"module a b\n", "f, line 1: a module name is 1 to 64 letters, digits, '_', '-' or '.', not \"a b\""},
        {"module\n", "f, line 1: a module name is 1 to 64 letters, digits, '_', '-' or '.', not \"\""},
        {"module a\nmodule a\n", "f, line 2: module \"a\" is defined twice"},
        {"module a\n\nversion 2\n", "f, line 3: version needs 1, 2c or 3, not \"2\""},
        {"module a\ntimeout 0\n", "f, line 2: timeout needs whole seconds from 1 to 60, not \"0\""},
        {"module a\ntimeout 1.5\n", "f, line 2: timeout needs whole seconds from 1 to 60, not \"1.5\""},
        {"module a\nretries 11\n", "f, line 2: retries needs a number from 0 to 10, not \"11\""},
        {"module a\nretries\n", "f, line 2: \"retries\" needs a value"},
        {"module a\nread supplies toner\n",
         "f, line 2: read takes identification, status, supplies, trays, covers, alerts, counters or all, not \"toner\""},
        {"module a\ncolour red\n",
         "f, line 2: unknown keyword \"colour\" (module, version, community, timeout, retries, read, user, level, "
         "auth-protocol, auth-passphrase, priv-protocol, priv-passphrase)"},
        {"module a\nuser u\n", "f, line 1: module \"a\" has SNMPv3 settings but not \"version 3\""},
        {"module a\nversion 3\nmodule b\n", "f, line 1: module \"a\" (version 3) needs a user"},
        {"module a\nversion 3\nuser u\nlevel authNoPriv\n",
         "f, line 1: module \"a\": level authNoPriv needs an auth-passphrase"},
        {"module a\nversion 3\nuser u\nauth-passphrase 12345678\nlevel authPriv\n",
         "f, line 1: module \"a\": level authPriv needs a priv-passphrase"},
        {"module a\nversion 3\nauth-passphrase 1234567\n", "f, line 3: auth-passphrase must have at least 8 characters"},
        {"module a\nversion 3\nauth-passphrase 12345678\nauth-passphrase 12345678\n",
         "f, line 4: auth-passphrase is given twice in module \"a\""},
        {"module a\nversion 3\nlevel high\n", "f, line 3: level needs noAuthNoPriv, authNoPriv or authPriv, not \"high\""},
        {"module a\nversion 3\nauth-protocol SHA-1024\n",
         "f, line 3: auth-protocol needs MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512, not \"SHA-1024\""},
        {"module a\nversion 3\nuser 123456789012345678901234567890123\n", "f, line 3: the user name is longer than 32 bytes"},
        {std::string("module a\ncommunity x\0y\n", 22), "f, line 2: a NUL byte in the line"},
    };
    for (const auto &row : rows) {
        const ConfigOutcome c = parse_config(row.text, "f");
        EXPECT_FALSE(c.config) << row.text;
        EXPECT_EQ(row.error, c.error) << row.text;
    }
}

TEST(ExporterConfig, HostileTextNeverBreaksTheParser) {
    // Every prefix of a valid file parses or is refused with a line; so does
    // every single-byte change of it.
    const std::string valid = "module m\nversion 2c\ncommunity pub lic\ntimeout 3\nread supplies alerts\nmodule n\n";
    for (std::size_t n = 0; n <= valid.size(); ++n) {
        const ConfigOutcome c = parse_config(valid.substr(0, n), "f");
        EXPECT_TRUE(c.config || c.error.rfind("f", 0) == 0) << n;
    }
    for (std::size_t at = 0; at < valid.size(); at += 3) {
        for (int byte : {0, 10, 13, 32, 0xff, 35}) {
            std::string text = valid;
            text[at] = static_cast<char>(byte);
            const ConfigOutcome c = parse_config(text, "f");
            EXPECT_TRUE(c.config || !c.error.empty());
        }
    }
}

using ConfigOnDisk = FileOnDisk;

TEST(ExporterConfig, TheFileIsCheckedAsSecretsAre) {
    const ConfigOnDisk good("module default\n", 0600);
    EXPECT_TRUE(load_config(good.path).config);
    const ConfigOnDisk readable("module default\n", 0640);
    EXPECT_EQ(readable.path + " may be read or changed by others (mode 0640); allow its owner alone (chmod 600)",
              load_config(readable.path).error);
    EXPECT_EQ("/nonexistent/x cannot be read: No such file or directory", load_config("/nonexistent/x").error);
    EXPECT_EQ("/tmp is not a regular file", load_config("/tmp").error);

    // A FIFO in the file's place is refused at once, not waited on.
    const std::string fifo = good.path + ".fifo";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(fifo + " is not a regular file", load_config(fifo).error);
    ::unlink(fifo.c_str());
}

TEST(ExporterConfig, TheStoreKeepsAReplacedConfigurationWhileLeased) {
    auto make = [](const char *module) {
        ConfigOutcome c = parse_config(std::string("module ") + module + "\n", "f");
        return std::move(c.config);
    };
    ConfigStore store(make("first"));
    EXPECT_EQ(1u, store.held());
    {
        ConfigStore::Lease old = store.lease();
        EXPECT_EQ(2u, store.replace(make("second")));
        EXPECT_EQ(2u, store.held());
        EXPECT_TRUE(old.config().find("first"));  // still alive
        ConfigStore::Lease current = store.lease();
        EXPECT_TRUE(current.config().find("second"));
        EXPECT_EQ(2u, current.generation());
    }
    EXPECT_EQ(1u, store.held());
    store.replace(make("third"));  // nobody leases "second": released at once
    EXPECT_EQ(1u, store.held());
    EXPECT_EQ(3u, store.generation());
}

}  // namespace
