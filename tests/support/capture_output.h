// An output object for tests of the reports: keeps every piece as classic
// output writes it (without the hostname field), every warning and failure
// message as text, and the table rows the pieces were grouped into.
#pragma once

#include <string>
#include <vector>

#include "reports/classic.h"
#include "reports/output.h"

using CapturedPiece = ClassicPiece;

inline void PrintTo(const ClassicPiece &p, std::ostream *os) {
    *os << (p.continues ? "fragment " : "line ") << testing::PrintToString(p.text);
}

class CaptureOutput : public PrinterOutput {
 public:
    explicit CaptureOutput(std::string host = "p") : PrinterOutput(std::move(host)) {}

    void found(Group group, const Fields &fields) override {
        for (ClassicPiece &p : classic_pieces(group, fields)) pieces.push_back(std::move(p));
    }
    void row(Table table, const Fields &fields, unsigned parts) override {
        rows.push_back(table_name(table));
        rowPieces.emplace_back();
        for (ClassicPiece &p : classic_pieces(table, fields, parts)) {
            pieces.push_back(std::move(p));
            rowPieces.back().push_back(pieces.size() - 1);
        }
    }
    using PrinterOutput::warn;
    void warn(const Message &message, bool) override { err += message.escaped(); }
    void failed(const Message &message) override { err += message.escaped(); }
    void finish(int status) override { finished = status; }

    // The pieces' text run together, as one printer's output.
    std::string text() const {
        std::string all;
        for (const CapturedPiece &p : pieces) all += p.text;
        return all;
    }

    std::vector<CapturedPiece> pieces;
    std::string err;
    std::vector<std::string> rows;                   // table of each row, in order
    std::vector<std::vector<std::size_t>> rowPieces;  // pieces of each row
    int finished = -1000;
};
