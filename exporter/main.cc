// prowlet_exporter: printer health for Prometheus, as a server or one-shot to a textfile.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <thread>

#include "exporter/exporter_options.h"
#include "exporter/server.h"
#include "exporter/textfile.h"

namespace {

void write_out(std::FILE *f, const std::string &text) {
    if (!text.empty()) std::fputs(text.c_str(), f);
    std::fflush(f);
}

// SIGHUP reloads the configuration, SIGTERM and SIGINT stop the server. The
// signals are blocked in every thread and taken here by sigwait, so nothing
// runs in a signal handler.
void signal_loop(Exporter &exporter, HttpServer &server, const sigset_t &signals) {
    for (;;) {
        int sig = 0;
        if (sigwait(&signals, &sig) != 0) continue;
        if (sig == SIGHUP) {
            const std::string problem = exporter.reload();
            if (problem.empty())
                write_out(stderr, "prowlet_exporter: configuration reloaded\n");
            else
                write_out(stderr, "prowlet_exporter: " + problem + "; the configuration in force is kept\n");
            continue;
        }
        write_out(stderr, "prowlet_exporter: stopping\n");
        server.stop();
        return;
    }
}

int serve(const ExporterOptions &opts, std::unique_ptr<ExporterConfig> config) {
    sigset_t signals;
    sigemptyset(&signals);
    for (int sig : {SIGHUP, SIGTERM, SIGINT}) sigaddset(&signals, sig);
    // Before any thread exists, so that every thread inherits the mask.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::unique_ptr<Exporter> exporter;
    try {
        exporter = std::make_unique<Exporter>(opts.settings, std::move(config));
    } catch (const std::exception &e) {
        write_out(stderr, std::string("prowlet_exporter: ") + e.what() + "\n");
        return EXPORTER_FAILED;
    }
    HttpServer server(*exporter, opts.httpThreads);
    const std::string problem = server.bind(opts.listen);
    if (!problem.empty()) {
        write_out(stderr, "prowlet_exporter: " + problem + "\n");
        return EXPORTER_NO_LISTEN;
    }
    write_out(stderr, "prowlet_exporter: listening on " + (opts.listen.host.empty() ? std::string("0.0.0.0") : opts.listen.host) +
                          ":" + std::to_string(opts.listen.port) + "\n");
    std::thread signalThread(signal_loop, std::ref(*exporter), std::ref(server), std::cref(signals));
    const bool ok = server.serve();
    if (!ok) {
        // Serving failed on its own: the signal thread still waits; a
        // signal to ourselves ends it.
        pthread_kill(signalThread.native_handle(), SIGTERM);
    }
    signalThread.join();
    return ok ? EXPORTER_OK : EXPORTER_FAILED;
}

}  // namespace

int main(int argc, char **argv) {
    ExporterOptions opts;
    const ExporterParse parsed = parse_exporter_options(argc, argv, opts);
    if (parsed.finished) {
        write_out(stdout, parsed.out);
        write_out(stderr, parsed.err);
        return parsed.status;
    }
    ConfigOutcome loaded = load_config(opts.settings.configPath);
    if (!loaded.config) {
        write_out(stderr, "prowlet_exporter: " + loaded.error + "\n");
        return EXPORTER_BAD_CONFIG;
    }
    if (opts.checkOnly) {
        write_out(stdout, opts.settings.configPath + ": " + std::to_string(loaded.config->modules.size()) +
                              " modules, all valid\n");
        return EXPORTER_OK;
    }
    if (!opts.textfile.empty()) return write_textfile(*loaded.config, opts.module, opts.targets, opts.textfile);
    return serve(opts, std::move(loaded.config));
}
