#include "backup/backup_window.h"

#include "backup/database_file.h"
#include "store/connection.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/widgets.h"

#include <QDir>
#include <QPushButton>

BackupWindow::BackupWindow(BackupHooks hooks, QWidget *parent) : QDialog(parent), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("SjbfForm"));
    setProperty("windowClass", QStringLiteral("TSjbfForm"));
    setWindowTitle(QStringLiteral(u"数据库备份与恢复"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(376, 116);
    auto *panel = placed(new QFrame(this), QStringLiteral("Panel2"), 0, 0, 376, 116);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    makeLabel(panel, QStringLiteral("Label1"), QStringLiteral(u"提示：及时备份数据库，能更好地保护数据不被丢失！"), 24,
              26, 13, Qt::red, true);
    const QFont buttonFont = songFont(15, true);
    auto *backup =
        placed(new QPushButton(QStringLiteral(u"数据库备份"), panel), QStringLiteral("Button1"), 64, 64, 110, 33);
    auto *restore =
        placed(new QPushButton(QStringLiteral(u"数据库恢复"), panel), QStringLiteral("Button2"), 216, 64, 110, 33);
    backup->setFont(buttonFont);
    restore->setFont(buttonFont);
    connect(backup, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(restore, &QPushButton::clicked, this, [this] { Button2Click(); });
}

namespace {

// The described message, then why (retrying does not help every failure).
QString withReason(const QString &message, const std::exception &error)
{
    const auto *own = dynamic_cast<const AppError *>(&error);
    const QString reason = own ? own->text() : QString::fromUtf8(error.what());
    return reason.isEmpty() ? message : message + QStringLiteral("\n\n") + reason;
}

} // namespace

void BackupWindow::Button1Click()
{
    const QString name = dialogs().saveFile(this, QString(), QString());
    if (name.isEmpty())
        return;
    const QString target = name + QStringLiteral(".bak");
    try {
        backupDatabase(Connection::currentFilePath(), target);
    } catch (const std::exception &error) {
        dialogs().hint(this, withReason(QStringLiteral(u"数据备份失败，请重试！"), error));
        return;
    }
    dialogs().hint(this, QStringLiteral(u"数据备份成功！\n\n备份文件：%1").arg(QDir::toNativeSeparators(target)));
}

QString restoreQuestion(const BackupContents &backup)
{
    QString rows = QStringLiteral(u"%1 个收件人").arg(backup.recipients);
    if (backup.imported > 0)
        rows += QStringLiteral(u"，%1 行导入的名单").arg(backup.imported);
    return QStringLiteral(u"用 %1 的备份（%2）替换现在的数据？\n\n"
                          u"现在的寄件人信息、收件人名单和导入的名单都会换成备份里的；"
                          u"替换前，现在的数据会另存一份（data.mdb.日期-时间.bak）。")
        .arg(backup.written.toString(QStringLiteral("yyyy-MM-dd HH:mm")), rows);
}

QString restoredText()
{
    return QStringLiteral(u"数据恢复成功！\n\n点“确定”后程序将关闭。请像平时一样再打开本软件"
                          u"（“办公”菜单里的“快递单打印”，或在软件文件夹中运行 ./start.sh），"
                          u"打开后就是恢复的数据。");
}

void BackupWindow::Button2Click()
{
    const QString file = dialogs().openFile(this, QString(), QString());
    if (file.isEmpty())
        return;
    // What the backup holds is said before anything is replaced; a file
    // that is no backup of this program is refused here already.
    BackupContents backup;
    try {
        backup = describeBackup(file);
    } catch (const std::exception &error) {
        dialogs().hint(this, withReason(QStringLiteral(u"数据恢复失败，请重试！"), error));
        return;
    }
    if (!dialogs().confirm(this, restoreQuestion(backup), false))
        return;
    m_hooks.disconnectMain();
    RestoreResult restored;
    try {
        restored = restoreDatabase(file, Connection::currentFilePath());
    } catch (const std::exception &error) {
        dialogs().hint(this, withReason(QStringLiteral(u"数据恢复失败，请重试！"), error));
        // data.mdb is untouched: the main window's lists show it again.
        guarded(this, [this] { m_hooks.reconnectMain(); });
        return;
    }
    dialogs().hint(this, restoredText() + restoreNotes(restored));
    m_hooks.endProgram();
}
