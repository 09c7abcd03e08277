#include "report/pdf_page_box.h"

#include <QList>
#include <QRegularExpression>
#include <cmath>

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

// The offset an original offset moves to after the patches before it.
qsizetype moved(qsizetype offset, const QList<Patch> &patches)
{
    qsizetype shifted = offset;
    for (const Patch &patch : patches)
        if (patch.at < offset)
            shifted += patch.text.size() - patch.length;
    return shifted;
}

} // namespace

int setExactPageBoxes(QByteArray &pdf, const QSizeF &paperMm)
{
    const double width = paperMm.width() * kPointsPerMm;
    const double height = paperMm.height() * kPointsPerMm;
    static const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    QList<Patch> patches;
    const QString latin = QString::fromLatin1(pdf);
    for (auto it = box.globalMatch(latin); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const double writtenWidth = match.captured(1).toDouble();
        const double writtenHeight = match.captured(2).toDouble();
        if (std::abs(writtenWidth - width) > 1 || std::abs(writtenHeight - height) > 1)
            continue;
        // The top edge stays at the written height, where Qt's drawing starts.
        const QByteArray text = "/MediaBox [0 " + number(writtenHeight - height) + ' ' + number(width) + ' '
            + match.captured(2).toLatin1() + ']';
        patches.append({match.capturedStart(), match.capturedLength(), text});
    }
    if (patches.isEmpty())
        return 0;
    // The cross-reference table and startxref, at the end, with the new offsets.
    static const QRegularExpression xref(QStringLiteral("\nxref\n0 (\\d+)\\s*\n"));
    const qsizetype xrefAt = latin.lastIndexOf(xref);
    const QRegularExpressionMatch table = xref.match(latin, xrefAt);
    const qsizetype startAt = pdf.lastIndexOf("startxref\n");
    if (xrefAt < 0 || !table.hasMatch() || startAt < 0)
        return 0;
    QByteArray out;
    out.reserve(pdf.size() + patches.size() * 16);
    qsizetype from = 0;
    for (const Patch &patch : patches) {
        out += pdf.mid(from, patch.at - from);
        out += patch.text;
        from = patch.at + patch.length;
    }
    out += pdf.mid(from, table.capturedEnd() - from);
    const int entries = table.captured(1).toInt();
    qsizetype at = table.capturedEnd();
    for (int i = 0; i < entries; ++i, at += 20) {
        QByteArray entry = pdf.mid(at, 20);
        if (entry.size() != 20)
            return 0;
        if (entry.at(17) == 'n') {
            const qsizetype offset = entry.left(10).toLongLong();
            entry.replace(0, 10, QByteArray::number(moved(offset, patches)).rightJustified(10, '0'));
        }
        out += entry;
    }
    out += pdf.mid(at, startAt - at);
    const qsizetype lineEnd = pdf.indexOf('\n', startAt + 10);
    if (lineEnd < 0)
        return 0;
    const qsizetype start = pdf.mid(startAt + 10, lineEnd - startAt - 10).trimmed().toLongLong();
    out += "startxref\n" + QByteArray::number(moved(start, patches)) + ' ';
    out += pdf.mid(lineEnd);
    pdf = out;
    return int(patches.size());
}
