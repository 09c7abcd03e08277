#pragma once
// The seam between the windows and every message box, file, font and print
// dialog, and the showing of windows modally. Windows call dialogs(); the
// program installs QtDialogs, tests install RecordingDialogs.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QPrinter;
class QWidget;

// The application's title: the caption of the plain message box.
QString applicationTitle();

// A font with its colour, as the font dialog offers them.
struct FontChoice {
    QFont font;
    QColor color = Qt::black;
    bool operator==(const FontChoice &other) const = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Plain message box: the application's title, the text, OK.
    virtual void notice(QWidget *parent, const QString &text) = 0;
    // Message box titled "提示" with OK.
    virtual void hint(QWidget *parent, const QString &text) = 0;
    // Message box titled "提示" with Yes and No, Yes the default unless
    // yesIsDefault is false (a question whose Yes loses something); true on Yes.
    virtual bool confirm(QWidget *parent, const QString &text, bool yesIsDefault = true) = 0;
    // The standard error box with the failure's own text.
    virtual void error(QWidget *parent, const QString &text) = 0;

    // File dialogs; an empty result means cancelled. filter uses Qt's
    // "Label (*.ext)" form, empty for none. The save dialog asks nothing
    // about an existing file (the caller asks for the name it will write);
    // *chosenFilter, when given, gets the file type the user chose.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Several files at once (empty: cancelled), and a folder.
    virtual QStringList openFiles(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title) = 0;
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &filter,
                             QString *chosenFilter = nullptr) = 0;

    // Font dialog (family, size, style, effects and colour) starting from
    // initial; nothing when cancelled.
    virtual std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) = 0;

    // Printer setup (printer, copies, orientation, page range within
    // minPage..maxPage) applied to printer on confirmation; false when cancelled.
    virtual bool printSetup(QWidget *parent, QPrinter &printer, int minPage, int maxPage) = 0;

    // The column-mapping step of an import (ui/column_mapping_dialog.h):
    // column -> heading as the user chose; nothing when cancelled.
    virtual std::optional<QHash<QString, QString>> mapColumns(QWidget *parent, const QStringList &columns,
                                                              const QStringList &required, const QStringList &headings,
                                                              const QHash<QString, QString> &guesses) = 0;

    // A line of text to type (a waybill number), starting from initial;
    // nothing when cancelled.
    virtual std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                           const QString &initial) = 0;

    // Shows a window modally and returns when it is hidden.
    virtual void showModal(QWidget *window) = 0;

    // Asks the desktop to open an address with its default program; the
    // result is ignored.
    virtual void openUrl(const QUrl &url) = 0;
};

Dialogs &dialogs();

// Shows a window of the program modally through the seam; throws
// AppError naming windowClass when the window does not exist.
void showWindowModally(QWidget *window, const QString &windowClass);
// Installs the implementation used from now on (not owned); nullptr restores
// the real Qt dialogs.
void installDialogs(Dialogs *implementation);
