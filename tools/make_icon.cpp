// Writes the program's icon (ui/app_icon.cpp) as PNG files of the hicolor
// sizes: make_icon OUTDIR writes OUTDIR/waybill-N.png.

#include "ui/app_icon.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        if (!appIconImage(size).save(out.filePath(QStringLiteral("waybill-%1.png").arg(size))))
            return 1;
    }
    return 0;
}
