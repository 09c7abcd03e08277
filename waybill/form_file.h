#pragma once
// Reading a data file of the program (a courier form's waybill/layouts/*.json,
// the shop headings of import/data): every key is required and of its type
// unless read as optional. A missing key, a value of another type or a
// number out of range refuses the whole file, with the file and the key's
// path named ("快递单版式 sf.json 有误：缺少 windows.single.paper").

#include "common/error.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

class FormValue {
public:
    // The document of a file, refused when it is not a JSON object; what
    // the file is names it in the messages.
    static FormValue document(const QString &fileName, const QByteArray &bytes,
                              const QString &what = QStringLiteral(u"快递单版式"));

    // The value of a key of this object; throws when it is missing.
    FormValue operator[](const QString &key) const;
    bool has(const QString &key) const;
    QStringList keys() const;
    // The elements of this array.
    QList<FormValue> elements() const;

    int toInt(int min, int max) const;
    double toDouble(double min, double max) const;
    QString toText() const; // a string, possibly empty
    bool toBool() const;
    QSize toSize(int min, int max) const;         // [w, h] of whole numbers
    QSizeF toSizeF(double min, double max) const; // [w, h]

    // Throws the form's error about this key: "path：problem".
    [[noreturn]] void reject(const QString &problem) const;

private:
    FormValue(QString fileName, QString what, QString path, QJsonValue value);
    [[noreturn]] void fail(const QString &problem) const;
    QJsonObject object() const;

    QString m_fileName;
    QString m_what; // "快递单版式"
    QString m_path; // "windows.single.paper", "items[3].at"
    QJsonValue m_value;
};
