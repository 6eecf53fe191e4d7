// The progress line of a run on a terminal: printers done of all, answered,
// failed and still waiting, on standard error.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "reports/flags.h"

class OutputWriter;

// Whether a run shows its progress: standard error is a terminal, the user
// did not turn it off (--no-progress), and with --json standard output is a
// terminal too (JSON piped on to a program is read by that program, whose
// own output may share the terminal).
bool progress_wanted(const FlagWords &flags, int stdoutFd = 1, int stderrFd = 2);

// The line itself, cut to width characters when width is above 0.
std::string progress_text(std::size_t total, std::size_t answered, std::size_t failed, std::size_t width = 0);

// Draws the progress line through the run's writer (which erases it before
// every message and draws it again after) from a thread of its own: first
// after FIRST_DRAW, so a run that ends at once shows nothing, then at most
// every REDRAW while the counts change. Erased when destroyed.
class ProgressLine {
 public:
    static constexpr std::chrono::milliseconds FIRST_DRAW{500};
    static constexpr std::chrono::milliseconds REDRAW{250};

    // width: the terminal's columns (0: unknown).
    ProgressLine(OutputWriter &writer, std::size_t total, std::size_t width);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // A printer's worker ended with status.
    void ended(int status);

 private:
    void draw_while_running();

    OutputWriter &writer_;
    const std::size_t total_;
    const std::size_t width_;
    std::atomic<std::size_t> answered_{0};
    std::atomic<std::size_t> failed_{0};
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;  // guarded by lock_
    std::thread drawer_;
};

// The columns of the terminal on fd, 0 when it does not say.
std::size_t terminal_width(int fd = 2);
