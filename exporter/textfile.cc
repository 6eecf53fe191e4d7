// textfile: the one-shot exposition written for node_exporter's textfile collector.
#include "exporter/textfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "exporter/exporter_options.h"
#include "exporter/metrics.h"
#include "exporter/session_cache.h"
#include "frontend/workers.h"
#include "snmp/snmpsock.h"

std::string write_file_atomically(const std::string &path, const std::string &text) {
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    SNMP_descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.valid()) return "cannot create " + temporary + ": " + std::strerror(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd.get(), text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = "cannot write " + temporary + ": " + std::strerror(errno);
            ::unlink(temporary.c_str());
            return why;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
        const std::string why = "cannot write " + temporary + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return why;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return why;
    }
    return {};
}

int write_textfile(const ExporterConfig &config, const std::string &module, const std::vector<std::string> &targets,
                   const std::string &path) {
    const ModuleConfig *settings = config.find(module);
    if (!settings) {
        std::fprintf(stderr, "prowlet_exporter: no module \"%s\" in %s\n", module.c_str(), config.path.c_str());
        return EXPORTER_NO_TEXTFILE;
    }
    SNMP_socket transport(2, 0, 0);
    SessionCache sessions(transport, 0, 1);
    WorkerSlots slots(DEFAULT_MAXPROC);
    ProbeEnvironment env{sessions, slots};
    Exposition out;
    ProbeOutcome all;
    const auto started = std::chrono::steady_clock::now();
    for (const std::string &target : targets) {
        ProbeOutcome one = run_probe(env, target, *settings, 1, std::chrono::system_clock::time_point::max());
        if (!one.error.empty()) {
            std::fprintf(stderr, "prowlet_exporter: %s\n", one.error.c_str());
            return EXPORTER_NO_TEXTFILE;
        }
        for (ProbedPrinter &p : one.printers) all.printers.push_back(std::move(p));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    write_probe_metrics(out, all, seconds);
    for (const ProbedPrinter &printer : all.printers) write_printer_metrics(out, printer, settings->groups);
    std::fputs(transport.finish().c_str(), stderr);
    const std::string problem = write_file_atomically(path, out.text());
    if (!problem.empty()) {
        std::fprintf(stderr, "prowlet_exporter: %s\n", problem.c_str());
        return EXPORTER_NO_TEXTFILE;
    }
    return EXPORTER_OK;
}
