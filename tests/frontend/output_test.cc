// Serialised output: line forms, hostname fields, the closing newline, and
// pieces of many printers written at once.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frontend/failures.h"
#include "frontend/progress.h"
#include "reports/request.h"
#include "snmp/errors.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/output.h"
#include "reports/writer.h"
#include "snmp/session.h"
#include "tests/support/emit_output.h"

namespace {

std::string read_all(std::FILE *file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) text.append(buf, n);
    return text;
}

class Output : public ::testing::Test {
 protected:
    void SetUp() override { reset_output_state(); }

    SNMP_session &printer(const std::string &name) {
        // No exchange happens here, so the session needs no transport.
        sessions_.push_back(std::make_unique<SNMP_session>(
            nullptr, name.c_str(), nullptr, std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}}));
        return *sessions_.back();
    }

    std::vector<std::unique_ptr<SNMP_session>> sessions_;
    const std::uint64_t named_[3] = {F0_NAME, 0, 0};
    const std::uint64_t plain_[3] = {0, 0, 0};
};

TEST_F(Output, FragmentsOfOnePrinterShareALine) {
    SNMP_session &p = printer("p1");
    testing::internal::CaptureStdout();
    emit_output(p, plain_, true, "vendor=\"HP\";");
    emit_output(p, plain_, true, "model=\"LaserJet 4000\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "vendor=\"HP\";model=\"LaserJet 4000\";\n");
}

TEST_F(Output, NothingWrittenMeansNoNewline) {
    testing::internal::CaptureStdout();
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Output, RecordLinesNeedNoClosingNewline) {
    SNMP_session &p = printer("p1");
    testing::internal::CaptureStdout();
    emit_output(p, plain_, false, "desc=\"RAM\";\n");
    emit_output(p, plain_, false, "desc=\"Disk\";\n");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "desc=\"RAM\";\ndesc=\"Disk\";\n");
}

TEST_F(Output, RecordLineClosesTheOpenLine) {
    SNMP_session &p = printer("p1");
    testing::internal::CaptureStdout();
    emit_output(p, named_, true, "memsize=\"1\";");
    emit_output(p, named_, false, "desc=\"RAM\";\n");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "hostname=\"p1\";memsize=\"1\";\nhostname=\"p1\";desc=\"RAM\";\n");
}

// Each printer's line is held until it is complete: a piece of another
// printer in between neither closes nor splits it.
TEST_F(Output, InterleavedPrintersWithNames) {
    SNMP_session &p1 = printer("p1");
    SNMP_session &p2 = printer("p2");
    testing::internal::CaptureStdout();
    emit_output(p1, named_, true, "a=\"1\";");
    emit_output(p1, named_, true, "b=\"2\";");
    emit_output(p2, named_, true, "a=\"3\";");
    emit_output(p1, named_, true, "c=\"4\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "hostname=\"p1\";a=\"1\";b=\"2\";c=\"4\";\n"
              "hostname=\"p2\";a=\"3\";\n");
}

TEST_F(Output, InterleavedPrintersWithoutNames) {
    SNMP_session &p1 = printer("p1");
    SNMP_session &p2 = printer("p2");
    testing::internal::CaptureStdout();
    emit_output(p1, plain_, true, "a=\"1\";");
    emit_output(p2, plain_, true, "a=\"3\";");
    emit_output(p1, plain_, true, "c=\"4\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a=\"1\";c=\"4\";\na=\"3\";\n");
}

TEST_F(Output, OtherPrinterRecordLineAfterClosedLine) {
    SNMP_session &p1 = printer("p1");
    SNMP_session &p2 = printer("p2");
    testing::internal::CaptureStdout();
    emit_output(p1, named_, false, "row=\"1\";\n");
    emit_output(p2, named_, false, "row=\"2\";\n");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "hostname=\"p1\";row=\"1\";\nhostname=\"p2\";row=\"2\";\n");
}

// A fragment after its own printer's record line begins a line of its own,
// so with names on it carries the hostname field like every other line.
TEST_F(Output, FragmentAfterOwnRecordLineCarriesName) {
    SNMP_session &p = printer("p1");
    testing::internal::CaptureStdout();
    emit_output(p, named_, false, "row=\"1\";\n");
    emit_output(p, named_, true, "maxpapersize=\"a4\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "hostname=\"p1\";row=\"1\";\nhostname=\"p1\";maxpapersize=\"a4\";\n");
}

