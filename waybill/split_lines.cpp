#include "waybill/split_lines.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <vector>

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

namespace {

// The bytes being split with a gap at the place the rule works at: the
// bytes before it in order, those after it reversed. Each pass of the rule
// looks and inserts within a few bytes of where the previous one inserted
// plus the width, so moving the gap there costs about the width and a whole
// split is linear in the text's length.
class GapBytes {
public:
    GapBytes(const QByteArray &bytes, const QList<bool> &starts)
    {
        m_before.reserve(size_t(bytes.size()) + 16);
        m_after.reserve(size_t(bytes.size()));
        for (qsizetype at = bytes.size() - 1; at >= 0; --at)
            m_after.push_back({bytes[at], starts.isEmpty() || starts[at]});
    }

    qsizetype size() const { return qsizetype(m_before.size() + m_after.size()); }
    qsizetype gap() const { return qsizetype(m_before.size()); }
    // Bytes above 126 before the gap.
    qsizetype highBefore() const { return m_high; }
    // Whether the byte just after the gap begins a character.
    bool startAfter() const { return m_after.back().start; }

    void moveTo(qsizetype position)
    {
        while (gap() < position) {
            m_before.push_back(m_after.back());
            m_after.pop_back();
            m_high += isHigh(m_before.back().byte);
        }
        while (gap() > position) {
            m_high -= isHigh(m_before.back().byte);
            m_after.push_back(m_before.back());
            m_before.pop_back();
        }
    }
    // Puts a line break at the gap, before it.
    void insertBreak()
    {
        m_before.push_back({'\r', true});
        m_before.push_back({'\n', true});
    }

    QByteArray bytes() const
    {
        QByteArray result;
        result.reserve(size());
        for (const Byte &byte : m_before)
            result.append(byte.byte);
        for (auto at = m_after.crbegin(); at != m_after.crend(); ++at)
            result.append(at->byte);
        return result;
    }

private:
    struct Byte {
        char byte;
        bool start;
    };
    static qsizetype isHigh(char byte) { return static_cast<unsigned char>(byte) > 126 ? 1 : 0; }

    std::vector<Byte> m_before;
    std::vector<Byte> m_after;
    qsizetype m_high = 0;
};

} // namespace

QByteArray splitLinesBytes(const QByteArray &bytes, int width, const QList<bool> &charStarts)
{
    if (width <= 0)
        return bytes;
    GapBytes s(bytes, charStarts);
    const qsizetype passes = bytes.size() / width + 1;
    for (qsizetype i = 1; i <= passes; ++i) {
        // The high bytes among the first i * width of the text as it is now
        // (line breaks already inserted count among them).
        s.moveTo(std::min<qsizetype>(i * width, s.size()));
        const qsizetype high = s.highBefore();
        // p is 1-based: CR LF begin at position p, the first p - 1 bytes stay in front.
        qsizetype index = std::max<qsizetype>(0, (high % 2 == 1) ? i * width - 1 : i * width - 2);
        if (index >= s.size()) {
            s.moveTo(s.size());
        } else {
            s.moveTo(index);
            while (s.gap() < s.size() && !s.startAfter())
                s.moveTo(s.gap() + 1); // never cut inside a character
        }
        s.insertBreak();
    }
    return s.bytes();
}

QString splitLines(const QString &text, int width)
{
    QList<bool> starts;
    const QByteArray bytes = toGb18030(text, &starts);
    return fromGb18030(splitLinesBytes(bytes, width, starts));
}
