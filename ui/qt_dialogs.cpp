#include "ui/qt_dialogs.h"

#include "ui/column_mapping_dialog.h"
#include "ui/remembered.h"

#include "common/file_name.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QPixmap>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {

const QString kHintTitle = QStringLiteral(u"提示");
constexpr int kTitleBarButtons = 120; // close box, system menu and the frame's margins

// A message box is at least as wide as its title needs beside the title
// bar's buttons, so that the application's title is never cut.
void fitTitle(QMessageBox &message)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int least = QFontMetrics(font).horizontalAdvance(message.windowTitle()) + kTitleBarButtons;
    if (auto *grid = qobject_cast<QGridLayout *>(message.layout()))
        grid->addItem(new QSpacerItem(least, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

void box(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox message(icon, title, text, QMessageBox::NoButton, parent);
    message.addButton(QStringLiteral(u"确定"), QMessageBox::AcceptRole);
    fitTitle(message);
    message.exec();
}

// Quits a nested event loop when the watched window is hidden.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget *window, QEventLoop &loop) : m_loop(loop) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

} // namespace

void QtDialogs::notice(QWidget *parent, const QString &text)
{
    box(parent, QMessageBox::NoIcon, applicationTitle(), text);
}

void QtDialogs::hint(QWidget *parent, const QString &text)
{
    box(parent, QMessageBox::NoIcon, kHintTitle, text);
}

bool QtDialogs::confirm(QWidget *parent, const QString &text, bool yesIsDefault)
{
    QMessageBox message(QMessageBox::Question, kHintTitle, text, QMessageBox::NoButton, parent);
    QPushButton *yes = message.addButton(QStringLiteral(u"是"), QMessageBox::YesRole);
    QPushButton *no = message.addButton(QStringLiteral(u"否"), QMessageBox::NoRole);
    message.setDefaultButton(yesIsDefault ? yes : no);
    message.setEscapeButton(no);
    fitTitle(message);
    message.exec();
    return message.clickedButton() == yes;
}

void QtDialogs::error(QWidget *parent, const QString &text)
{
    box(parent, QMessageBox::Critical, applicationTitle(), text);
}

// A chosen name Qt could not decode leads nowhere (or to another file):
// said, and taken as no choice.
QString QtDialogs::reachable(QWidget *parent, const QString &chosen)
{
    if (!hasUndecodableBytes(chosen))
        return chosen;
    error(parent, undecodableNameText(chosen));
    return {};
}

namespace {

const QLocale kChinese(QLocale::Chinese, QLocale::China);

// Where a file dialog starts: the folder of the last file chosen (kept
// between starts), else the user's Documents folder (never the program's
// or the data's own folder).
QString startFolder()
{
    const QString last = remembered::lastFolder();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString rememberFolder(const QString &chosen)
{
    if (!chosen.isEmpty())
        remembered::setLastFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}

// The folders the dialog offers in its history: the last one and those of
// the workbooks imported last.
QStringList recentFolders()
{
    QStringList folders;
    if (const QString last = remembered::lastFolder(); QFileInfo(last).isDir())
        folders << last;
    for (const QString &workbook : remembered::recentWorkbooks())
        if (const QString folder = QFileInfo(workbook).absolutePath(); !folders.contains(folder))
            folders << folder;
    return folders;
}

// The file list's date column in the program's Chinese, where Qt writes it
// in the session's language ("10 Dec").
class ChineseDates : public QIdentityProxyModel {
public:
    static constexpr int kDateColumn = 3;
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || index.column() != kDateColumn || !files)
            return QIdentityProxyModel::data(index, role);
        return kChinese.toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
    }
};

// Qt's own file dialog, never the desktop's: the desktop's follows the
// session's language, which may not be Chinese.
QStringList chooseFiles(QWidget *parent, const QString &title, const QString &filter, QFileDialog::AcceptMode mode,
                        QFileDialog::FileMode fileMode, QString *chosenFilter)
{
    QFileDialog dialog(parent, title, startFolder(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLocale(kChinese);
    dialog.setProxyModel(new ChineseDates(&dialog));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    if (fileMode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    if (mode == QFileDialog::AcceptSave)
        dialog.setOption(QFileDialog::DontConfirmOverwrite); // the caller asks about an existing file
    dialog.setHistory(recentFolders());
    if (chosenFilter && !chosenFilter->isEmpty())
        dialog.selectNameFilter(*chosenFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles();
}

QString chooseFile(QWidget *parent, const QString &title, const QString &filter, QFileDialog::AcceptMode mode,
                   QString *chosenFilter)
{
    return chooseFiles(parent, title, filter, mode,
                       mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile, chosenFilter)
        .value(0);
}

} // namespace

QString QtDialogs::openFile(QWidget *parent, const QString &title, const QString &filter)
{
    return rememberFolder(reachable(parent, chooseFile(parent, title, filter, QFileDialog::AcceptOpen, nullptr)));
}

QStringList QtDialogs::openFiles(QWidget *parent, const QString &title, const QString &filter)
{
    QStringList files =
        chooseFiles(parent, title, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles, nullptr);
    for (QString &file : files)
        file = reachable(parent, file);
    files.removeAll(QString());
    if (!files.isEmpty())
        rememberFolder(files.first());
    return files;
}

QString QtDialogs::chooseFolder(QWidget *parent, const QString &title)
{
    const QString folder =
        chooseFiles(parent, title, QString(), QFileDialog::AcceptOpen, QFileDialog::Directory, nullptr).value(0);
    if (!folder.isEmpty())
        remembered::setLastFolder(folder);
    return folder;
}

QString QtDialogs::saveFile(QWidget *parent, const QString &title, const QString &filter, QString *chosenFilter)
{
    return rememberFolder(reachable(parent, chooseFile(parent, title, filter, QFileDialog::AcceptSave, chosenFilter)));
}

namespace {

// The layouts' font, which no Linux font is named: offered at the head of
// the dialog's family list and printed with the face it is mapped to.
const QString kSongFamily = QStringLiteral(u"宋体");

// The dialog's lists: family, style and size, in that order.
QList<QListView *> dialogLists(QFontDialog &dialog)
{
    return dialog.findChildren<QListView *>();
}

void offerSongFamily(QFontDialog &dialog, const QFont &initial)
{
    const QList<QListView *> lists = dialogLists(dialog);
    if (lists.size() < 3)
        return;
    QListView *families = lists[0];
    auto *model = qobject_cast<QStringListModel *>(families->model());
    auto *styles = qobject_cast<QStringListModel *>(lists[1]->model());
    auto *sizes = qobject_cast<QStringListModel *>(lists[2]->model());
    if (!model || !styles || !sizes || model->stringList().contains(kSongFamily))
        return;
    model->insertRows(0, 1);
    model->setData(model->index(0), kSongFamily);
    // The dialog finds no styles or sizes of a family no font is named:
    // those of the face it is printed with are offered instead, after the
    // dialog has emptied them.
    const QString face = QFont::substitute(kSongFamily);
    const auto fillFromFace = [=] {
        if (families->currentIndex().data().toString() != kSongFamily)
            return;
        if (styles->rowCount() == 0) {
            styles->setStringList(QFontDatabase::styles(face) << QStringLiteral("Bold"));
            lists[1]->setCurrentIndex(styles->index(0));
        }
        if (sizes->rowCount() == 0) {
            QStringList texts;
            for (int size : QFontDatabase::standardSizes())
                texts << QString::number(size);
            sizes->setStringList(texts);
            const int at = int(texts.indexOf(QString::number(qRound(initial.pointSizeF()))));
            lists[2]->setCurrentIndex(sizes->index(std::max(at, 0)));
        }
    };
    for (QListView *list : {families, lists[1]})
        QObject::connect(list->selectionModel(), &QItemSelectionModel::currentChanged, &dialog, fillFromFace);
    if (initial.family() == kSongFamily) {
        families->setCurrentIndex(model->index(0));
        fillFromFace();
    }
}

// The font chosen: 宋体 is built from the lists (the dialog's own sample
// knows no such family), with the dialog's effects.
QFont chosenFont(QFontDialog &dialog)
{
    const QFont shown = dialog.currentFont();
    const QList<QListView *> lists = dialogLists(dialog);
    if (lists.size() < 3 || lists[0]->currentIndex().data().toString() != kSongFamily)
        return shown;
    QFont song(kSongFamily);
    bool ok = false;
    const int size = lists[2]->currentIndex().data().toString().toInt(&ok);
    song.setPointSize(ok && size > 0 ? size : 12);
    const QString style = lists[1]->currentIndex().data().toString();
    song.setBold(style.contains(QLatin1String("Bold"), Qt::CaseInsensitive));
    song.setItalic(style.contains(QLatin1String("Italic"), Qt::CaseInsensitive));
    song.setUnderline(shown.underline());
    song.setStrikeOut(shown.strikeOut());
    return song;
}

} // namespace

std::optional<QString> QtDialogs::askText(QWidget *parent, const QString &title, const QString &label,
                                          const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QHash<QString, QString>> QtDialogs::mapColumns(QWidget *parent, const QStringList &columns,
                                                             const QStringList &required, const QStringList &headings,
                                                             const QHash<QString, QString> &guesses)
{
    ColumnMappingDialog dialog(columns, required, headings, guesses, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.mapping();
}

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *parent, const FontChoice &initial)
{
    // Qt's font dialog (family, style, size, underline, strike-out) with a
    // colour button beside it, as the font dialog of Windows has.
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral(u"字体"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *fonts = new QFontDialog(initial.font, &dialog);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    offerSongFamily(*fonts, initial.font);
    layout->addWidget(fonts);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral(u"颜色："), &dialog));
    auto *colorButton = new QPushButton(&dialog);
    colorButton->setObjectName(QStringLiteral("ColorButton"));
    colorButton->setFixedWidth(80);
    QColor color = initial.color;
    const auto showColor = [&] {
        QPixmap swatch(48, 14);
        swatch.fill(color);
        colorButton->setIcon(QIcon(swatch));
        colorButton->setIconSize(swatch.size());
    };
    showColor();
    QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
        const QColor picked = QColorDialog::getColor(color, &dialog, QStringLiteral(u"颜色"));
        if (picked.isValid()) {
            color = picked;
            showColor();
        }
    });
    row->addWidget(colorButton);
    row->addStretch();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    row->addWidget(buttons);
    layout->addLayout(row);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FontChoice{chosenFont(*fonts), color};
}

namespace {

// Qt's printer properties page starts on the printer's default paper (A4)
// whatever the printer is set up for; while the print setup is open, the
// page is put on the courier's paper as a custom size when it appears.
class PaperKeeper : public QObject {
public:
    explicit PaperKeeper(const QSizeF &paperMm) : m_paperMm(paperMm) { qApp->installEventFilter(this); }
    ~PaperKeeper() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qstrcmp(watched->metaObject()->className(), "QPrintPropertiesDialog") == 0)
            keepPaper(static_cast<QWidget *>(watched));
        return false;
    }

private:
    void keepPaper(QWidget *properties) const
    {
        auto *sizes = properties->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
        auto *units = properties->findChild<QComboBox *>(QStringLiteral("unitCombo"));
        auto *width = properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageWidth"));
        auto *height = properties->findChild<QDoubleSpinBox *>(QStringLiteral("pageHeight"));
        if (!sizes || !units || !width || !height)
            return;
        const int millimetres = units->findData(QVariant::fromValue(QPageLayout::Millimeter));
        if (millimetres >= 0)
            units->setCurrentIndex(millimetres);
        // The custom entry is the one without a page size of its own.
        for (int i = sizes->count() - 1; i >= 0; --i)
            if (!sizes->itemData(i).isValid()) {
                sizes->setCurrentIndex(i);
                width->setValue(m_paperMm.width());
                height->setValue(m_paperMm.height());
                return;
            }
    }

    QSizeF m_paperMm;
};

} // namespace

