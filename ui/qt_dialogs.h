#pragma once
// The real implementation of the dialog seam with Qt's dialogs.

#include "ui/dialogs.h"

// Where the print setup offers a PDF of a job: the Documents folder, or the
// folder of the last file chosen, and the job's name.
QString offeredPdfPath(const QString &documentName);

class QtDialogs : public Dialogs {
public:
    void notice(QWidget *parent, const QString &text) override;
    void hint(QWidget *parent, const QString &text) override;
    bool confirm(QWidget *parent, const QString &text, bool yesIsDefault = true) override;
    void error(QWidget *parent, const QString &text) override;
    QString openFile(QWidget *parent, const QString &title, const QString &filter) override;
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
    QString reachable(QWidget *parent, const QString &chosen);
};
