#pragma once
// Maps the font names the forms use to installed fonts: 宋体 (and SimSun)
// to the first Simplified-Chinese face present of AR PL UMing CN, Noto
// Serif CJK SC, Noto Sans CJK SC, WenQuanYi Micro Hei and Zen Hei; Arial to
// "Liberation Sans". Call once after the application object exists.

void installFontSubstitutions();

#include <QFont>
#include <QString>
#include <optional>

// A font as text, "FAMILY,SIZE[,bold][,italic]" (size in points), as the
// command line takes it and saved calibrations keep it.
QString fontText(const QFont &font);
// The font such a text names; none when it names none (size 4 to 72).
std::optional<QFont> parseFontText(const QString &text);
