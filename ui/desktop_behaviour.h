#pragma once
// What the desktop program sets up for every window: Qt's own Chinese
// translations, so that the standard dialogs and buttons speak Chinese, and
// Enter or Return on a focused push button pressing it, as on Windows.

class QApplication;

// Loads Qt's Chinese translations (Debian qt6-translations-l10n); false
// when they are not installed (the dialogs then stay in English).
bool installChineseTranslations(QApplication &app);

// Makes Enter and Return press the focused push button.
void installButtonEnterKeys(QApplication &app);
