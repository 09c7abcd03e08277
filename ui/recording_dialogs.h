#pragma once
// A dialog seam for tests: records every message and dialog in order and
// answers from scripted queues instead of blocking in a modal loop.
// Installs itself on construction and restores the real dialogs on
// destruction.

#include "ui/dialogs.h"

#include <QList>

class ColumnMappingDialog;
#include <QPointer>
#include <QStringList>
#include <deque>
#include <functional>

class RecordingDialogs : public Dialogs {
public:
    struct Entry {
        // "notice", "hint", "confirm", "confirm (No default)", "error", "open",
        // "save", "font", "text", "map", "print", "modal", "url"
        QString kind;
        QString text; // the message, the dialog title, the window's objectName or the address
        bool operator==(const Entry &other) const = default;
    };

    RecordingDialogs();
    ~RecordingDialogs() override;

    QList<Entry> entries;
    // The filter of each file dialog asked for, in order.
    QStringList fileFilters;
    // Scripted answers, used front first; when a queue is empty the answer
    // is the default button (Yes unless asked otherwise), cancel, cancel,
    // cancel and cancel.
    std::deque<bool> confirmAnswers;
    std::deque<QString> fileAnswers;
    // The file type chosen in each save dialog, front first; when empty the
    // dialog's first type.
    std::deque<QString> filterAnswers;
    std::deque<std::optional<FontChoice>> fontAnswers;
    // Answers to askText ("text" entries record the label and the text offered).
    std::deque<std::optional<QString>> textAnswers;
    // Called with the printer when print setup is asked; returns whether the
    // user confirmed. Unset: cancelled.
    std::function<bool(QPrinter &, int, int)> printAnswer;
    // Drives the column-mapping dialog (made, never executed) and returns
    // whether the user pressed 导入. Unset: cancelled.
    std::function<bool(ColumnMappingDialog &)> mappingAnswer;
    // Called with each window shown modally, while it counts as shown.
    std::function<void(QWidget *)> onModal;

    QStringList texts(const QString &kind) const;
    void clear()
    {
        entries.clear();
        fileFilters.clear();
    }

    void notice(QWidget *parent, const QString &text) override;
    void hint(QWidget *parent, const QString &text) override;
    bool confirm(QWidget *parent, const QString &text, bool yesIsDefault = true) override;
    void error(QWidget *parent, const QString &text) override;
    QString openFile(QWidget *parent, const QString &title, const QString &filter) override;
    // The next file answer, split at newlines.
    QStringList openFiles(QWidget *parent, const QString &title, const QString &filter) override;
    QString chooseFolder(QWidget *parent, const QString &title) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &filter,
                     QString *chosenFilter = nullptr) override;
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                   const QString &initial) override;
    std::optional<QHash<QString, QString>> mapColumns(QWidget *parent, const QStringList &columns,
                                                      const QStringList &required, const QStringList &headings,
                                                      const QHash<QString, QString> &guesses) override;
    bool printSetup(QWidget *parent, QPrinter &printer, int minPage, int maxPage) override;
    void showModal(QWidget *window) override;
    void openUrl(const QUrl &url) override;

private:
    QString nextFile();
};

// Lets QTest print recorded entries on a failed comparison.
char *toString(const RecordingDialogs::Entry &entry);
