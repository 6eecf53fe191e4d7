// An output object for tests of the reports: keeps every piece as classic
// output writes it (without the hostname field), every warning and failure
// message as text, and the table rows the pieces were grouped into.
#pragma once

#include <string>
#include <vector>

#include "reports/classic.h"
#include "reports/output.h"

struct CapturedPiece {
    bool continues;  // a fragment of the printer's line; false for a record line
    std::string text;
    bool operator==(const CapturedPiece &) const = default;
};

inline void PrintTo(const CapturedPiece &p, std::ostream *os) {
    *os << (p.continues ? "fragment " : "line ") << testing::PrintToString(p.text);
}

class CaptureOutput : public PrinterOutput {
 public:
    explicit CaptureOutput(std::string host = "p") : PrinterOutput(std::move(host)) {}

    void piece(const Piece &p) override {
        pieces.push_back({p.kind == Piece::Kind::Fragment, classic_text(p)});
        if (!openRow.empty()) rowPieces.back().push_back(pieces.size() - 1);
    }
    void begin_row(const char *table) override {
        openRow = table;
        rows.push_back(table);
        rowPieces.emplace_back();
    }
    void end_row() override { openRow.clear(); }
    void warn(const std::string &text, bool) override { err += text; }
    void failed(const std::string &message) override { err += message; }
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

 private:
    std::string openRow;
};
