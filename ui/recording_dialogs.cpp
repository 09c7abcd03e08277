#include "ui/recording_dialogs.h"

#include "ui/column_mapping_dialog.h"

#include <QWidget>
#include <cstring>

RecordingDialogs::RecordingDialogs()
{
    installDialogs(this);
}

RecordingDialogs::~RecordingDialogs()
{
    installDialogs(nullptr);
}

QStringList RecordingDialogs::texts(const QString &kind) const
{
    QStringList result;
    for (const Entry &entry : entries)
        if (entry.kind == kind)
            result << entry.text;
    return result;
}

void RecordingDialogs::notice(QWidget *, const QString &text)
{
    entries.append({QStringLiteral("notice"), text});
}

void RecordingDialogs::hint(QWidget *, const QString &text)
{
    entries.append({QStringLiteral("hint"), text});
}

bool RecordingDialogs::confirm(QWidget *, const QString &text, bool yesIsDefault)
{
    entries.append({yesIsDefault ? QStringLiteral("confirm") : QStringLiteral("confirm (No default)"), text});
    if (confirmAnswers.empty())
        return yesIsDefault;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void RecordingDialogs::error(QWidget *, const QString &text)
{
    entries.append({QStringLiteral("error"), text});
}

QString RecordingDialogs::nextFile()
{
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString RecordingDialogs::openFile(QWidget *, const QString &title, const QString &filter)
{
    entries.append({QStringLiteral("open"), title});
    fileFilters << filter;
    return nextFile();
}

QStringList RecordingDialogs::openFiles(QWidget *, const QString &title, const QString &filter)
{
    entries.append({QStringLiteral("open"), title});
    fileFilters << filter;
    const QString answer = nextFile();
    return answer.isEmpty() ? QStringList() : answer.split(QLatin1Char('\n'));
}

QString RecordingDialogs::chooseFolder(QWidget *, const QString &title)
{
    entries.append({QStringLiteral("folder"), title});
    return nextFile();
}

QString RecordingDialogs::saveFile(QWidget *, const QString &title, const QString &filter, QString *chosenFilter)
{
    entries.append({QStringLiteral("save"), title});
    fileFilters << filter;
    QString chosen = filter.section(QStringLiteral(";;"), 0, 0);
    if (!filterAnswers.empty()) {
        chosen = filterAnswers.front();
        filterAnswers.pop_front();
    }
    if (chosenFilter)
        *chosenFilter = chosen;
    return nextFile();
}

std::optional<FontChoice> RecordingDialogs::chooseFont(QWidget *, const FontChoice &initial)
{
    entries.append({QStringLiteral("font"), initial.font.family()});
    if (fontAnswers.empty())
        return std::nullopt;
    std::optional<FontChoice> answer = fontAnswers.front();
    fontAnswers.pop_front();
    return answer;
}

std::optional<QString> RecordingDialogs::askText(QWidget *, const QString &, const QString &label,
                                                 const QString &initial)
{
    entries.append({QStringLiteral("text"), label + QLatin1Char('|') + initial});
    if (textAnswers.empty())
        return std::nullopt;
    const bool given = textAnswers.front().has_value();
    const QString answer = given ? *textAnswers.front() : QString();
    textAnswers.pop_front();
    if (!given)
        return std::nullopt;
    return answer;
}

std::optional<QHash<QString, QString>> RecordingDialogs::mapColumns(QWidget *parent, const QStringList &columns,
                                                                    const QStringList &required,
                                                                    const QStringList &headings,
                                                                    const QHash<QString, QString> &guesses)
{
    entries.append({QStringLiteral("map"), headings.join(QStringLiteral(u"、"))});
    ColumnMappingDialog dialog(columns, required, headings, guesses, parent);
    if (!mappingAnswer || !mappingAnswer(dialog))
        return std::nullopt;
    return dialog.mapping();
}

bool RecordingDialogs::printSetup(QWidget *, QPrinter &printer, int minPage, int maxPage)
{
    entries.append({QStringLiteral("print"), QStringLiteral("%1-%2").arg(minPage).arg(maxPage)});
    return printAnswer ? printAnswer(printer, minPage, maxPage) : false;
}

void RecordingDialogs::showModal(QWidget *window)
{
    entries.append({QStringLiteral("modal"), window->objectName()});
    if (onModal)
        onModal(window);
}

void RecordingDialogs::openUrl(const QUrl &url)
{
    entries.append({QStringLiteral("url"), url.toString()});
}

char *toString(const RecordingDialogs::Entry &entry)
{
    const QByteArray text = (entry.kind + QStringLiteral(": ") + entry.text).toUtf8();
    char *copy = new char[size_t(text.size()) + 1];
    std::memcpy(copy, text.constData(), size_t(text.size()) + 1);
    return copy;
}
