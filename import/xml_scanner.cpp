#include "import/xml_scanner.h"

#include <QStringDecoder>

#include <cstring>

namespace {

QByteArrayView localName(QByteArrayView name)
{
    const qsizetype colon = name.indexOf(':');
    return colon < 0 ? name : name.sliced(colon + 1);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void appendCodePoint(QString &out, uint code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        out += QChar(QChar::ReplacementCharacter);
    else
        out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
}

} // namespace

// UTF-8 text as it stands: a U+FEFF at its start is a character of the
// text (QString::fromUtf8 would drop it as a byte-order mark).
QString xmlUtf8Text(QByteArrayView bytes)
{
    thread_local QStringDecoder decoder(QStringConverter::Utf8,
                                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

namespace {

QString utf8Text(QByteArrayView bytes)
{
    return xmlUtf8Text(bytes);
}

} // namespace

QString decodeXmlText(QByteArrayView raw)
{
    const qsizetype amp = raw.indexOf('&');
    if (amp < 0)
        return utf8Text(raw);
    QString out = utf8Text(raw.first(amp));
    qsizetype at = amp;
    while (at < raw.size()) {
        const qsizetype next = raw.indexOf('&', at);
        if (next < 0) {
            out += utf8Text(raw.sliced(at));
            break;
        }
        out += utf8Text(raw.sliced(at, next - at));
        const qsizetype semicolon = raw.indexOf(';', next);
        if (semicolon < 0 || semicolon - next > 12) {
            out += QLatin1Char('&');
            at = next + 1;
            continue;
        }
        const QByteArrayView entity = raw.sliced(next + 1, semicolon - next - 1);
        if (entity == "lt")
            out += QLatin1Char('<');
        else if (entity == "gt")
            out += QLatin1Char('>');
        else if (entity == "amp")
            out += QLatin1Char('&');
        else if (entity == "quot")
            out += QLatin1Char('"');
        else if (entity == "apos")
            out += QLatin1Char('\'');
        else if (entity.startsWith('#')) {
            bool ok = false;
            const uint code = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X')
                ? entity.sliced(2).toByteArray().toUInt(&ok, 16)
                : entity.sliced(1).toByteArray().toUInt(&ok, 10);
            if (ok)
                appendCodePoint(out, code);
        } else {
            out += utf8Text(raw.sliced(next, semicolon - next + 1));
        }
        at = semicolon + 1;
    }
    return out;
}

qsizetype XmlScanner::textPieceEnd() const
{
    qsizetype end = m_data.size();
    // Not inside a character reference...
    const qsizetype amp = m_data.lastIndexOf('&');
    if (amp >= m_at && m_data.indexOf(';', amp) < 0)
        end = amp;
    // ...nor inside a UTF-8 sequence.
    while (end > m_at && (quint8(m_data[end - 1]) & 0xC0) == 0x80)
        --end;
    if (end > m_at && quint8(m_data[end - 1]) >= 0xC0)
        --end;
    return end;
}

XmlScanner::Token XmlScanner::fail(const char *what)
{
    m_error = QString::fromLatin1(what);
    m_token = Invalid;
    return m_token;
}

bool XmlScanner::fill()
{
    if (!m_source || m_exhausted)
        return false;
    // Drop what has been read; the current token's views are not used
    // across a refill, since refills happen only before a token is made.
    m_buffer.remove(0, m_at);
    m_consumed += m_at;
    m_at = 0;
    const qsizetype before = m_buffer.size();
    constexpr qsizetype kChunk = 1 << 20;
    m_buffer.resize(before + kChunk);
    const qsizetype got = m_source(m_buffer.data() + before, kChunk);
    m_buffer.resize(before + std::max<qsizetype>(got, 0));
    if (got <= 0)
        m_exhausted = true;
    m_data = QByteArrayView(m_buffer);
    return got > 0;
}

XmlScanner::Token XmlScanner::next()
{
    if (m_token == Invalid && !m_error.isEmpty())
        return m_token;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return m_token = EndElement;
    }
    m_textIsRaw = false;
    // A token that runs past the bytes at hand is scanned again after more
    // have been read.
    const auto more = [this] { return fill(); };
    // A token still unfinished after this many bytes is refused: it would
    // be scanned again after every refill.
    constexpr qsizetype kMaxToken = qsizetype(16) << 20;
    const auto moreForToken = [&] { return m_data.size() - m_at <= kMaxToken && fill(); };
    while (m_at < m_data.size() || more()) {
        if (m_data[m_at] != '<') {
            const qsizetype lt = m_data.indexOf('<', m_at);
            qsizetype end = lt;
            if (lt < 0) {
                // Text running past the bytes at hand is given in pieces
                // (never cutting a character or a reference), so that a long
                // text is scanned once and never held whole.
                end = m_source && !m_exhausted ? textPieceEnd() : m_data.size();
                if (end <= m_at) {
                    if (m_data.size() - m_at <= kMaxToken && more())
                        continue;
                    end = m_data.size();
                }
            }
            m_text = m_data.sliced(m_at, end - m_at);
            m_at = end;
            if (m_open.empty())
                continue; // blanks around the root element
            return m_token = Text;
        }
        if (m_at + 1 >= m_data.size() && moreForToken())
            continue;
        const char second = m_at + 1 < m_data.size() ? m_data[m_at + 1] : '\0';
        if (second == '?') {
            const qsizetype end = m_data.indexOf("?>", m_at);
            if (end < 0) {
                if (moreForToken())
                    continue;
                return fail("unterminated processing instruction");
            }
            m_at = end + 2;
            continue;
        }
        if (second == '!') {
            if (m_data.size() - m_at < 9 && moreForToken())
                continue;
            const QByteArrayView rest = m_data.sliced(m_at);
            const bool comment = rest.startsWith("<!--");
            const bool cdata = rest.startsWith("<![CDATA[");
            const char *terminator = comment ? "-->" : cdata ? "]]>" : ">";
            const qsizetype end = m_data.indexOf(terminator, m_at + 2);
            if (end < 0) {
                if (moreForToken())
                    continue;
                return fail("unterminated comment or declaration");
            }
            if (cdata) {
                m_text = m_data.sliced(m_at + 9, end - m_at - 9);
                m_textIsRaw = true;
                m_at = end + 3;
                return m_token = Text;
            }
            m_at = end + qsizetype(std::strlen(terminator));
            continue;
        }
        // A tag: find its end, outside quoted attribute values.
        qsizetype end = m_at + 1;
        char quote = 0;
        while (end < m_data.size() && (quote || m_data[end] != '>')) {
            const char c = m_data[end];
            if (quote && c == quote)
                quote = 0;
            else if (!quote && (c == '"' || c == '\''))
                quote = c;
            ++end;
        }
        if (end >= m_data.size()) {
            if (moreForToken())
                continue;
            return fail("unterminated tag");
        }
        QByteArrayView tag = m_data.sliced(m_at + 1, end - m_at - 1);
        m_at = end + 1;
        if (tag.startsWith('/')) {
            tag = tag.sliced(1);
            while (!tag.isEmpty() && isSpace(tag.back()))
                tag.chop(1);
            if (m_open.empty() || QByteArrayView(m_open.back()) != tag)
                return fail("mismatched end tag");
            m_open.pop_back();
            m_name = localName(tag);
            return m_token = EndElement;
        }
        const bool selfClosing = tag.endsWith('/');
        if (selfClosing)
            tag.chop(1);
        qsizetype nameEnd = 0;
        while (nameEnd < tag.size() && !isSpace(tag[nameEnd]))
            ++nameEnd;
        if (nameEnd == 0)
            return fail("empty tag name");
        const QByteArrayView qualified = tag.first(nameEnd);
        m_name = localName(qualified);
        m_attributes = tag.sliced(nameEnd);
        m_open.emplace_back(qualified.data(), size_t(qualified.size()));
        if (m_open.size() > 256)
            return fail("elements nested too deep");
        m_pendingEnd = selfClosing;
        return m_token = StartElement;
    }
    if (!m_open.empty())
        return fail("document ends inside an element");
    return m_token = EndOfDocument;
}

bool XmlScanner::findAttribute(QByteArrayView wanted, QByteArrayView &value) const
{
    qsizetype at = 0;
    const QByteArrayView a = m_attributes;
    while (at < a.size()) {
        while (at < a.size() && isSpace(a[at]))
            ++at;
        const qsizetype nameStart = at;
        while (at < a.size() && a[at] != '=' && !isSpace(a[at]))
            ++at;
        const QByteArrayView name = a.sliced(nameStart, at - nameStart);
        while (at < a.size() && (isSpace(a[at]) || a[at] == '='))
            ++at;
        if (at >= a.size() || (a[at] != '"' && a[at] != '\''))
            return false;
        const char quote = a[at];
        const qsizetype close = a.indexOf(quote, at + 1);
        if (close < 0)
            return false;
        if (localName(name) == wanted) {
            value = a.sliced(at + 1, close - at - 1);
            return true;
        }
        at = close + 1;
    }
    return false;
}

QString XmlScanner::attribute(QByteArrayView localName) const
{
    QByteArrayView value;
    return findAttribute(localName, value) ? decodeXmlText(value) : QString();
}

bool XmlScanner::hasAttribute(QByteArrayView localName) const
{
    QByteArrayView value;
    return findAttribute(localName, value);
}

QString XmlScanner::text() const
{
    return m_textIsRaw ? utf8Text(m_text) : decodeXmlText(m_text);
}

QString XmlScanner::readElementText()
{
    QString result;
    const size_t depth = m_open.size();
    while (true) {
        const Token t = next();
        if (t == Text)
            result += text();
        else if ((t == EndElement && m_open.size() < depth) || t == Invalid || t == EndOfDocument)
            return result;
    }
}

void XmlScanner::readElementUtf8(QByteArray &out)
{
    out.clear();
    const size_t depth = m_open.size();
    while (true) {
        const Token t = next();
        if (t == Text) {
            if (m_textIsRaw || !m_text.contains('&'))
                out.append(m_text);
            else
                out.append(decodeXmlText(m_text).toUtf8());
        } else if ((t == EndElement && m_open.size() < depth) || t == Invalid || t == EndOfDocument) {
            return;
        }
    }
}

void XmlScanner::skipElement()
{
    const size_t depth = m_open.size();
    while (true) {
        const Token t = next();
        if ((t == EndElement && m_open.size() < depth) || t == Invalid || t == EndOfDocument)
            return;
    }
}
