#pragma once
// SplitLines: the print-time rule that breaks an address or name into lines
// of at most `width` bytes of its GBK (GB18030) encoding, inserting CR LF.
// Bytes above 126 are counted so that a cut normally falls between the two
// bytes of a character pair, never inside one. Where the byte count would
// cut inside a character (a second byte below 0x80, as in 丂, or a
// four-byte GB18030 character) the cut moves to the end of that character.

#include <QByteArray>
#include <QList>
#include <QString>

// The rule on encoded bytes; returns the bytes with CR LF inserted.
// charStarts[i] tells whether byte i begins a character; pass an empty
// array to treat every byte as a character start.
QByteArray splitLinesBytes(const QByteArray &bytes, int width, const QList<bool> &charStarts = {});

// The rule on text: encodes to GB18030, splits, decodes.
QString splitLines(const QString &text, int width);

// GB18030 encoding with the start of each character marked.
QByteArray toGb18030(const QString &text, QList<bool> *charStarts = nullptr);
QString fromGb18030(const QByteArray &bytes);
