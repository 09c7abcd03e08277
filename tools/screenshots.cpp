// Creates every window of the program offscreen over a sample database and
// writes one PNG per window (and per notable state) into a folder:
//   screenshots OUTPUT_DIR

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/recipient_view.h"
#include "app/window_registry.h"
#include "report/fonts.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/schema.h"
#include "ui/record_grid.h"
#include "ui/widgets.h"
#include "waybill/family.h"
#include "waybill/preview_window.h"
#include "waybill/print_window.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void fillSample()
{
    using namespace schema;
    Connection connection(QStringLiteral("sample"));
    Dataset sender(connection, QStringLiteral("sender"));
    sender.setStatement(Select::all(kSenderTable));
    sender.open();
    sender.edit();
    const QStringList senderValues{u"杭州明远贸易有限公司"_qs,
                                   u"王建国"_qs,
                                   u"杭州"_qs,
                                   u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室"_qs,
                                   u"310012"_qs,
                                   u"0571-88223344"_qs,
                                   u"13905710001"_qs,
                                   u"王建国"_qs};
    for (int i = 0; i < senderValues.size(); ++i)
        sender.setValue(senderColumns()[i], senderValues[i]);
    sender.setValue(QStringLiteral(u"年"), QStringLiteral("2026"));
    sender.setValue(QStringLiteral(u"月"), QStringLiteral("12"));
    sender.setValue(QStringLiteral(u"日"), QStringLiteral("31"));
    sender.post();

    Dataset list(connection, QStringLiteral("list"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    const QList<QStringList> recipients{
        {u"上海联华电子有限公司"_qs, u"李明"_qs, u"上海"_qs, u"上海市浦东新区张江高科技园区碧波路690号"_qs,
         u"201203"_qs, u"021-50801234"_qs, u"13801234567"_qs, u"样品"_qs, u"2"_qs, u"易碎"_qs},
        {u""_qs, u"张丽华"_qs, u"北京"_qs, u"北京市朝阳区建国路88号SOHO现代城5号楼1801"_qs, u"100022"_qs, u""_qs,
         u"13911112222"_qs, u"文件"_qs, u"1"_qs, u""_qs},
        {u"广州天河商贸城"_qs, u"陈志强"_qs, u"广州"_qs, u"广东省广州市天河区体育西路191号中石化大厦B塔2305"_qs,
         u"510620"_qs, u"020-38881234"_qs, u"13622223333"_qs, u"服装"_qs, u"3"_qs, u"请电话联系"_qs},
        {u"成都锦江宾馆"_qs, u"刘芳"_qs, u"成都"_qs, u"四川省成都市锦江区红星路二段80号"_qs, u"610016"_qs,
         u"028-86661234"_qs, u"15928001234"_qs, u"茶叶"_qs, u"5"_qs, u""_qs},
        // Long values in every field, to see them over the form pictures.
        {u"北京市朝阳区某某科技发展有限责任公司"_qs, u"欧阳张三丰"_qs, u"北京朝阳"_qs,
         u"北京市朝阳区建国门外大街甲12号新华保险大厦18层1808室"_qs, u"100022"_qs, u"010-65661234"_qs,
         u"13812345678"_qs, u"样品（易碎）"_qs, u"100"_qs, u"请在工作日送达"_qs},
    };
    Dataset imported(connection, QStringLiteral("imported"));
    imported.setStatement(Select::all(kImportedTable));
    imported.open();
    for (Dataset *table : {&list, &imported})
        for (const QStringList &values : recipients) {
            table->append();
            for (int i = 0; i < values.size(); ++i)
                table->setValue(recipientColumns()[i], values[i]);
            table->post();
        }
}

void save(QWidget *window, const QDir &out, const QString &name)
{
    window->grab().save(out.filePath(name + QStringLiteral(".png")));
    std::printf("%s\n", qPrintable(out.filePath(name + QStringLiteral(".png"))));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots OUTPUT_DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    out.setPath(out.absolutePath());

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    schema::createEmptyDatabase(Connection::currentFilePath());
    fillSample();

    WindowRegistry windows;
    registerWindows(windows);
    windows.createAll();
    for (const QString &windowClass : windows.created()) {
        QWidget *window = windows.window(windowClass);
        window->show();
        save(window, out, window->objectName());
        window->hide();
    }

    auto *main = windows.windowAs<MainWindow>(window_class::kMain);
    main->show();
    main->Timer1Timer();
    main->recipientView()->grid()->selectRow(1);
    main->recipientView()->Button7Click();
    save(main, out, QStringLiteral("Form1-editor"));
    main->N1Click();
    save(main, out, QStringLiteral("Form1-sender"));

    // Every courier's single print of the long recipient over its form
    // picture, at 100 %.
    main->data().recipients.last();
    for (const Courier &courier : couriersInCreationOrder()) {
        auto *window = windows.windowAs<PrintWindow>(courier.classOf(Variant::Single));
        TQRStandardPreview over(window->run(), window);
        over.produceAllPages();
        over.showPicture(true);
        over.setZoom(TQRStandardPreview::ZoomMode::Percent, 100);
        save(over.findChild<QWidget *>(QStringLiteral("PageView")), out, QStringLiteral("long-") + courier.code);
        over.showPicture(false);
    }

    // The preview of a batch run at each zoom.
    auto *batch = windows.windowAs<PrintWindow>(QStringLiteral("TPlstForm"));
    batch->FormActivate();
    TQRStandardPreview preview(batch->run(), batch);
    preview.produceAllPages();
    preview.show();
    const struct {
        TQRStandardPreview::ZoomMode mode;
        const char *name;
    } zooms[] = {{TQRStandardPreview::ZoomMode::FitPage, "QRStandardPreview-fit-page"},
                 {TQRStandardPreview::ZoomMode::FitWidth, "QRStandardPreview-fit-width"},
                 {TQRStandardPreview::ZoomMode::Percent, "QRStandardPreview-100"}};
    for (const auto &zoom : zooms) {
        preview.setZoom(zoom.mode);
        save(&preview, out, QString::fromLatin1(zoom.name));
    }
    return 0;
}
