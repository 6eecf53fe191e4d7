// server: the HTTP routes of the exporter.
#include "exporter/server.h"

#include <httplib.h>

#include <optional>

#include "exporter/exporter.h"

namespace {

std::optional<std::string> param(const httplib::Request &req, const char *name) {
    if (!req.has_param(name)) return std::nullopt;
    return req.get_param_value(name);
}

void answer(httplib::Response &res, const ExporterAnswer &a) {
    res.status = a.status;
    res.set_content(a.body, a.contentType.c_str());
}

}  // namespace

struct HttpServer::Impl {
    httplib::Server server;
};

HttpServer::HttpServer(Exporter &exporter, int threads) : impl_(std::make_unique<Impl>()) {
    httplib::Server &server = impl_->server;
    // The library owns the queue it is handed and releases it when it stops.
    server.new_task_queue = [threads] { return std::make_unique<httplib::ThreadPool>(threads).release(); };
    server.set_payload_max_length(4096);
    // The answer goes out in pieces (headers, then the body): without
    // TCP_NODELAY a keep-alive client's delayed acknowledgement holds each
    // scrape for tens of milliseconds.
    server.set_tcp_nodelay(true);
    server.set_read_timeout(10);
    server.Get("/", [](const httplib::Request &, httplib::Response &res) { answer(res, Exporter::landing_page()); });
    server.Get("/metrics",
               [&exporter](const httplib::Request &, httplib::Response &res) { answer(res, exporter.metrics()); });
    server.Get("/probe", [&exporter](const httplib::Request &req, httplib::Response &res) {
        // Only the two parameters: a community or passphrase never travels in a URL.
        for (const auto &[name, value] : req.params)
            if (name != "target" && name != "module") {
                answer(res, {400, "unknown parameter \"" + name + "\" (only target and module)\n"});
                return;
            }
        std::optional<std::string> timeout;
        if (req.has_header("X-Prometheus-Scrape-Timeout-Seconds"))
            timeout = req.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
        answer(res, exporter.probe(param(req, "target"), param(req, "module"), timeout));
    });
}

HttpServer::~HttpServer() = default;

std::string HttpServer::bind(const ListenAddress &address) {
    const std::string host = address.host.empty() ? "0.0.0.0" : address.host;
    if (!impl_->server.bind_to_port(host, address.port))
        return "cannot listen on " + host + ":" + std::to_string(address.port);
    port_ = address.port;
    return {};
}

bool HttpServer::serve() { return impl_->server.listen_after_bind(); }

void HttpServer::stop() { impl_->server.stop(); }
