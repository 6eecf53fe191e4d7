// Starts, waits for and stops the loopback SNMP agents of the end-to-end tests.
#include "tests/support/agents.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace fs = std::filesystem;

namespace {

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

// Agents bind UDP port 161: on the host that would collide with (or answer in
// place of) a real agent, so they only ever start inside netns-run.
void require_private_namespace(const char *who) {
    if (std::getenv("PROWLET_IN_NETNS") == nullptr)
        throw std::runtime_error(std::string(who) +
                                 ": not inside a private network namespace; run the test under "
                                 "tests/agents/netns-run (prowlet_test NETNS or WHOLE)");
}

void require_loopback(const std::string &address) {
    in_addr a{};
    if (inet_pton(AF_INET, address.c_str(), &a) != 1 || (ntohl(a.s_addr) >> 24) != 127)
        throw std::runtime_error(address + " is not an IPv4 loopback address (127.0.0.0/8 only)");
}

std::string required_program(const std::string &name) {
    std::string path = find_in_path(name);
    if (path.empty()) throw std::runtime_error(name + " not found in PATH (scripts/test installs it)");
    return path;
}

// Polls every address until it answers, the agent dies or the limit passes.
void wait_until_ready(AgentProcess &process, const std::vector<std::string> &addresses,
                      const std::string &community, std::chrono::seconds limit,
                      const std::string &what, const std::string &logFile) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (const auto &address : addresses) {
        while (!agent_answers(address, community)) {
            int status = process.exited();
            if (status >= 0)
                throw std::runtime_error(what + " ended with status " + std::to_string(status) +
                                         " before answering; its log:\n" + read_file(logFile));
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error(what + ": no answer from " + address + " (community " +
                                         community + ") within " + std::to_string(limit.count()) +
                                         " s; its log:\n" + read_file(logFile));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

}  // namespace

TempDir::TempDir(const std::string &prefix) {
    std::string templ = "/tmp/" + prefix + ".XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + templ);
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string find_in_path(const std::string &name) {
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin";
    // snmpd lives in sbin, which an ordinary PATH may lack.
    dirs += ":/usr/local/sbin:/usr/sbin:/sbin";
    std::stringstream s(dirs);
    std::string dir;
    while (std::getline(s, dir, ':')) {
        if (dir.empty()) continue;
        std::string candidate = dir + "/" + name;
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

AgentProcess::AgentProcess(const std::vector<std::string> &argv,
                           const std::vector<std::string> &env, const std::string &logFile) {
    if (argv.empty()) throw std::runtime_error("AgentProcess: empty command");
    // The agent runs behind a shell that is pid 1 of a PID namespace and stays
    // root. snmpsimd switches to nobody, and a change of user clears the
    // parent-death signal; the shell keeps its own, and when pid 1 of a
    // namespace dies the kernel kills everything in it.
    std::vector<std::string> args = {required_program("unshare"),
                                     "--pid",
                                     "--fork",
                                     "--kill-child=KILL",
                                     required_program("sh"),
                                     "-c",
                                     "\"$@\" & wait $!",
                                     "agent",
                                     required_program(argv[0])};
    args.insert(args.end(), argv.begin() + 1, argv.end());

    std::vector<std::string> envStore;
    for (char **e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto &extra : env)
            if (entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0)
                replaced = true;
        if (!replaced) envStore.push_back(entry);
    }
    envStore.insert(envStore.end(), env.begin(), env.end());

    std::vector<char *> cargv, cenv;
    for (auto &a : args) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (auto &e : envStore) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) throw std::runtime_error("cannot open " + logFile);
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(log);
        if (devnull >= 0) close(devnull);
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(125);  // the test died before the prctl
        if (devnull >= 0) dup2(devnull, 0);
        dup2(log, 1);
        dup2(log, 2);
        execve(cargv[0], cargv.data(), cenv.data());
        _exit(127);
    }
    setpgid(pid, pid);  // either side may win the race; both set the same group
    close(log);
    if (devnull >= 0) close(devnull);
    pid_ = pid;
}

AgentProcess::~AgentProcess() { stop(); }

int AgentProcess::exited() {
    if (pid_ <= 0) return -1;
    int wstatus = 0;
    pid_t r = waitpid(pid_, &wstatus, WNOHANG);
    if (r != pid_) return -1;
    kill(-pid_, SIGKILL);  // whatever is left of the group
    pid_ = -1;
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    return 128 + WTERMSIG(wstatus);
}

void AgentProcess::stop() {
    if (pid_ <= 0) return;
    pid_t group = pid_;
    kill(-group, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool reaped = false;
    while (std::chrono::steady_clock::now() < deadline) {
        int wstatus = 0;
        pid_t r = waitpid(pid_, &wstatus, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            reaped = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!reaped) {
        kill(-group, SIGKILL);
        int wstatus = 0;
        while (waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
        }
    }
    // Return only when no process of the group is left (the agent inside the
    // PID namespace included), so its ports are free again.
    for (int i = 0; i < 250 && kill(-group, 0) == 0; ++i) {
        if (i == 100) kill(-group, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
}

RunResult run_snmp_tool(const std::string &tool, const std::vector<std::string> &args,
                        std::chrono::seconds limit) {
    return run_program(required_program(tool), args, limit);
}

std::string snmp_get_value(const std::string &address, const std::string &community,
                           const std::string &oid, std::string *error) {
    RunResult r = run_snmp_tool("snmpget", {"-v1", "-c", community, "-t", "1", "-r", "2", "-Oqv",
                                            "-On", address, oid});
    if (r.status != 0) {
        if (error) *error = r.out + r.err;
        return "";
    }
    std::string v = r.out;
    if (!v.empty() && v.back() == '\n') v.pop_back();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (error) error->clear();
    return v;
}

bool agent_answers(const std::string &address, const std::string &community,
                   std::chrono::milliseconds timeout) {
    std::ostringstream t;
    t << static_cast<double>(timeout.count()) / 1000.0;
    RunResult r = run_snmp_tool(
        "snmpgetnext", {"-v1", "-c", community, "-t", t.str(), "-r", "0", address, "1.3.6.1"});
    // Any reply proves the agent serves this address, even an error-status.
    return r.status == 0 || r.err.find("Timeout") == std::string::npos;
}

bool realdata_available() {
    std::error_code ec;
    return fs::is_directory(PROWLET_REALDATA_DIR, ec);
}

std::string realdata_file(const std::string &name) {
    return std::string(PROWLET_REALDATA_DIR) + "/" + name;
}

std::vector<std::string> realdata_names() {
    std::vector<std::string> names;
    if (!realdata_available()) return names;
    for (const auto &entry : fs::directory_iterator(PROWLET_REALDATA_DIR))
        if (entry.path().extension() == ".snmprec") names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string realdata_address(std::size_t i) { return "127.0.9." + std::to_string(i + 1); }

std::vector<PrinterRecording> realdata_printers() {
    std::vector<PrinterRecording> printers;
    std::vector<std::string> names = realdata_names();
    for (std::size_t i = 0; i < names.size(); ++i)
        printers.push_back({realdata_address(i), realdata_file(names[i])});
    return printers;
}

std::string project_recording(const std::string &name) {
    return std::string(PROWLET_SOURCE_DIR) + "/tests/agents/recordings/" + name;
}

namespace {

// Copies each recording to <data><subdir>/1.3.6.1.6.1.1.<n>.snmprec and gives
// the snmpsimd command line with options, then an endpoint per printer.
std::vector<std::string> stage_snmpsim_data(const std::vector<PrinterRecording> &printers, const std::string &subdir,
                                            const std::string &dir, const std::vector<std::string> &options) {
    require_private_namespace("SimulatedPrinters");
    if (printers.empty()) throw std::runtime_error("SimulatedPrinters: no printers given");
    std::string data = dir + "/data", cache = dir + "/cache", serve = data + subdir;
    fs::create_directories(serve);
    fs::create_directories(cache);
    std::vector<std::string> argv = {"snmpsimd",
                                     "--process-user=nobody",
                                     "--process-group=nogroup",
                                     "--data-dir=" + data,
                                     "--cache-dir=" + cache,
                                     "--logging-method=file:" + dir + "/snmpsimd.log"};
    argv.insert(argv.end(), options.begin(), options.end());
    for (size_t i = 0; i < printers.size(); ++i) {
        require_loopback(printers[i].address);
        std::string target = serve + "/1.3.6.1.6.1.1." + std::to_string(i) + ".snmprec";
        std::error_code ec;
        fs::copy_file(printers[i].recording, target, fs::copy_options::overwrite_existing, ec);
        if (ec) throw std::runtime_error("cannot read recording " + printers[i].recording);
        chmod(target.c_str(), 0644);
        argv.push_back("--agent-udpv4-endpoint=" + printers[i].address + ":161");
    }
    // snmpsimd refuses to run as root: the user it drops to reads the data and
    // writes its index cache.
    for (const auto &d : {dir, data, serve}) chmod(d.c_str(), 0755);
    const passwd *nobody = getpwnam("nobody");
    const group *nogroup = getgrnam("nogroup");
    if (nobody == nullptr || nogroup == nullptr)
        throw std::runtime_error("SimulatedPrinters: user nobody or group nogroup missing");
    if (chown(cache.c_str(), nobody->pw_uid, nogroup->gr_gid) != 0)
        throw std::runtime_error("SimulatedPrinters: cannot hand " + cache + " to nobody");
    return argv;
}

// snmpsimd's v2c architecture serves <data>/<community>/<transport-id>.snmprec,
// where the transport id of the n-th --agent-udpv4-endpoint (from 0) is
// 1.3.6.1.6.1.1.n. Returns the snmpsimd command line.
std::vector<std::string> stage_snmpsim(const std::vector<PrinterRecording> &printers,
                                       const std::string &community, const std::string &dir) {
    if (community.empty() || community.find('/') != std::string::npos)
        throw std::runtime_error("SimulatedPrinters: unusable community \"" + community + "\"");
    return stage_snmpsim_data(printers, "/" + community, dir, {"--v2c-arch"});
}

// Its SNMPv3 mode selects the recording by context: an empty context falls
// back to the transport id, so <data>/<transport-id>.snmprec serves an address.
std::vector<std::string> stage_snmpsim_v3(const std::vector<PrinterRecording> &printers,
                                          const std::vector<V3User> &users, const std::string &dir) {
    static const std::map<std::string, std::string> names = {
        {"MD5", "MD5"},         {"SHA", "SHA"},         {"SHA-224", "SHA224"}, {"SHA-256", "SHA256"},
        {"SHA-384", "SHA384"}, {"SHA-512", "SHA512"}, {"DES", "DES"},         {"AES", "AES"}};
    std::vector<std::string> args = {"--v3-engine-id=auto"};
    for (const V3User &u : users) {
        args.push_back("--v3-user=" + u.name);
        if (!u.auth.empty())
            for (const std::string &a : {"--v3-auth-proto=" + names.at(u.auth), "--v3-auth-key=" + u.authPass})
                args.push_back(a);
        if (!u.priv.empty())
            for (const std::string &a : {"--v3-priv-proto=" + names.at(u.priv), "--v3-priv-key=" + u.privPass})
                args.push_back(a);
    }
    return stage_snmpsim_data(printers, "", dir, args);
}

std::string snmpd_config_text(const NetSnmpConfig &config, const std::string &dir) {
    std::string listen;
    for (const auto &a : config.addresses) {
        require_loopback(a);
        listen += (listen.empty() ? "" : ",") + std::string("udp:") + a + ":161";
    }
    std::string text = "agentAddress " + listen + "\n";
    text += (config.readWrite ? "rwcommunity " : "rocommunity ") + config.community +
            " 127.0.0.0/8\n";
    text += "[snmp] persistentDir " + dir + "/persist\n";
    text += "dontLogTCPWrappersConnects yes\n";
    for (const auto &line : config.extraLines) text += line + "\n";
    return text;
}

std::vector<std::string> stage_snmpd(const NetSnmpConfig &config, const std::string &dir) {
    require_private_namespace("NetSnmpAgent");
    if (config.addresses.empty()) throw std::runtime_error("NetSnmpAgent: no addresses given");
    if (config.community.empty() || config.community.find_first_of(" \t\n") != std::string::npos)
        throw std::runtime_error("NetSnmpAgent: unusable community \"" + config.community + "\"");
    fs::create_directories(dir + "/persist");
    write_file(dir + "/snmpd.conf", snmpd_config_text(config, dir));
    // -C: our configuration only; -f: stay in the foreground, our child.
    return {"snmpd", "-f", "-C", "-c", dir + "/snmpd.conf", "-p", dir + "/snmpd.pid",
            "-Lf", dir + "/snmpd.log"};
}

}  // namespace

SimulatedPrinters::SimulatedPrinters(const std::vector<PrinterRecording> &printers,
                                     const std::string &community,
                                     std::chrono::seconds readyLimit)
    : printers_(printers),
      community_(community),
      dir_("prowlet-snmpsim"),
      process_(stage_snmpsim(printers, community, dir_.path()), {}, dir_.path() + "/snmpsimd.log") {
    wait_until_ready(process_, addresses(), community_, readyLimit, "snmpsimd",
                     dir_.path() + "/snmpsimd.log");
}

SimulatedPrinters::~SimulatedPrinters() { process_.stop(); }

std::vector<std::string> SimulatedPrinters::addresses() const {
    std::vector<std::string> a;
    for (const auto &p : printers_) a.push_back(p.address);
    return a;
}

std::string SimulatedPrinters::log() const { return read_file(dir_.path() + "/snmpsimd.log"); }

NetSnmpAgent::NetSnmpAgent(const NetSnmpConfig &config, std::chrono::seconds readyLimit)
    : config_(config),
      dir_("prowlet-snmpd"),
      process_(stage_snmpd(config, dir_.path()),
               {"SNMP_PERSISTENT_DIR=" + dir_.path() + "/persist", "MIBS="},
               dir_.path() + "/snmpd.log") {
    wait_until_ready(process_, config_.addresses, config_.community, readyLimit, "snmpd",
                     dir_.path() + "/snmpd.log");
}

NetSnmpAgent::~NetSnmpAgent() { process_.stop(); }

std::string NetSnmpAgent::configText() const { return read_file(dir_.path() + "/snmpd.conf"); }

std::string NetSnmpAgent::log() const { return read_file(dir_.path() + "/snmpd.log"); }

std::vector<std::string> v3_options(const V3User &user) {
    const char *level = user.priv.empty() ? (user.auth.empty() ? "noAuthNoPriv" : "authNoPriv") : "authPriv";
    std::vector<std::string> args = {"-v", "3", "-u", user.name, "-l", level};
    if (!user.auth.empty()) args.insert(args.end(), {"-a", user.auth, "-A", user.authPass});
    if (!user.priv.empty()) args.insert(args.end(), {"-x", user.priv, "-X", user.privPass});
    return args;
}

std::vector<std::string> snmpd_user_lines(const V3User &user) {
    std::string create = "createUser " + user.name;
    if (!user.auth.empty()) create += " " + user.auth + " \"" + user.authPass + "\"";
    if (!user.priv.empty()) create += " " + user.priv + " \"" + user.privPass + "\"";
    const char *level = user.priv.empty() ? (user.auth.empty() ? "noauth" : "auth") : "priv";
    return {create, "rouser " + user.name + " " + level};
}

namespace {

bool v3_agent_answers(const std::string &address, const V3User &user) {
    std::vector<std::string> args = v3_options(user);
    args.insert(args.end(), {"-t", "0.3", "-r", "0", address, "1.3.6.1.2.1.1.1.0"});
    return run_snmp_tool("snmpget", args).status == 0;
}

}  // namespace

SimulatedV3Printers::SimulatedV3Printers(const std::vector<PrinterRecording> &printers,
                                         const std::vector<V3User> &users, std::chrono::seconds readyLimit)
    : dir_("prowlet-snmpsim-v3"),
      process_(stage_snmpsim_v3(printers, users, dir_.path()), {}, dir_.path() + "/snmpsimd.log") {
    if (users.empty()) throw std::runtime_error("SimulatedV3Printers: no user given");
    auto deadline = std::chrono::steady_clock::now() + readyLimit;
    for (const auto &p : printers) {
        while (!v3_agent_answers(p.address, users.front())) {
            if (process_.exited() >= 0 || std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("snmpsimd (SNMPv3): no answer from " + p.address + "; its log:\n" + log());
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

SimulatedV3Printers::~SimulatedV3Printers() { process_.stop(); }

std::string SimulatedV3Printers::log() const { return read_file(dir_.path() + "/snmpsimd.log"); }
