#pragma once
// Paste to fill (智能识别): a recipient pasted as one text (a chat message,
// an order's address block), in any order and with any separators, split
// into the fields of the recipient editor. Numbers are found by their
// shape (a mobile number of 11 digits with or without +86, blanks or
// dashes; a telephone number with its area code; a postcode of 6 digits),
// the address by the province, city and district names of an
// administrative-division table shipped with the program (names with or
// without 省/市 and the four municipalities), the name as what is left.

#include <QString>
#include <QStringList>

struct PastedRecipient {
    QString name;
    QString mobile;      // 11 digits
    QString phone;       // area code-number[-extension]
    QString postcode;    // 6 digits
    QString address;     // as pasted, blanks between its parts removed
    QString destination; // the city: 杭州市; a municipality's own name (北京市)
    bool operator==(const PastedRecipient &other) const = default;
};

PastedRecipient parsePastedRecipient(const QString &text);

// The city an address names, by the division table: the province (full or
// short name) first when there is one, then a city of it (full or short);
// a municipality gives its own name. Empty when none is named.
QString cityNamedIn(const QString &address);
