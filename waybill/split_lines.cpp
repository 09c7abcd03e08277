#include "waybill/split_lines.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toGb18030(const QString &text, QList<bool> *charStarts)
{
    // One converter for every call: opening one costs more than a split.
    static QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (charStarts) {
        // Where each character's bytes begin, by GB18030's byte grammar: a
        // byte below 0x80 stands alone, a lead byte 0x81-0xFE starts two
        // bytes, or four when a digit 0x30-0x39 follows it.
        charStarts->fill(false, bytes.size());
        for (qsizetype at = 0; at < bytes.size();) {
            (*charStarts)[at] = true;
            const auto lead = static_cast<unsigned char>(bytes[at]);
            qsizetype length = 1;
            if (lead >= 0x81 && lead <= 0xFE && at + 1 < bytes.size()) {
                const auto second = static_cast<unsigned char>(bytes[at + 1]);
                length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
            }
            at += length;
        }
    }
    return bytes;
}

QString fromGb18030(const QByteArray &bytes)
{
    static QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray splitLinesBytes(const QByteArray &bytes, int width, const QList<bool> &charStarts)
{
    if (width <= 0)
        return bytes;
    QByteArray s = bytes;
    QList<bool> starts = charStarts.isEmpty() ? QList<bool>(bytes.size(), true) : charStarts;
    const qsizetype passes = bytes.size() / width + 1;
    for (qsizetype i = 1; i <= passes; ++i) {
        const qsizetype end = std::min<qsizetype>(i * width, s.size());
        qsizetype high = 0;
        for (qsizetype k = 0; k < end; ++k)
            if (static_cast<unsigned char>(s[k]) > 126)
                ++high;
        // p is 1-based: CR LF begin at position p, the first p - 1 bytes stay in front.
        qsizetype index = std::max<qsizetype>(0, (high % 2 == 1) ? i * width - 1 : i * width - 2);
        if (index >= s.size()) {
            index = s.size();
        } else {
            while (index < s.size() && !starts[index])
                ++index; // never cut inside a character
        }
        s.insert(index, "\r\n", 2);
        starts.insert(index, 2, true);
    }
    return s;
}

QString splitLines(const QString &text, int width)
{
    QList<bool> starts;
    const QByteArray bytes = toGb18030(text, &starts);
    return fromGb18030(splitLinesBytes(bytes, width, starts));
}
