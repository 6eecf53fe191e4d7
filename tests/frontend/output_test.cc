// Serialised output: line forms, hostname fields, the closing newline, and
// pieces of many printers written at once.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/session.h"
#include "tests/support/emit_output.h"

namespace {

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

// The four forms: "%s%s", "\n%s%s", "hostname=..;%s", "\nhostname=..;%s".
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
              "hostname=\"p1\";a=\"1\";b=\"2\";\n"
              "hostname=\"p2\";a=\"3\";\n"
              "hostname=\"p1\";c=\"4\";\n");
}

TEST_F(Output, InterleavedPrintersWithoutNames) {
    SNMP_session &p1 = printer("p1");
    SNMP_session &p2 = printer("p2");
    testing::internal::CaptureStdout();
    emit_output(p1, plain_, true, "a=\"1\";");
    emit_output(p2, plain_, true, "a=\"3\";");
    emit_output(p1, plain_, true, "c=\"4\";");
    finish_output();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a=\"1\";\na=\"3\";\nc=\"4\";\n");
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
    ClassicWriter writer;
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

// Many printers writing at once: each line belongs to one printer, carries its
// name first, and every piece arrives exactly once.
TEST_F(Output, ConcurrentPrintersNeverMixWithinALine) {
    constexpr int kPrinters = 16, kPieces = 50;
    std::vector<SNMP_session *> ps;
    for (int i = 0; i < kPrinters; ++i) ps.push_back(&printer("p" + std::to_string(i)));
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int i = 0; i < kPrinters; ++i)
        threads.emplace_back([&, i] {
            for (int j = 0; j < kPieces; ++j) {
                std::string piece = "k" + std::to_string(i) + "=\"" + std::to_string(j) + "\";";
                if (j % 10 == 9)
                    emit_output(*ps[i], named_, false, piece + "\n");
                else
                    emit_output(*ps[i], named_, true, piece);
            }
        });
    for (auto &t : threads) t.join();
    finish_output();
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\n');
    std::istringstream lines(out);
    std::string line;
    std::vector<int> seen(kPrinters, 0);
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.rfind("hostname=\"p", 0), 0u) << line;
        std::size_t q = line.find('"', 11);
        int i = std::stoi(line.substr(11, q - 11));
        std::string key = "k" + std::to_string(i) + "=\"";
        std::string rest = line.substr(q + 2);
        // Everything after the name is this printer's pieces, in order.
        while (!rest.empty()) {
            ASSERT_EQ(rest.rfind(key, 0), 0u) << line;
            std::size_t end = rest.find("\";");
            EXPECT_EQ(std::stoi(rest.substr(key.size(), end - key.size())), seen[i]) << line;
            ++seen[i];
            rest = rest.substr(end + 2);
        }
    }
    for (int i = 0; i < kPrinters; ++i) EXPECT_EQ(seen[i], kPieces) << i;
}

}  // namespace
