#include "waybill/barcode.h"

#include <qrencode.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The bar and space widths of the 107 Code 128 symbols (the last, Stop,
// has a seventh bar).
constexpr std::array<const char *, 107> kPatterns{
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kCodeB = 100; // switch to B (in C)
constexpr int kCodeC = 99;  // switch to C (in B)
constexpr int kStop = 106;

int digitsFrom(const QString &text, qsizetype at)
{
    int count = 0;
    while (at + count < text.size() && text[at + count].isDigit() && text[at + count].unicode() < 128)
        ++count;
    return count;
}

} // namespace

bool fitsCode128(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 32 && c.unicode() <= 126; });
}

std::vector<int> code128::symbolValues(const QString &text)
{
    if (text.isEmpty() || !fitsCode128(text))
        return {};
    // Code set C takes two digits a symbol: worth it for four digits at
    // the start or the end, six in between, or a text of digits only.
    const auto worthC = [&](qsizetype at) {
        const int run = digitsFrom(text, at);
        const bool atEdge = at == 0 || at + run == text.size();
        return (run == text.size() && run >= 2) || run >= (atEdge ? 4 : 6);
    };
    std::vector<int> values;
    bool inC = worthC(0) && digitsFrom(text, 0) % 2 == 0;
    values.push_back(inC ? kStartC : kStartB);
    qsizetype at = 0;
    while (at < text.size()) {
        if (inC) {
            if (digitsFrom(text, at) >= 2) {
                values.push_back(text.mid(at, 2).toInt());
                at += 2;
                continue;
            }
            values.push_back(kCodeB);
            inC = false;
        }
        const int run = digitsFrom(text, at);
        if (run > 0 && worthC(at)) {
            if (run % 2 == 1) { // the odd digit first, in B
                values.push_back(text[at].unicode() - 32);
                ++at;
            }
            values.push_back(kCodeC);
            inC = true;
            continue;
        }
        values.push_back(text[at].unicode() - 32);
        ++at;
    }
    int check = values.front();
    for (size_t i = 1; i < values.size(); ++i)
        check += int(i) * values[i];
    values.push_back(check % 103);
    values.push_back(kStop);
    return values;
}

std::optional<CodeSymbol> code128Symbol(const QString &text)
{
    const std::vector<int> values = code128::symbolValues(text);
    if (values.empty())
        return std::nullopt;
    CodeSymbol symbol;
    symbol.rows = 1;
    symbol.dark.assign(code128::kQuietModules, false);
    for (int value : values) {
        bool bar = true;
        for (const char *width = kPatterns[size_t(value)]; *width; ++width, bar = !bar)
            symbol.dark.insert(symbol.dark.end(), size_t(*width - '0'), bar);
    }
    symbol.dark.insert(symbol.dark.end(), code128::kQuietModules, false);
    symbol.columns = int(symbol.dark.size());
    return symbol;
}

std::optional<CodeSymbol> qrSymbol(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty())
        return std::nullopt;
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char *>(bytes.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return std::nullopt;
    const int side = code->width + 2 * qr::kQuietModules;
    CodeSymbol symbol;
    symbol.columns = side;
    symbol.rows = side;
    symbol.dark.assign(size_t(side) * size_t(side), false);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                symbol.dark[size_t(y + qr::kQuietModules) * size_t(side) + size_t(x + qr::kQuietModules)] = true;
    return symbol;
}
