#pragma once
// The waybill number printed on an e-waybill, found in the label's text:
// after a 运单号 label where there is one, else the one word that looks like
// a courier's number (letters and at least ten digits, not a mobile, a
// date or a postcode).

#include <QString>

QString waybillNumberInText(const QString &text);
// Only a number given after a 运单号 label (empty: none).
QString labelledWaybillNumber(const QString &text);

// The number a label carries: the labelled one of its text, else its
// Code 128 when it has one, else the unlabelled word of its text.
QString labelNumber(const QString &text, const QString &code128);
