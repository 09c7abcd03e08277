#pragma once
// Damaged copies of the old program's Jet files (tests/data/legacy-mdb),
// made as a failing disk or a careless tool leaves them: a table's
// definition declaring other row counts, a data page zeroed, a column's
// name or the catalogue's table names overwritten.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

namespace jet_damage {

constexpr qsizetype kPage = 4096; // Jet 4

inline QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// The page of inrxx's definition: the first table definition (page type 2)
// that names 收件人姓名 (inrxx is defined before excel).
inline qsizetype recipientDefinition(const QByteArray &file)
{
    const QByteArray name = utf16(QStringLiteral(u"收件人姓名"));
    for (qsizetype page = 0; page * kPage < file.size(); ++page)
        if (file[page * kPage] == 2 && file.mid(page * kPage, kPage).contains(name))
            return page;
    return -1;
}

// The data pages (type 1) that belong to a table's definition.
inline QList<qsizetype> dataPagesOf(const QByteArray &file, qsizetype definition)
{
    QList<qsizetype> pages;
    for (qsizetype page = 0; page * kPage < file.size(); ++page)
        if (file[page * kPage] == 1 && qFromLittleEndian<quint32>(file.constData() + page * kPage + 4) == definition)
            pages << page;
    return pages;
}

// The row count inrxx's definition declares set to rows.
inline QByteArray declareRows(QByteArray file, quint32 rows)
{
    qToLittleEndian(rows, file.data() + recipientDefinition(file) * kPage + 16);
    return file;
}

// One of inrxx's data pages in the middle zeroed.
inline QByteArray zeroRecipientPage(QByteArray file)
{
    const QList<qsizetype> pages = dataPagesOf(file, recipientDefinition(file));
    const qsizetype page = pages.value(pages.size() / 2);
    file.replace(page * kPage, kPage, QByteArray(kPage, '\0'));
    return file;
}

// inrxx's column 收件人姓名 renamed to control characters.
inline QByteArray garbleRecipientName(QByteArray file)
{
    const QByteArray name = utf16(QStringLiteral(u"收件人姓名"));
    const qsizetype at = file.indexOf(name, recipientDefinition(file) * kPage);
    file.replace(at, name.size(), utf16(QString(name.size() / 2, QChar(0x01))));
    return file;
}

// The catalogue's names of the three tables overwritten.
inline QByteArray garbleTableNames(QByteArray file)
{
    for (const QString &table : {QStringLiteral("outrxx"), QStringLiteral("inrxx"), QStringLiteral("excel")}) {
        const QByteArray name = utf16(table);
        const qsizetype at = file.indexOf(name);
        file.replace(at, name.size(), utf16(QString(table.size(), QLatin1Char('q'))));
    }
    return file;
}

} // namespace jet_damage
