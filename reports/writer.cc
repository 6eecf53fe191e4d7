// writer: whole lines to standard output, messages to standard error.
#include "reports/writer.h"

#include <unistd.h>

#include <cerrno>

namespace {

// The text in as few write calls as the system allows: one, unless it is
// interrupted or the pipe takes only part. Streams without a descriptor (a
// memory stream in a test) go through stdio.
void write_whole(std::FILE *f, std::string_view text) {
    std::fflush(f);
    const int fd = fileno(f);
    if (fd < 0) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fflush(f);
        return;
    }
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed pipe or a full disk: nothing more can be written
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

void OutputWriter::write_lines(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(lock_);
    write_whole(out_, text);
}

void OutputWriter::write_message(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(lock_);
    std::fflush(out_);
    write_whole(err_, text);
}
