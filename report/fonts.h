#pragma once
// Maps the font names the forms use to fonts the project installs:
// 宋体 (and SimSun) to the Song-style "AR PL UMing CN", Arial to
// "Liberation Sans". Call once after the application object exists.

void installFontSubstitutions();
