// Helpers shared by the SNMP layer tests: stderr capture, temporary log directories, byte dumps.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ber/ber.h"

namespace snmp_test {

// Captures everything written to file descriptor 2 (by any thread) until
// text() is called.
class StderrCapture {
 public:
    StderrCapture() { testing::internal::CaptureStderr(); }
    ~StderrCapture() {
        if (!done) testing::internal::GetCapturedStderr();
    }
    std::string text() {
        done = true;
        return testing::internal::GetCapturedStderr();
    }

 private:
    bool done = false;
};

// A fresh directory, removed (one level deep) at the end.
class LogDir {
 public:
    LogDir() {
        char tmpl[] = "/tmp/snmp_test.XXXXXX";
        const char *p = ::mkdtemp(tmpl);
        if (!p) std::abort();
        path = p;
    }
    ~LogDir() {
        if (DIR *d = ::opendir(path.c_str())) {
            while (dirent *e = ::readdir(d)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") ::unlink((path + "/" + name).c_str());
            }
            ::closedir(d);
        }
        ::rmdir(path.c_str());
    }
    LogDir(const LogDir &) = delete;
    LogDir &operator=(const LogDir &) = delete;
    std::string file(const std::string &name) const { return path + "/" + name; }
    std::string read(const std::string &name) const {
        std::string out;
        if (FILE *f = std::fopen(file(name).c_str(), "rb")) {
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
            std::fclose(f);
        }
        return out;
    }
    void touch(const std::string &name) const {
        if (FILE *f = std::fopen(file(name).c_str(), "w")) std::fclose(f);
    }

    std::string path;
};

// The bytes of a value's encoding chain.
inline std::vector<unsigned char> chain_bytes(BerBase &v) {
    std::vector<unsigned char> out;
    for (BerEncodedData *d = v.getdata();; d = d->next) {
        out.insert(out.end(), d->Data(), d->Data() + d->Length());
        if (d == v.lastChunk()) break;
    }
    return out;
}

inline std::string hex(const std::vector<unsigned char> &bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x ", c);
        out += b;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

inline std::vector<unsigned char> unhex(const std::string &text) {
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

inline bool in_netns() { return std::getenv("PROWLET_IN_NETNS") != nullptr; }

}  // namespace snmp_test
