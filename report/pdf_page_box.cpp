#include "report/pdf_page_box.h"

#include "common/error.h"
#include "common/safe_file.h"

#include <QFile>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
const QByteArray kBox = "/MediaBox [0 0 ";
const QByteArray kXref = "\nxref\n";
const QByteArray kStartXref = "startxref\n";
// A page box is short; more than this after its start is something else.
constexpr qsizetype kLongestBox = 64;
// What is gathered before it goes to the sink.
constexpr qsizetype kPiece = 1 << 16;

QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

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

PdfPageBoxes::PdfPageBoxes(Sink sink, const QSizeF &paperMm) : m_sink(std::move(sink)), m_paperMm(paperMm)
{
    QIODevice::open(QIODevice::WriteOnly);
}

qint64 PdfPageBoxes::writeData(const char *data, qint64 length)
{
    if (m_failed)
        return -1;
    m_held.append(data, length);
    process(false);
    return m_failed ? -1 : length;
}

void PdfPageBoxes::close()
{
    if (isOpen()) {
        process(true);
        forward(m_held);
        m_held.clear();
        flushOut();
    }
    QIODevice::close();
}

bool PdfPageBoxes::forward(const char *data, qsizetype length)
{
    if (length > 0 && !m_failed)
        m_out.append(data, length);
    // Passed on in large pieces: Qt writes a PDF a few bytes at a time.
    if (m_out.size() >= kPiece)
        flushOut();
    return !m_failed;
}

void PdfPageBoxes::flushOut()
{
    if (m_out.isEmpty() || m_failed)
        return;
    try {
        m_sink(m_out.constData(), m_out.size());
    } catch (const AppError &error) {
        m_failed = true;
        m_failure = error.text();
        setErrorString(m_failure);
    }
    m_out.clear();
}

bool PdfPageBoxes::forward(const QByteArray &bytes)
{
    return forward(bytes.constData(), bytes.size());
}

qint64 PdfPageBoxes::moved(qint64 offset) const
{
    const auto after = std::lower_bound(m_patchStarts.cbegin(), m_patchStarts.cend(), offset);
    return after == m_patchStarts.cbegin() ? offset : offset + m_growths[size_t(after - m_patchStarts.cbegin() - 1)];
}

bool PdfPageBoxes::takeBox(qsizetype at, bool atEnd, qsizetype *next)
{
    const qsizetype close = m_held.indexOf(']', at + kBox.size());
    if (close < 0 || close - at > kLongestBox) {
        *next = at + 1;
        return close >= 0 || atEnd || m_held.size() - at > kLongestBox;
    }
    *next = close + 1;
    const double width = m_paperMm.width() * kPointsPerMm;
    const double height = m_paperMm.height() * kPointsPerMm;
    qsizetype end = at + kBox.size();
    const std::optional<double> writtenWidth = numberAt(m_held, end, &end);
    if (!writtenWidth || m_held[end] != ' ')
        return true;
    const qsizetype heightAt = end + 1;
    const std::optional<double> writtenHeight = numberAt(m_held, heightAt, &end);
    if (!writtenHeight || end != close || m_paperMm.isEmpty() || std::abs(*writtenWidth - width) > 1
        || std::abs(*writtenHeight - height) > 1)
        return true;
    // The top edge stays at the written height, where Qt's drawing starts.
    const QByteArray text = "/MediaBox [0 " + number(*writtenHeight - height) + ' ' + number(width) + ' '
        + m_held.mid(heightAt, end - heightAt) + ']';
    forward(m_held.constData(), at);
    forward(text);
    m_patchStarts.push_back(m_read + at);
    m_growths.push_back((m_growths.empty() ? 0 : m_growths.back()) + text.size() - (close + 1 - at));
    m_held.remove(0, close + 1);
    m_read += close + 1;
    *next = 0;
    return true;
}

bool PdfPageBoxes::takeXrefLine(qsizetype lineEnd)
{
    QByteArray line = m_held.left(lineEnd + 1);
    if (m_part == Part::Xref) {
        // "0000012345 00000 n \n": an object's offset, moved with the bytes.
        if (line.size() == 20 && line.at(17) == 'n') {
            const qint64 offset = line.left(10).toLongLong();
            line.replace(0, 10, QByteArray::number(moved(offset)).rightJustified(10, '0'));
        } else if (line.startsWith("trailer")) {
            m_part = Part::Trailer;
        }
    } else if (m_part == Part::Trailer) {
        if (line == kStartXref)
            m_part = Part::StartXref;
    } else if (m_part == Part::StartXref) {
        bool ok = false;
        const qint64 start = line.trimmed().toLongLong(&ok);
        if (ok)
            line = QByteArray::number(moved(start)) + ' ' + '\n';
        m_part = Part::Trailer;
    }
    forward(line);
    m_held.remove(0, lineEnd + 1);
    m_read += lineEnd + 1;
    return !m_failed;
}

void PdfPageBoxes::process(bool atEnd)
{
    while (!m_failed) {
        if (m_part != Part::Body) {
            const qsizetype lineEnd = m_held.indexOf('\n');
            if (lineEnd < 0 || !takeXrefLine(lineEnd))
                return;
            continue;
        }
        const qsizetype box = m_held.indexOf(kBox);
        const qsizetype xref = m_held.indexOf(kXref);
        if (xref >= 0 && (box < 0 || xref < box)) {
            // The body ends: what follows is read a line at a time.
            const qsizetype start = xref + kXref.size();
            forward(m_held.constData(), start);
            m_held.remove(0, start);
            m_read += start;
            m_part = Part::Xref;
            continue;
        }
        if (box < 0) {
            // Held back: a start of a box or of the table cut by the write.
            const qsizetype keep = std::max(kBox.size(), kXref.size()) - 1;
            const qsizetype pass = atEnd ? m_held.size() : std::max<qsizetype>(0, m_held.size() - keep);
            forward(m_held.constData(), pass);
            m_held.remove(0, pass);
            m_read += pass;
            return;
        }
        qsizetype next = 0;
        if (!takeBox(box, atEnd, &next))
            return; // its end has not come yet
        if (next > 0) {
            // Not a page box of the paper: passed on as it is.
            forward(m_held.constData(), next);
            m_held.remove(0, next);
            m_read += next;
        }
    }
}

int setExactPageBoxes(QByteArray &pdf, const QSizeF &paperMm)
{
    QByteArray out;
    PdfPageBoxes boxes([&](const char *data, qsizetype length) { out.append(data, length); }, paperMm);
    boxes.write(pdf);
    boxes.close();
    if (boxes.boxesSet() > 0)
        pdf = out;
    return boxes.boxesSet();
}

void setExactPageBoxesOfFile(const QString &path, const QSizeF &paperMm)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    try {
        SafeFile out(path);
        PdfPageBoxes boxes(
            [&](const char *data, qsizetype length) { out.write(QByteArray::fromRawData(data, length)); }, paperMm);
        QByteArray chunk;
        while (!(chunk = file.read(1 << 16)).isEmpty())
            if (boxes.write(chunk) != chunk.size())
                return;
        boxes.close();
        if (boxes.boxesSet() > 0 && boxes.failure().isEmpty() && !file.error())
            out.commit();
    } catch (const FileError &) {
    }
}
