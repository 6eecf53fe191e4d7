// Real SNMP agents on loopback for end-to-end tests: simulated printers
// (snmpsimd serving .snmprec recordings) and a live net-snmp snmpd.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/run_prowlet.h"

// A temporary directory under /tmp, removed with everything in it.
class TempDir {
 public:
    explicit TempDir(const std::string &prefix);
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }

 private:
    std::string path_;
};

// One agent process tree: started in a process group and a PID namespace of
// its own, killed with the test process even when the test crashes, stopped
// and reaped (with everything it started) by stop() or the destructor.
class AgentProcess {
 public:
    // argv[0] is looked up in PATH; env entries ("NAME=value") are added to ours.
    AgentProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                 const std::string &logFile);
    ~AgentProcess();
    AgentProcess(const AgentProcess &) = delete;
    AgentProcess &operator=(const AgentProcess &) = delete;

    void stop();
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Exit status of the process tree once it has ended by itself, else -1.
    int exited();

 private:
    pid_t pid_ = -1;
};

// The full path of an executable found in PATH, or "" when there is none.
std::string find_in_path(const std::string &name);

// Runs a net-snmp command-line tool (snmpget, snmpgetnext, snmpset, snmpwalk)
// found in PATH.
RunResult run_snmp_tool(const std::string &tool, const std::vector<std::string> &args,
                        std::chrono::seconds limit = std::chrono::seconds(30));

// The value alone (snmpget -Oqv -On: OIDs numeric with a leading dot, strings
// without their quotes) of one variable, "" with the reason in *error
// when the agent answered nothing or an error-status.
std::string snmp_get_value(const std::string &address, const std::string &community,
                           const std::string &oid, std::string *error = nullptr);

// True when the agent at address answers a GetNextRequest (any reply counts).
bool agent_answers(const std::string &address, const std::string &community,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(300));

// Recordings of real printers (../shared/realdata/snmprec); tests that need
// them skip when the directory is absent.
bool realdata_available();
std::string realdata_file(const std::string &name);
// File names of every real recording, sorted; empty when they are absent.
std::vector<std::string> realdata_names();

// Directory of the project's own recordings (tests/agents/recordings).
std::string project_recording(const std::string &name);

struct PrinterRecording {
    std::string address;    // 127.x.y.z, port 161
    std::string recording;  // path of a .snmprec file, loaded unchanged
};

// Every real recording, the i-th of realdata_names() served at
// realdata_address(i) (127.0.9.1 up); empty when they are absent.
std::string realdata_address(std::size_t i);
std::vector<PrinterRecording> realdata_printers();

// Simulated printers: one snmpsimd process serving one recording per loopback
// address with one community, SNMPv1 and v2c. The constructor returns once every
// address answers and throws std::runtime_error (with the agent's log) when they
// do not within the time limit. Must run inside a private network namespace.
class SimulatedPrinters {
 public:
    SimulatedPrinters(const std::vector<PrinterRecording> &printers, const std::string &community,
                      std::chrono::seconds readyLimit = std::chrono::seconds(60));
    ~SimulatedPrinters();
    SimulatedPrinters(const SimulatedPrinters &) = delete;
    SimulatedPrinters &operator=(const SimulatedPrinters &) = delete;

    void stop() { process_.stop(); }
    pid_t pid() const { return process_.pid(); }
    const std::string &community() const { return community_; }
    std::vector<std::string> addresses() const;
    std::string log() const;

 private:
    std::vector<PrinterRecording> printers_;
    std::string community_;
    TempDir dir_;
    AgentProcess process_;
};

// An SNMPv3 user of a simulated printer or of snmpd.
struct V3User {
    std::string name;
    std::string auth;  // "MD5", "SHA", "SHA-224", "SHA-256", "SHA-384", "SHA-512"; empty: none
    std::string priv;  // "DES", "AES"; empty: none
    std::string authPass;
    std::string privPass;
};
// The prowlet (and net-snmp) options that ask as user: -v 3 -u NAME -l LEVEL
// and the protocols and passphrases its level needs.
std::vector<std::string> v3_options(const V3User &user);
// snmpd.conf lines that create user with read access at its level.
std::vector<std::string> snmpd_user_lines(const V3User &user);

// Simulated printers over SNMPv3 only: snmpsimd in its SNMPv3 mode, one
// engine, one recording per address (the context is chosen by address), the
// users given. Same start, readiness and stop rules as SimulatedPrinters;
// readiness is polled as the first user.
class SimulatedV3Printers {
 public:
    SimulatedV3Printers(const std::vector<PrinterRecording> &printers, const std::vector<V3User> &users,
                        std::chrono::seconds readyLimit = std::chrono::seconds(60));
    ~SimulatedV3Printers();
    SimulatedV3Printers(const SimulatedV3Printers &) = delete;
    SimulatedV3Printers &operator=(const SimulatedV3Printers &) = delete;
    std::string log() const;

 private:
    TempDir dir_;
    AgentProcess process_;
};

// Settings of a net-snmp snmpd agent.
struct NetSnmpConfig {
    std::vector<std::string> addresses;   // 127.x.y.z, port 161
    std::string community = "public";     // SNMPv1/v2c community, from 127.0.0.0/8 only
    bool readWrite = false;               // rwcommunity instead of rocommunity
    std::vector<std::string> extraLines;  // e.g. sysDescr, "override OID octet_str \"...\""
};

// A live net-snmp snmpd with a generated configuration (nothing of the host's),
// in the foreground, persistent state and log in a temporary directory. Same
// start, readiness and stop rules as SimulatedPrinters.
class NetSnmpAgent {
 public:
    explicit NetSnmpAgent(const NetSnmpConfig &config,
                          std::chrono::seconds readyLimit = std::chrono::seconds(60));
    ~NetSnmpAgent();
    NetSnmpAgent(const NetSnmpAgent &) = delete;
    NetSnmpAgent &operator=(const NetSnmpAgent &) = delete;

    void stop() { process_.stop(); }
    pid_t pid() const { return process_.pid(); }
    const NetSnmpConfig &config() const { return config_; }
    std::string configText() const;
    std::string log() const;

 private:
    NetSnmpConfig config_;
    TempDir dir_;
    AgentProcess process_;
};
