// Tests that feed classic output pieces of text directly: one output object
// per printer session, all through one writer on standard output, started
// afresh by reset_output_state.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "reports/classic.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/writer.h"
#include "snmp/session.h"

struct TestOutputs {
    OutputWriter writer;
    std::mutex lock;  // guards the list; each output is then used by one thread
    std::vector<std::pair<const SNMP_session *, std::unique_ptr<ClassicOutput>>> outputs;
};

inline std::unique_ptr<TestOutputs> &test_outputs() {
    static std::unique_ptr<TestOutputs> outputs = std::make_unique<TestOutputs>();
    return outputs;
}

// The output object of session, made at its first use.
inline ClassicOutput &output_of(const SNMP_session &session, bool names) {
    TestOutputs &t = *test_outputs();
    std::lock_guard<std::mutex> guard(t.lock);
    for (auto &[s, out] : t.outputs)
        if (s == &session) return *out;
    t.outputs.emplace_back(&session, std::make_unique<ClassicOutput>(t.writer, session.hostname, names));
    return *t.outputs.back().second;
}

// One piece of session's output; only the name bit of flags[0] is read.
inline void emit_output(const SNMP_session &session, const std::uint64_t *flags, bool continues,
                        std::string_view text) {
    output_of(session, (flags[0] & F0_NAME) != 0).write_text(text, !continues);
}

// Every printer's worker ends, in the order they first wrote.
inline void finish_output() {
    for (auto &entry : test_outputs()->outputs) entry.second->finish(0);
}

inline void reset_output_state() { test_outputs() = std::make_unique<TestOutputs>(); }
