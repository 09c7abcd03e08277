#pragma once
// Waybill numbers (运单号) of pre-printed forms: the number of the next form
// in the printer from the one before it. An international S10 number (two
// letters, eight digits, a check digit, two letters, as EMS prints them)
// gets the next serial with its check digit computed; any other number
// counts up in its last run of digits, keeping its width, its leading
// zeros and whatever stands around it. Nothing follows the last S10 serial
// (99999999) nor a number that would grow past kMaxWaybillNumber characters.

#include <QString>
#include <QStringList>

// The S10 check digit of eight serial digits (weights 8 6 4 2 3 5 9 7,
// 11 minus the sum modulo 11; 10 gives 0 and 11 gives 5).
QChar s10CheckDigit(QStringView serial);
// Whether a number is an S10 number with a right check digit.
bool isS10Number(const QString &number);

constexpr qsizetype kMaxWaybillNumber = 40;

// The number after this one. Throws AppError for a number without digits
// and for one nothing follows (saying to type the first of a new range).
QString nextWaybillNumber(const QString &number);
// The same, empty where nothing follows: the number a window offers next.
QString offeredNextNumber(const QString &number);
// count numbers from first on (none when first is empty).
QStringList waybillNumbers(const QString &first, int count);
// Throws AppError saying what a typed first number must look like, unless
// it is empty (no numbers) or one the next numbers can follow from.
void checkWaybillNumber(const QString &number);
