// exporter_options: prowlet_exporter's command line.
#include "exporter/exporter_options.h"

#include <getopt.h>

#include <charconv>

#include "frontend/options.h"

namespace {

enum : int {
    OPT_LISTEN = 256, OPT_CONFIG, OPT_CHECK, OPT_MAXPROC, OPT_SESSIONS, OPT_OFFSET, OPT_DEFAULT_TIMEOUT,
    OPT_THREADS, OPT_TEXTFILE, OPT_MODULE, OPT_HELP, OPT_VERSION,
};

constexpr option LONG_OPTIONS[] = {
    {"web.listen-address", required_argument, nullptr, OPT_LISTEN},
    {"web.threads", required_argument, nullptr, OPT_THREADS},
    {"config.file", required_argument, nullptr, OPT_CONFIG},
    {"config.check", no_argument, nullptr, OPT_CHECK},
    {"maxproc", required_argument, nullptr, OPT_MAXPROC},
    {"sessions.max", required_argument, nullptr, OPT_SESSIONS},
    {"scrape.timeout-offset", required_argument, nullptr, OPT_OFFSET},
    {"scrape.default-timeout", required_argument, nullptr, OPT_DEFAULT_TIMEOUT},
    {"textfile", required_argument, nullptr, OPT_TEXTFILE},
    {"module", required_argument, nullptr, OPT_MODULE},
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

template <class T>
bool whole_number(const char *text, T low, T high, T &value) {
    const std::string_view s(text);
    T v{};
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < low || v > high) return false;
    value = v;
    return true;
}

bool seconds(const char *text, double low, double &value) {
    const std::string_view s(text);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !(v >= low) || v > 3600) return false;
    value = v;
    return true;
}

ExporterParse usage_error(const std::string &text) {
    return {true, EXPORTER_BAD_OPTION, {}, "prowlet_exporter: " + text + "\n" + exporter_usage()};
}

// One option's value into opts; "" or the complaint.
std::string take_option(int code, const char *arg, ExporterOptions &opts) {
    const std::string given = arg ? arg : "";
    switch (code) {
        case OPT_LISTEN:
            if (!parse_listen_address(given, opts.listen)) return "--web.listen-address needs [HOST]:PORT, not \"" + given + "\".";
            return {};
        case OPT_THREADS:
            if (!whole_number(arg, 1, 1024, opts.httpThreads)) return "--web.threads needs a number from 1 to 1024, not \"" + given + "\".";
            return {};
        case OPT_CONFIG: opts.settings.configPath = given; return {};
        case OPT_CHECK: opts.checkOnly = true; return {};
        case OPT_MAXPROC:
            if (!whole_number<std::size_t>(arg, 1, 1 << 20, opts.settings.maxproc))
                return "--maxproc needs a number from 1 to 1048576, not \"" + given + "\".";
            return {};
        case OPT_SESSIONS:
            if (!whole_number<std::size_t>(arg, 0, 1 << 24, opts.settings.cachedSessions))
                return "--sessions.max needs a number from 0 to 16777216, not \"" + given + "\".";
            return {};
        case OPT_OFFSET:
            if (!seconds(arg, 0, opts.settings.timeoutOffset)) return "--scrape.timeout-offset needs seconds from 0 to 3600, not \"" + given + "\".";
            return {};
        case OPT_DEFAULT_TIMEOUT:
            if (!seconds(arg, 0.001, opts.settings.defaultTimeout) )
                return "--scrape.default-timeout needs seconds above 0, at most 3600, not \"" + given + "\".";
            return {};
        case OPT_TEXTFILE: opts.textfile = given; return {};
        case OPT_MODULE: opts.module = given; return {};
    }
    return "unexpected option";
}

}  // namespace

bool parse_listen_address(const std::string &text, ListenAddress &address) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string port = text.substr(colon + 1);
    int value = 0;
    const auto r = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || r.ec != std::errc() || r.ptr != port.data() + port.size() || value < 1 || value > 65535)
        return false;
    address.host = text.substr(0, colon);
    address.port = value;
    return true;
}

const std::string &exporter_usage() {
    static const std::string text =
        "usage: prowlet_exporter --config.file=FILE [--web.listen-address=[HOST]:PORT] [--maxproc=N]\n"
        "                        [--sessions.max=N] [--scrape.timeout-offset=S] [--scrape.default-timeout=S]\n"
        "                        [--web.threads=N]\n"
        "       prowlet_exporter --config.file=FILE --config.check\n"
        "       prowlet_exporter --config.file=FILE --textfile=PATH [--module=NAME] PRINTER...\n";
    return text;
}

ExporterParse parse_exporter_options(int argc, char **argv, ExporterOptions &opts) {
    parse_listen_address(DEFAULT_LISTEN_ADDRESS, opts.listen);
    optind = 0;
    opterr = 0;
    int code;
    while ((code = getopt_long(argc, argv, "+:", LONG_OPTIONS, nullptr)) != -1) {
        if (code == OPT_HELP) return {true, EXPORTER_OK, exporter_usage(), {}};
        if (code == OPT_VERSION) return {true, EXPORTER_OK, std::string("prowlet_exporter ") + PROWLET_VERSION + "\n", {}};
        if (code == '?' || code == ':') {
            const std::string bad = optind > 0 && optind <= argc ? argv[optind - 1] : "?";
            return usage_error(code == ':' ? "option \"" + bad + "\" needs a value."
                                           : "unknown option \"" + bad + "\".");
        }
        const std::string problem = take_option(code, optarg, opts);
        if (!problem.empty()) return usage_error(problem);
    }
    for (int k = optind; k < argc; ++k) opts.targets.emplace_back(argv[k]);
    if (opts.settings.configPath.empty()) return usage_error("--config.file is needed.");
    if (opts.textfile.empty() && !opts.targets.empty())
        return usage_error("printers on the command line need --textfile (a server takes them from /probe).");
    if (!opts.textfile.empty() && opts.targets.empty()) return usage_error("--textfile needs at least one printer.");
    return {};
}
