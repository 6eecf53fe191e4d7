// The exporter's HTTP side through cpp-httplib: the routes, the listening
// socket, and a clean stop.
#pragma once

#include <memory>
#include <string>

#include "exporter/exporter_options.h"

class Exporter;

class HttpServer {
 public:
    HttpServer(Exporter &exporter, int threads);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds the address; "" or why not.
    std::string bind(const ListenAddress &address);
    // The port bound (the system's choice for port 0 is not offered here).
    int port() const { return port_; }
    // Serves until stop(); returns false when serving failed.
    bool serve();
    // From any thread (the signal thread): ends serve() once the requests
    // under way have been answered.
    void stop();

 private:
    struct Impl;  // the library's server, kept out of this header
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
};
