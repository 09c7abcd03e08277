#pragma once
// Paste to fill (智能识别): a recipient pasted as one text (a chat message,
// an order's address block copied from a shop back-end, a customer's own
// list), in any order and with any separators, split into the fields of the
// recipient editor. Labels (收件人：, 电话：, 所在地区：, 备注：… also unknown
// ones and 繁體 ones) say what follows; numbers are found by their shape (a
// mobile of 11 digits, also masked or with a privacy extension; a landline
// with its area code; a postcode of 6 digits); the address starts where the
// division table finds a province, city or county-level name; the name is
// what is left that looks like one.

#include "import/divisions.h"

#include <QList>
#include <QPair>
#include <QString>

struct PastedRecipient {
    QString name;
    QString mobile;      // 11 digits; 17012345678转5566 with a privacy extension; 138****5678 as written
    QString phone;       // area code-number[-extension]; a second mobile given with its label
    QString postcode;    // 6 digits
    QString address;     // as pasted, blanks removed, without labels, numbers and remarks
    QString destination; // the prefecture-level city (杭州市); a municipality's own name (北京市)
    QString company;     // a labelled company line (单位：…)
    QString remarks;     // a labelled remark (备注：下午送)
    bool operator==(const PastedRecipient &other) const = default;
};

PastedRecipient parsePastedRecipient(const QString &text);

// The recipient columns the fields go into, in the editor's order: every
// field, also the empty ones (a new paste clears what an earlier one filled).
QList<QPair<QString, QString>> pastedColumns(const PastedRecipient &recipient);
