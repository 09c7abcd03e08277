// Start-up benchmark: from process start to the main window shown (offscreen),
// with every window of the program created, over a database of 1,000 and
// of 100,000 recipients. The parent starts this program again as a child and times it
// until the child reports the window exposed. Also prints the child's
// memory after start-up.

#include "bench_support.h"

#include "app/desktop.h"
#include "app/window_registry.h"
#include "report/fonts.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"
#include "ui/error_boundary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

int child(int argc, char **argv)
{
    GuardedApplication app(argc, argv);
    installFontSubstitutions();
    WindowRegistry windows;
    registerWindows(windows);
    if (startDesktop(windows) != 0)
        return 1;
    QWidget *main = windows.window(window_class::kMain);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (main->windowHandle() && main->windowHandle()->isExposed()) {
            std::printf("shown %d %ld\n", int(windows.created().size()), bench::residentKb());
            std::fflush(stdout);
            QApplication::quit();
        }
    });
    poll.start(0);
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const bench::Workdir dir;
    int filled = 0;
    for (const int recipients : {1000, 100000}) {
        {
            Connection connection(QStringLiteral("fill"));
            if (filled == 0)
                bench::fillWaybills(connection, recipients);
            else
                connection.inTransaction([&] {
                    // Copies of the rows there are, up to the count wanted.
                    for (int have = filled; have < recipients; have = std::min(recipients, have * 2))
                        connection.exec(QStringLiteral("insert into inrxx select * from inrxx limit ?"),
                                        {recipients - have});
                });
            filled = recipients;
        }
        std::vector<double> times;
        QByteArray last;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process.setProcessEnvironment(env);
            QElapsedTimer timer;
            timer.start();
            process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
            while (!process.canReadLine() && process.waitForReadyRead(10000)) {
            }
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            last = process.readLine().trimmed();
            process.waitForFinished(10000);
        }
        std::sort(times.begin(), times.end());
        const QList<QByteArray> parts = last.split(' ');
        std::printf("%6d recipients: %s windows, start to main window shown: median %.1f ms, best %.1f ms "
                    "(target <= %d), %.1f MB after start-up\n",
                    recipients, parts.value(1).constData(), times[times.size() / 2], times.front(),
                    recipients == 1000 ? 150 : 250, parts.value(2).toDouble() / 1024.0);
    }
    return 0;
}
