// The program: no arguments start the desktop program; a sub-command works
// headless on the same data file (store/data_file.h), or --data's.

#include "app/desktop.h"
#include "cli/arguments.h"
#include "cli/command_line.h"
#include "common/file_name.h"
#include "common/safe_file.h"
#include "import/workbook_reader.h"
#include "store/data_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cstdio>

namespace {

// Qt wants a private runtime folder and warns when the session has none
// (as under a plain root login); give it one.
void ensureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString runtime = QDir::tempPath() + QStringLiteral("/waybill-runtime-") + QString::number(getuid());
    if (QDir().mkpath(runtime)
        && QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

// Qt's PDF writer takes two 16 MB buffers for every page and frees them
// again; glibc would map and unmap them (or grow and trim the heap) each
// time, and a batch spent most of its time faulting fresh pages in. Blocks
// up to 64 MB come from the heap, and up to 128 MB of free heap is kept for
// the next page instead of being handed back.
void keepHeapBetweenPages()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
#endif
}

} // namespace

int main(int argc, char **argv)
{
    keepHeapBetweenPages();
    ensureRuntimeFolder();
    // Chinese text is matched to Simplified-Chinese faces (fontconfig's
    // language), never to a Japanese or Korean face of the same collection,
    // whatever language the session runs in.
    if (qEnvironmentVariableIsEmpty("FC_LANG"))
        qputenv("FC_LANG", "zh-cn");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    // --data FILE alone (or with a workbook) is a desktop start; a malformed
    // one is the command line's to tell.
    SplitArguments split;
    bool desktop = true;
    try {
        split = splitArguments(args);
    } catch (const UsageError &) {
        desktop = false;
    }
    // What runs of this user killed meanwhile left behind: temporaries
    // beside data.mdb and the sheets of imports. Only files no running
    // process of the program holds are removed (through descriptors, never
    // following a link); a write or an import cleans its folder again.
    cleanStaleTemporaries(QDir::currentPath());
    cleanStaleTemporaries(data_file::userFolder());
    if (!split.dataFile.isEmpty())
        cleanStaleTemporaries(QFileInfo(data_file::chosen(split.dataFile)).absolutePath());
    cleanReaderLeftovers();
    // A workbook named alone (waybill 名单.xlsx, a file manager's "open
    // with") starts the desktop program with it offered for import.
    QString workbook;
    if (desktop && split.args.size() == 1) {
        const QString &name = split.args.first();
        static const QStringList kinds{QStringLiteral(".xls"), QStringLiteral(".xlsx"), QStringLiteral(".csv")};
        if (QFileInfo(name).isFile() && std::any_of(kinds.cbegin(), kinds.cend(), [&](const QString &kind) {
                return name.endsWith(kind, Qt::CaseInsensitive);
            }))
            workbook = name;
    }
    desktop = desktop && (split.args.isEmpty() || !workbook.isEmpty());
    if (!desktop) {
        // Headless: pages are still rendered with fonts, so a GUI application
        // object is needed, on the offscreen platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        CliStreams io{out, err};
        // A name whose bytes are no text in this system's encoding would be
        // read and written under another name: refused, never guessed.
        for (int i = 1; i < argc; ++i)
            if (!decodesExactly(QByteArray(argv[i]))) {
                err << undecodableNameText(QFile::decodeName(argv[i])) << '\n';
                return exit_status::kFailure;
            }
        return runCommandLine(app.arguments().mid(1), io);
    }
    // Without a display Qt would abort; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("没有可用的图形界面（DISPLAY 未设置）：请在桌面环境中启动本程序，"
                   "或使用子命令（waybill --help）。\n",
                   stderr);
        return 1;
    }
    // Qt's own options are not offered: every argument has been read here.
    return runDesktop(args.isEmpty() ? argc : 1, argv, workbook, split.dataFile);
}
