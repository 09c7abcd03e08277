// The floor of the start-up benchmarks: a bare Qt window of the main
// window's size, shown and painted, then the program ends. It reports as
// bench_startup's child does, at the same moment (the window exposed).
// With --text the window paints a line of Chinese text in the face the
// program's 宋体 stands for, so that loading that font counts in the floor.

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1017, 631);
    if (app.arguments().contains(QStringLiteral("--text"))) {
        auto *label = new QLabel(QStringLiteral(u"收件人信息 上海市浦东新区张江高科技园区碧波路"), &window);
        label->setFont(QFont(QStringLiteral("Noto Serif CJK SC"), 12));
        label->move(10, 10);
    }
    window.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.windowHandle() && window.windowHandle()->isExposed()) {
            std::printf("shown 1\n");
            std::fflush(stdout);
            QApplication::quit();
        }
    });
    poll.start(0);
    return QApplication::exec();
}
