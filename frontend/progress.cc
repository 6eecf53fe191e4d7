// progress: the run's progress line, drawn on a terminal a few times a second.
#include "frontend/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "reports/writer.h"

bool progress_wanted(const FlagWords &flags, int stdoutFd, int stderrFd) {
    if (flags.asked(Option::noProgress) || !isatty(stderrFd)) return false;
    return !flags.asked(Option::json) || isatty(stdoutFd);
}

std::string progress_text(std::size_t total, std::size_t answered, std::size_t failed, std::size_t width) {
    const std::size_t done = answered + failed;
    std::string text = "prowlet: " + std::to_string(done) + "/" + std::to_string(total) + " done, " +
                       std::to_string(answered) + " answered, " + std::to_string(failed) + " failed, " +
                       std::to_string(total - done) + " waiting";
    // A line longer than the terminal wraps, and "\r" would then go back to
    // its last row only.
    if (width > 0 && text.size() >= width) text.resize(width - 1);
    return text;
}

std::size_t terminal_width(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

ProgressLine::ProgressLine(OutputWriter &writer, std::size_t total, std::size_t width)
    : writer_(writer), total_(total), width_(width), drawer_([this] { draw_while_running(); }) {}

ProgressLine::~ProgressLine() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    drawer_.join();
    writer_.clear_status();
}

void ProgressLine::ended(int status) {
    if (status == 0)
        ++answered_;
    else
        ++failed_;
}

void ProgressLine::draw_while_running() {
    std::unique_lock<std::mutex> lock(lock_);
    if (wake_.wait_for(lock, FIRST_DRAW, [this] { return stop_; })) return;
    std::string shown;
    for (;;) {
        const std::string now = progress_text(total_, answered_, failed_, width_);
        if (now != shown) {
            writer_.show_status(now);
            shown = now;
        }
        if (wake_.wait_for(lock, REDRAW, [this] { return stop_; })) return;
    }
}
