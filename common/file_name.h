#pragma once
// File names whose bytes are no text in the system's encoding (a GBK name
// on a UTF-8 system): Qt shows them with U+FFFD and cannot reach the file
// by that name, so every such name is refused with one text, never guessed.

#include <QString>

// Whether a name as Qt decoded it stands for bytes that were no text.
bool hasUndecodableBytes(const QString &name);
// Whether raw bytes (an argument) decode to a name that encodes back to them.
bool decodesExactly(const QByteArray &bytes);
// What the user is told about such a name.
QString undecodableNameText(const QString &name);

// The name a save dialog's answer writes: as typed when it ends in a suffix
// of one of the filters ("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"), else
// with the suffix of the chosen filter (the first when none was chosen).
QString nameWithChosenSuffix(const QString &typed, const QString &filters, const QString &chosen);
