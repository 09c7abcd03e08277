#pragma once
// The picture work on a rendered label: where its ink is, the black and
// white the thermal head prints (a threshold, never dithering, so that
// bars keep their edges), and the Code 128 it carries.

#include <QImage>
#include <QRect>
#include <QString>

// The grey level (0..255) at or below which a dot prints black.
constexpr int kDefaultThreshold = 160;

// The smallest rectangle holding every dot of a grey image at or below
// threshold; empty when nothing is printed on it.
QRect inkBounds(const QImage &grey, int threshold = kDefaultThreshold);

// Black and white (Format_Mono, black 1 dot for each grey dot at or below
// threshold).
QImage binarised(const QImage &grey, int threshold = kDefaultThreshold);

// The text of the first Code 128 found on a grey or black and white image
// (empty: none).
QString readCode128(const QImage &image);