TEST_F(Output, FragmentAfterOwnRecordLineWithoutName) {
    SNMP_session &p = printer("p1");
    testing::internal::CaptureStdout();
    emit_output(p, plain_, false, "row=\"1\";\n");
    emit_output(p, plain_, true, "maxpapersize=\"a4\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "row=\"1\";\nmaxpapersize=\"a4\";\n");
}

// Only the name bit of the worker's flag words is read.
TEST_F(Output, OtherFlagBitsDoNotMatter) {
    SNMP_session &p = printer("p1");
    const std::uint64_t busy[3] = {~F0_NAME, ~std::uint64_t{0}, ~std::uint64_t{0}};
    testing::internal::CaptureStdout();
    emit_output(p, busy, true, "x=\"1\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "x=\"1\";\n");
}

TEST(Messages, NotSupportedAndNoResponse) {
    progname = "prowlet";
    OutputWriter writer;
    ClassicOutput out(writer, "lp7", false);
    testing::internal::CaptureStderr();
    not_supported(out, "marker");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "lp7: marker option not supported on this printer type.\n");
    testing::internal::CaptureStderr();
    int status = -1;
    try {
        throw SNMP_error_unrecoverable(NO_RESPONSE);
    } catch (...) {
        status = report_failure(out);
    }
    EXPECT_EQ(status, 8);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "prowlet: No response from lp7\n");
}

