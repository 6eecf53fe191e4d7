// A file of the given text and mode under /tmp, removed at the end: the
// --secrets file and the exporter's configuration are both checked for their
// owner-only mode, so tests need them on disk.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class FileOnDisk {
 public:
    FileOnDisk(const std::string &text, mode_t mode) {
        char tmpl[] = "/tmp/prowlet-test-file.XXXXXX";
        const int fd = ::mkstemp(tmpl);
        if (fd < 0) std::abort();
        path = tmpl;
        if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
        ::fchmod(fd, mode);
        ::close(fd);
    }
    ~FileOnDisk() { ::unlink(path.c_str()); }
    FileOnDisk(const FileOnDisk &) = delete;
    FileOnDisk &operator=(const FileOnDisk &) = delete;
    std::string path;
};
