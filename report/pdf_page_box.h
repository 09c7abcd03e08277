#pragma once
// Page boxes of a PDF to a tenth of a millimetre. Qt writes a page's
// MediaBox in whole points (0.35 mm), so a form 140 mm long comes out
// 140.05 mm and a run of 50 continuous forms drifts 2.6 mm. The pages
// are drawn from their top-left corner, so the box is given the paper's
// exact size keeping that corner where it is, and the cross-reference
// table is moved along with the bytes.

#include <QByteArray>
#include <QSizeF>
#include <QString>

// Sets every page box that is within a point of paperMm to paperMm exactly;
// returns how many were set. A PDF laid out otherwise is left as it is.
int setExactPageBoxes(QByteArray &pdf, const QSizeF &paperMm);

// The same for a PDF file written by a printer of Qt's (a PDF print set up
// in the printer dialog), rewritten beside itself and renamed into place;
// a file that cannot be read or rewritten stays as it was written.
void setExactPageBoxesOfFile(const QString &path, const QSizeF &paperMm);
