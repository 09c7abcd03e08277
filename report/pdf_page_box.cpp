#include "report/pdf_page_box.h"

#include "common/safe_file.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

struct Patch {
    qsizetype at;     // where the replaced text started
    qsizetype length; // its length
    QByteArray text;  // what replaces it
};

QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

// Where original offsets move to after patches (in file order): by the
// sum of the growths of the patches before them.
class Offsets {
public:
    explicit Offsets(const QList<Patch> &patches)
    {
        qsizetype growth = 0;
        for (const Patch &patch : patches) {
            growth += patch.text.size() - patch.length;
            m_starts.push_back(patch.at);
            m_growths.push_back(growth);
        }
    }
    qsizetype moved(qsizetype offset) const
    {
        const auto after = std::lower_bound(m_starts.cbegin(), m_starts.cend(), offset);
        return after == m_starts.cbegin() ? offset : offset + m_growths[size_t(after - m_starts.cbegin() - 1)];
    }

private:
    std::vector<qsizetype> m_starts;
    std::vector<qsizetype> m_growths;
};

// A number as Qt writes it in a page box, at text[at...]; its end in *end.
std::optional<double> numberAt(const QByteArray &text, qsizetype at, qsizetype *end)
{
    qsizetype stop = at;
    while (stop < text.size() && (std::isdigit(static_cast<unsigned char>(text[stop])) || text[stop] == '.'))
        ++stop;
    bool ok = false;
    const double value = text.mid(at, stop - at).toDouble(&ok);
    *end = stop;
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

int setExactPageBoxes(QByteArray &pdf, const QSizeF &paperMm)
{
    const double width = paperMm.width() * kPointsPerMm;
    const double height = paperMm.height() * kPointsPerMm;
    static const QByteArray kBox = "/MediaBox [0 0 ";
    QList<Patch> patches;
    for (qsizetype at = pdf.indexOf(kBox); at >= 0; at = pdf.indexOf(kBox, at + 1)) {
        qsizetype end = at + kBox.size();
        const std::optional<double> writtenWidth = numberAt(pdf, end, &end);
        if (!writtenWidth || end >= pdf.size() || pdf[end] != ' ')
            continue;
        const qsizetype heightAt = end + 1;
        const std::optional<double> writtenHeight = numberAt(pdf, heightAt, &end);
        if (!writtenHeight || end >= pdf.size() || pdf[end] != ']')
            continue;
        if (std::abs(*writtenWidth - width) > 1 || std::abs(*writtenHeight - height) > 1)
            continue;
        // The top edge stays at the written height, where Qt's drawing starts.
        const QByteArray text = "/MediaBox [0 " + number(*writtenHeight - height) + ' ' + number(width) + ' '
            + pdf.mid(heightAt, end - heightAt) + ']';
        patches.append({at, end + 1 - at, text});
    }
    if (patches.isEmpty())
        return 0;
    // The cross-reference table and startxref, at the end, with the new offsets.
    const qsizetype xrefAt = pdf.lastIndexOf("\nxref\n0 ");
    const qsizetype countEnd = xrefAt < 0 ? -1 : pdf.indexOf('\n', xrefAt + 8);
    const qsizetype startAt = pdf.lastIndexOf("startxref\n");
    if (xrefAt < 0 || countEnd < 0 || startAt < xrefAt)
        return 0;
    const int entries = pdf.mid(xrefAt + 8, countEnd - xrefAt - 8).trimmed().toInt();
    const Offsets offsets(patches);
    QByteArray out;
    out.reserve(pdf.size() + patches.size() * 16);
    qsizetype from = 0;
    for (const Patch &patch : patches) {
        out += pdf.mid(from, patch.at - from);
        out += patch.text;
        from = patch.at + patch.length;
    }
    out += pdf.mid(from, countEnd + 1 - from);
    qsizetype at = countEnd + 1;
    for (int i = 0; i < entries; ++i, at += 20) {
        QByteArray entry = pdf.mid(at, 20);
        if (entry.size() != 20)
            return 0;
        if (entry.at(17) == 'n') {
            const qsizetype offset = entry.left(10).toLongLong();
            entry.replace(0, 10, QByteArray::number(offsets.moved(offset)).rightJustified(10, '0'));
        }
        out += entry;
    }
    out += pdf.mid(at, startAt - at);
    const qsizetype lineEnd = pdf.indexOf('\n', startAt + 10);
    if (lineEnd < 0)
        return 0;
    const qsizetype start = pdf.mid(startAt + 10, lineEnd - startAt - 10).trimmed().toLongLong();
    out += "startxref\n" + QByteArray::number(offsets.moved(start)) + ' ';
    out += pdf.mid(lineEnd);
    pdf = out;
    return int(patches.size());
}

void setExactPageBoxesOfFile(const QString &path, const QSizeF &paperMm)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray pdf = file.readAll();
    file.close();
    if (setExactPageBoxes(pdf, paperMm) == 0)
        return;
    try {
        SafeFile out(path);
        out.write(pdf);
        out.commit();
    } catch (const FileError &) {
    }
}
