#pragma once
// The ship date of the Sender record: the print command writes the three
// date texts into 年, 月, 日 as they stand (a new row when outrxx is empty).

#include <QString>

class Dataset;

void writeShipDate(Dataset &sender, const QString &year, const QString &month, const QString &day);
