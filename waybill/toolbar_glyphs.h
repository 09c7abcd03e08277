#pragma once
// The glyphs of the preview's tool bar buttons, drawn rather than shipped:
// 1 fit page, 2 fit width, 3 100 %, 4 first, 5 previous, 6 next, 7 last,
// 8 printer setup, 9 print, 10 close.

#include <QIcon>

QIcon toolbarGlyph(int button);
