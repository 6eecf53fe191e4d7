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

bool on_terminal(std::FILE *f) {
    const int fd = fileno(f);
    return fd >= 0 && isatty(fd);
}

// The status line drawn from the line's start, the rest of the old one erased.
std::string drawn(std::string_view line) { return "\r" + std::string(line) + "\033[K"; }

}  // namespace

OutputWriter::OutputWriter(std::FILE *out, std::FILE *err) : out_(out), err_(err), outIsTerminal_(on_terminal(out)) {}

void OutputWriter::write_lines(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(lock_);
    const bool sharesTerminal = !status_.empty() && outIsTerminal_;
    if (sharesTerminal) write_whole(err_, ERASE_STATUS);
    write_whole(out_, text);
    if (sharesTerminal) write_whole(err_, drawn(status_));
}

void OutputWriter::write_message(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(lock_);
    std::fflush(out_);
    if (status_.empty())
        write_whole(err_, text);
    else
        write_whole(err_, ERASE_STATUS + std::string(text) + drawn(status_));
}

void OutputWriter::show_status(std::string_view line) {
    std::lock_guard<std::mutex> lock(lock_);
    if (line.empty() && status_.empty()) return;
    status_ = line;
    write_whole(err_, line.empty() ? std::string(ERASE_STATUS) : drawn(line));
}

void OutputWriter::clear_status() { show_status({}); }
