#pragma once
// The program's icon (a waybill form on a parcel), drawn by code so that the
// windows, the menu's PNG files (tools/make_icon.cpp) and the hand-written
// packaging/waybill.svg show one picture.

#include <QIcon>
#include <QImage>

// The icon at size x size pixels.
QImage appIconImage(int size);
// The icon at the hicolor sizes, for QApplication::setWindowIcon.
QIcon appIcon();
