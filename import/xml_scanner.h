#pragma once
// A small pull scanner for the large, regular XML parts of an .xlsx file
// (the worksheet and the shared strings), working on the UTF-8 bytes in
// place: start and end tags with their local names and attributes, and
// text with the five named and the numeric character references decoded.
// Comments, processing instructions and the document type are skipped,
// CDATA sections are text. It checks that tags are well formed and
// balanced, not more: what it cannot read is an error, never a read
// outside the bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class XmlScanner {
public:
    enum Token { StartElement, EndElement, Text, EndOfDocument, Invalid };

    // Scans bytes held by the caller.
    explicit XmlScanner(QByteArrayView bytes) : m_data(bytes) {}
    // Scans what source gives, read in chunks as scanning goes (source
    // fills a buffer and returns how many bytes it wrote, 0 at the end).
    using Source = std::function<qsizetype(char *buffer, qsizetype size)>;
    explicit XmlScanner(Source source) : m_source(std::move(source)) {}

    Token next();
    Token token() const { return m_token; }
    // The local name (without prefix) of the current start or end tag.
    QByteArrayView name() const { return m_name; }
    // An attribute of the current start tag by its local name, decoded;
    // empty when absent.
    QString attribute(QByteArrayView localName) const;
    bool hasAttribute(QByteArrayView localName) const;
    // An attribute's value as it stands in the tag (references not
    // decoded), valid until the next call; false when absent.
    bool rawAttribute(QByteArrayView localName, QByteArrayView &value) const { return findAttribute(localName, value); }
    // The text of the current text token, decoded.
    QString text() const;
    // Reads the text up to the end of the current element (the scanner
    // stands on its start tag) and leaves the scanner on its end tag.
    QString readElementText();
    // The same as UTF-8 into out (cleared first), without making a QString
    // of every cell's value.
    void readElementUtf8(QByteArray &out);
    // Skips to the end tag of the current element.
    void skipElement();
    // Bytes scanned so far.
    qsizetype position() const { return m_consumed + m_at; }
    const QString &errorString() const { return m_error; }

private:
    Token fail(const char *what);
    bool fill();
    // Where a text piece may end in the bytes at hand.
    qsizetype textPieceEnd() const;
    bool findAttribute(QByteArrayView wanted, QByteArrayView &value) const;

    QByteArrayView m_data;
    qsizetype m_at = 0;
    Token m_token = Invalid;
    QByteArrayView m_name;
    QByteArrayView m_attributes; // the start tag after its name
    QByteArrayView m_text;
    bool m_textIsRaw = false;        // CDATA: no references to decode
    bool m_pendingEnd = false;       // after a self-closing tag
    std::vector<std::string> m_open; // qualified names of the open elements
    Source m_source;
    QByteArray m_buffer;
    qsizetype m_consumed = 0;
    bool m_exhausted = false;
    QString m_error;
};

// Text with XML character references decoded.
QString decodeXmlText(QByteArrayView raw);
// UTF-8 text as a QString; a U+FEFF at its start is a character of the text.
QString xmlUtf8Text(QByteArrayView bytes);
