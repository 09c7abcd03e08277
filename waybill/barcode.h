#pragma once
// The symbols of a code item: a Code 128 of a printable ASCII text (code
// sets B and C, switching to C for runs of digits, with its check symbol)
// and a QR code of any text (UTF-8 bytes, error correction level M, by
// libqrencode). A symbol is a grid of modules, its quiet zone included:
// one row for Code 128, a square for QR.

#include <QString>
#include <optional>
#include <vector>

struct CodeSymbol {
    int columns = 0;        // modules across, quiet zones included
    int rows = 0;           // 1 for Code 128
    std::vector<bool> dark; // row by row

    bool isDark(int column, int row) const { return dark[size_t(row) * size_t(columns) + size_t(column)]; }
};

namespace code128 {
constexpr int kQuietModules = 10; // each side
// The symbol values (start, data, check, stop) of a text; empty when it
// holds a character Code 128 B cannot take (outside ASCII 32 to 126).
std::vector<int> symbolValues(const QString &text);
} // namespace code128

namespace qr {
constexpr int kQuietModules = 4; // each side
} // namespace qr

// Whether every character of text is one Code 128 prints (ASCII 32 to 126).
bool fitsCode128(const QString &text);
// The Code 128 of text; none for an empty text or one fitsCode128 refuses.
std::optional<CodeSymbol> code128Symbol(const QString &text);
// The QR code of text; none for an empty text or one too long for a QR code.
std::optional<CodeSymbol> qrSymbol(const QString &text);
