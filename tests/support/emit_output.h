// Tests that feed the classic writer pieces of text directly: one writer for
// the test program, on standard output, started afresh by reset_output_state.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "reports/classic.h"
#include "reports/flags.h"
#include "snmp/session.h"

inline std::unique_ptr<ClassicWriter> &test_writer() {
    static std::unique_ptr<ClassicWriter> writer = std::make_unique<ClassicWriter>();
    return writer;
}

// One piece of session's output; only the name bit of flags[0] is read.
inline void emit_output(const SNMP_session &session, const std::uint64_t *flags, bool continues,
                        std::string_view text) {
    test_writer()->write(&session, session.hostname, (flags[0] & F0_NAME) != 0, continues, text);
}

inline void finish_output() { test_writer()->finish(); }

inline void reset_output_state() { test_writer() = std::make_unique<ClassicWriter>(); }