// Refusals of a SetRequest name the object and, where the refusal means so,
// that the community or user may not write; the notes and messages of the
// run's end.
TEST(Messages, FailuresOfTheFirstHour) {
    progname = "prowlet";
    auto refused = [](const char *oid, int status) {
        SNMP_error_oid e(oid, status);
        e.requestTag = SET_REQ_TAG;
        return e;
    };
    auto denied = [](const char *oid) {
        SNMP_error_security e(SNMP_error_security::ACCESS_DENIED, "lp7 denied the community access (authorizationError)");
        e.refusedOid = oid;
        e.requestTag = SET_REQ_TAG;
        return e;
    };
    const std::string cause = "; the community may not write: use one with write access\n";
    struct Case {
        std::function<void()> failure;
        std::string message;
        int status;
    };
    const Case cases[] = {
        {[&] { throw refused("1.3.6.1.2.1.1.6.0", 2); },
         "prowlet: lp7 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 2)" + cause, 12},
        {[&] { throw refused("1.3.6.1.2.1.1.4.0", 4); },
         "prowlet: lp7 refused to set sysContact.0 (1.3.6.1.2.1.1.4.0, error-status 4)" + cause, 12},
        {[&] { throw refused("1.3.6.1.2.1.43.5.1.1.3.1", 2); },
         "prowlet: lp7 refused to set prtGeneralReset.1 (1.3.6.1.2.1.43.5.1.1.3.1, error-status 2)" + cause, 12},
        {[&] { throw refused("1.3.6.1.2.1.1.6.0", 3); },
         "prowlet: lp7 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 3)\n", 12},
        {[&] { throw refused("1.3.6.1.4.1.99.1.0", 2); }, "prowlet: lp7 refused to set 1.3.6.1.4.1.99.1.0 (error-status 2)" + cause,
         12},
        {[&] { throw refused("", 5); }, "prowlet: lp7 refused a SetRequest (error-status 5)\n", 12},
        // A refused read keeps its message.
        {[] { throw SNMP_error_oid("1.3.6.1.2.1.1.6.0", 2); }, "prowlet: lp7 refused 1.3.6.1.2.1.1.6.0 (error-status 2)\n",
         12},
        {[&] { throw denied("1.3.6.1.2.1.1.6.0"); },
         "prowlet: lp7 denied the community access (authorizationError) to set sysLocation.0 (1.3.6.1.2.1.1.6.0)" + cause,
         23},
        {[&] { throw denied(""); },
         "prowlet: lp7 denied the community access (authorizationError) in a SetRequest" + cause, 23},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        OutputWriter writer;
        ClassicOutput out(writer, "lp7", false);
        testing::internal::CaptureStderr();
        int status = 0;
        try {
            c.failure();
        } catch (...) {
            status = report_failure(out);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(status, c.status);
    }
    EXPECT_EQ(set_refusal_detail("1.3.6.1.4.1.11.2.4.3.7.8.0", 2, true),
              "HP's reset variable (1.3.6.1.4.1.11.2.4.3.7.8.0, error-status 2); the user may not write: use one with "
              "write access");
    EXPECT_EQ(unknown_vendor_note(1, 1),
              "prowlet: 1 printer ended with \"unknown printer vendor\" (status 11); --generic reports on it through the "
              "standard Printer and Host Resources MIBs.\n");
    EXPECT_TRUE(unknown_vendor_note(1, 33).starts_with("prowlet: 1 of 33 printers ended with \"unknown printer vendor\" "
                                                       "(status 11); --generic reports on it through"));
    EXPECT_TRUE(unknown_vendor_note(20, 33).starts_with("prowlet: 20 of 33 printers ended with \"unknown printer "
                                                        "vendor\" (status 11); --generic reports on them through"));
    EXPECT_EQ(unresolved_message("lp9"), "SNMP: cannot resolve hostname \"lp9\".\n");
}

// The status line is erased before every message and drawn again after it,
// in the same write, so the two never mix; standard output that is no
// terminal is written as ever.
TEST(Messages, StatusLineAroundMessages) {
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    {
        OutputWriter writer(out, err);
        writer.write_message("before\n");
        writer.show_status("3/5 done");
        writer.write_message("Warning: lp1 ...\n");
        writer.show_status("4/5 done");
        writer.write_lines("vendor=\"HP\";\n");
        writer.clear_status();
        writer.clear_status();
        writer.write_message("after\n");
    }
    EXPECT_EQ(read_all(out), "vendor=\"HP\";\n");
    EXPECT_EQ(read_all(err),
              "before\n\r3/5 done\x1b[K\r\x1b[KWarning: lp1 ...\n\r3/5 done\x1b[K\r4/5 done\x1b[K\r\x1b[Kafter\n");
    std::fclose(out);
    std::fclose(err);
}

TEST(Messages, ProgressText) {
    struct Case {
        std::size_t total, answered, failed, width;
        std::string text;
    };
    const Case cases[] = {
        {254, 0, 0, 0, "prowlet: 0/254 done, 0 answered, 0 failed, 254 waiting"},
        {254, 75, 4, 80, "prowlet: 79/254 done, 75 answered, 4 failed, 175 waiting"},
        {2, 1, 1, 0, "prowlet: 2/2 done, 1 answered, 1 failed, 0 waiting"},
        // Never as wide as the terminal: a wrapped line could not be drawn over.
        {254, 75, 4, 20, "prowlet: 79/254 don"},
    };
    for (const Case &c : cases) EXPECT_EQ(progress_text(c.total, c.answered, c.failed, c.width), c.text);
    FlagWords off{Option::noProgress};
    EXPECT_FALSE(progress_wanted(off));
}

// One step of a printer's output: a piece of classic text, a warning or the
// failure that ends its worker.
struct Step {
    int printer;
    enum { FRAGMENT, RECORD, WARN, WARN_NAMED, FAIL } what;
    std::string text;
};

struct LineCase {
    const char *name;
    bool names;
    std::vector<Step> steps;
    std::string out;  // standard output and standard error written to one file, as with 2>&1
};

// Lines are whole and never empty; warnings that do not name their printer
// get its name in front when hostname fields are on.
TEST(OutputLines, Cases) {
    const LineCase cases[] = {
        {"line-ending fragment, then a record: no empty line", false,
         {{0, Step::FRAGMENT, "pagecount=\"5\";\n"}, {0, Step::RECORD, "desc=\"a\";\n"}},
         "pagecount=\"5\";\ndesc=\"a\";\n"},
        {"line-ending fragment, then a fragment: a new line with the name", true,
         {{0, Step::FRAGMENT, "display=\"a\";\n"}, {0, Step::FRAGMENT, "display=\"b\";\n"},
          {0, Step::FRAGMENT, "x=\"1\";"}},
         "hostname=\"p0\";display=\"a\";\nhostname=\"p0\";display=\"b\";\nhostname=\"p0\";x=\"1\";\n"},
        {"pieces without fields open no line", true,
         {{0, Step::FRAGMENT, ""}, {0, Step::FRAGMENT, "\n"}, {0, Step::RECORD, "\n"}}, ""},
        {"a warning of another printer does not split a held line", true,
         {{0, Step::FRAGMENT, "vendor=\"HP\";"}, {1, Step::WARN, "Warning: Can't sense paper level.\n"},
          {0, Step::FRAGMENT, "model=\"4000\";"}},
         "p1: Warning: Can't sense paper level.\nhostname=\"p0\";vendor=\"HP\";model=\"4000\";\n"},
        {"warnings naming the printer and single-printer warnings stay as they are", false,
         {{0, Step::WARN, "Warning: Can't sense paper level.\n"}, {0, Step::WARN_NAMED, "Warning: p0 x.\n"}},
         "Warning: Can't sense paper level.\nWarning: p0 x.\n"},
        {"every line of a warning gets the name", true,
         {{0, Step::WARN, "a\nb\n"}, {0, Step::WARN_NAMED, "Warning: p0 x.\n"}},
         "p0: a\np0: b\nWarning: p0 x.\n"},
        {"the held line goes out before the failure", true,
         {{0, Step::FRAGMENT, "vendor=\"HP\";"}, {0, Step::FAIL, "prowlet: No response from p0\n"}},
         "hostname=\"p0\";vendor=\"HP\";\nprowlet: No response from p0\n"},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::FILE *file = std::tmpfile();
        ASSERT_NE(nullptr, file);
        {
            OutputWriter writer(file, file);
            std::vector<std::unique_ptr<ClassicOutput>> outs;
            for (int i = 0; i < 2; ++i)
                outs.push_back(std::make_unique<ClassicOutput>(writer, "p" + std::to_string(i), c.names));
            for (const Step &s : c.steps) {
                ClassicOutput &o = *outs[static_cast<std::size_t>(s.printer)];
                if (s.what == Step::FRAGMENT || s.what == Step::RECORD) o.write_text(s.text, s.what == Step::RECORD);
                if (s.what == Step::WARN || s.what == Step::WARN_NAMED) o.warn(s.text, s.what == Step::WARN_NAMED);
                if (s.what == Step::FAIL) o.failed(s.text);
            }
            for (auto &o : outs) o->finish(0);
        }
        EXPECT_EQ(c.out, read_all(file));
        std::fclose(file);
    }
}

// Many printers writing pieces and warnings at once into one file (as with
// 2>&1): every line is either one whole warning or one printer's line, each
// printer's lines are exactly those it would print alone, and every piece
// arrives exactly once.
TEST(OutputLines, ConcurrentPrintersKeepWholeLines) {
    constexpr int kPrinters = 16, kPieces = 50;
    std::FILE *file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    OutputWriter writer(file, file);
    std::vector<std::unique_ptr<ClassicOutput>> outs;
    for (int i = 0; i < kPrinters; ++i)
        outs.push_back(std::make_unique<ClassicOutput>(writer, "p" + std::to_string(i), true));
    // Printer i alone: five lines of ten pieces, then a warning after each line.
    auto piece = [](int i, int j) { return "k" + std::to_string(i) + "=\"" + std::to_string(j) + "\";"; };
    std::vector<std::thread> threads;
    for (int i = 0; i < kPrinters; ++i)
        threads.emplace_back([&, i] {
            for (int j = 0; j < kPieces; ++j) {
                outs[static_cast<std::size_t>(i)]->write_text(piece(i, j) + (j % 10 == 9 ? "\n" : ""), false);
                if (j % 10 == 4) outs[static_cast<std::size_t>(i)]->warn("Warning: unnamed.\n", false);
            }
            outs[static_cast<std::size_t>(i)]->finish(0);
        });
    for (auto &t : threads) t.join();
    std::istringstream lines(read_all(file));
    std::fclose(file);
    std::vector<std::vector<std::string>> got(kPrinters);
    std::vector<int> warnings(kPrinters, 0);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("p", 0) == 0) {
            const std::size_t colon = line.find(':');
            ASSERT_EQ(": Warning: unnamed.", line.substr(colon)) << line;
            ++warnings[std::stoi(line.substr(1, colon - 1))];
            continue;
        }
        ASSERT_EQ(0u, line.rfind("hostname=\"p", 0)) << line;
        got[std::stoi(line.substr(11, line.find('"', 11) - 11))].push_back(line);
    }
    for (int i = 0; i < kPrinters; ++i) {
        std::vector<std::string> alone;
        for (int j = 0; j < kPieces; ++j) {
            if (j % 10 == 0) alone.push_back("hostname=\"p" + std::to_string(i) + "\";");
            alone.back() += piece(i, j);
        }
        EXPECT_EQ(alone, got[i]) << i;
        EXPECT_EQ(kPieces / 10, warnings[i]) << i;
    }
}

}  // namespace
