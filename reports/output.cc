// Serialised output: one lock for every write to standard output.
#include "reports/output.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "reports/flags.h"
#include "snmp/session.h"

const char *progname = "prowlet";

namespace {

std::mutex outputLock;
const SNMP_session *lastSession = nullptr;
bool lastContinued = false;
bool atLineStart = true;  // the last byte written ended a line (or nothing was written)

}  // namespace

void emit_output(const SNMP_session &session, const std::uint64_t *flags, bool continues,
                 std::string_view text) {
    std::lock_guard<std::mutex> lock(outputLock);
    std::string piece;
    const bool newLine = &session != lastSession || !continues;
    if (newLine && lastContinued) piece += '\n';
    // A fragment that follows its printer's own finished line (a record line, or
    // a fragment ending in "\n") also starts a line: it carries the name too.
    if ((newLine || atLineStart) && (flags[0] & F0_NAME)) {
        piece += "hostname=\"";
        piece += session.hostname;
        piece += "\";";
    }
    piece.append(text);
    std::fwrite(piece.data(), 1, piece.size(), stdout);
    std::fflush(stdout);
    lastSession = &session;
    lastContinued = continues;
    if (!piece.empty()) atLineStart = piece.back() == '\n';
}

std::string escape_value(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xf];
        } else {
            out += ch;
        }
    }
    return out;
}

void finish_output() {
    std::lock_guard<std::mutex> lock(outputLock);
    if (lastContinued) {
        std::fputc('\n', stdout);
        lastContinued = false;
        atLineStart = true;
    }
    std::fflush(stdout);
}

void handle_unrecoverable(const char *prog, const char *hostname, SNMP_error_unrecoverable error) {
    if (error == NO_RESPONSE) std::fprintf(stderr, "%s: No response from %s\n", prog, hostname);
    throw WorkerExit{8};
}

void not_supported(const char *option, const char *hostname) {
    std::fprintf(stderr, "%s: %s option not supported on this printer type.\n", hostname, option);
}

void reset_output_state() {
    std::lock_guard<std::mutex> lock(outputLock);
    lastSession = nullptr;
    lastContinued = false;
    atLineStart = true;
}

std::string format_piece(const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return text;
}