namespace {

// Qt offers a PDF in the working directory (the data folder, hidden in the
// home folder when the program runs from a menu): it is offered in the
// Documents folder, or the folder last used, under the job's name.
class PdfNameOffer : public QObject {
public:
    PdfNameOffer(QPrintDialog &dialog, const QString &path) : m_path(path) { dialog.installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_offered)
            if (auto *file = static_cast<QWidget *>(watched)->findChild<QLineEdit *>(QStringLiteral("filename"))) {
                file->setText(m_path);
                m_offered = true;
            }
        return false;
    }

private:
    QString m_path;
    bool m_offered = false;
};

} // namespace

QString offeredPdfPath(const QString &documentName)
{
    QString name = documentName.trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return QDir(startFolder()).filePath((name.isEmpty() ? QStringLiteral(u"快递单") : name) + QStringLiteral(".pdf"));
}

bool QtDialogs::printSetup(QWidget *parent, QPrinter &printer, int minPage, int maxPage)
{
    const PaperKeeper paper(printer.pageLayout().fullRect(QPageLayout::Millimeter).size());
    QPrintDialog dialog(&printer, parent);
    std::optional<PdfNameOffer> pdfName;
    if (printer.outputFileName().isEmpty())
        pdfName.emplace(dialog, offeredPdfPath(printer.docName()));
    dialog.setMinMax(minPage, maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    // This is the printer setup: its confirm button sets up, it prints nothing.
    for (QDialogButtonBox *buttons : dialog.findChildren<QDialogButtonBox *>())
        if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral(u"确定"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        rememberFolder(printer.outputFileName()); // the next PDF, and the next file dialog, start there
    return true;
}

void QtDialogs::showModal(QWidget *window)
{
    QPointer<QWidget> guard(window);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
    if (!window->isVisible())
        return;
    QEventLoop loop;
    HideWatcher watcher(window, loop);
    loop.exec();
    if (guard)
        guard->setWindowModality(Qt::NonModal);
}

namespace {

// Where the address leads, for a user whose desktop could not open it.
QString unopenedText(const QUrl &url)
{
    if (url.scheme() == QLatin1String("mailto"))
        return QStringLiteral(u"没有找到邮件程序，无法新建邮件。请用您的邮箱写信到：%1").arg(url.path());
    const QString where = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    return QStringLiteral(u"没有找到可以打开网页的浏览器。使用说明在这里，可以用任何浏览器打开：\n%1").arg(where);
}

} // namespace

void QtDialogs::openUrl(const QUrl &url)
{
    // The desktop's opener says whether it found a program for the
    // address only in its exit status: a failure is told, with the address.
    auto *opener = new QProcess(qApp);
    const auto tell = [this, url] { hint(QApplication::activeWindow(), unopenedText(url)); };
    QObject::connect(opener, &QProcess::finished, opener, [opener, tell](int status, QProcess::ExitStatus how) {
        opener->deleteLater();
        if (status != 0 || how != QProcess::NormalExit)
            tell();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, url, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        if (!QDesktopServices::openUrl(url))
            tell();
    });
    opener->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}
