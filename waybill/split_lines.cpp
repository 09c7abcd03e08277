#include "waybill/split_lines.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toGb18030(const QString &text, QList<bool> *charStarts)
{
    QStringEncoder encoder("GB18030");
    if (!charStarts)
        return encoder.encode(text);
    // Encode character by character (surrogate pairs together) to learn
    // where each character's bytes begin.
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    charStarts->clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray encoded = encoder.encode(QStringView(text).mid(i, length));
        for (qsizetype b = 0; b < encoded.size(); ++b)
            charStarts->append(b == 0);
        bytes += encoded;
        i += length;
    }
    return bytes;
}

QString fromGb18030(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
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
