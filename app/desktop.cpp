#include "app/desktop.h"

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/window_registry.h"
#include "backup/backup_window.h"
#include "import/imported_window.h"
#include "report/fonts.h"
#include "store/data_file.h"
#include "store/jet_database.h"
#include "store/schema.h"
#include "ui/app_icon.h"
#include "ui/desktop_behaviour.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/remembered.h"
#include "ui/screen_fit.h"
#include "ui/window_keys.h"
#include "waybill/family.h"
#include "waybill/form_designer.h"
#include "waybill/preview_window.h"
#include "waybill/print_form.h"
#include "waybill/print_source.h"
#include "waybill/print_window.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

namespace {

// A window the creation order has made before the one being made.
template <class Window>
Window *made(const WindowRegistry &registry, const QString &windowClass)
{
    Window *window = registry.windowAs<Window>(windowClass);
    if (!window)
        throw std::logic_error("window made out of order: " + windowClass.toStdString());
    return window;
}

MainWindow *mainWindowOf(const WindowRegistry &registry)
{
    return made<MainWindow>(registry, window_class::kMain);
}

} // namespace

void installPreviewRunner()
{
    PrintWindow::setRunner([](PrintWindow &window) {
        runPreview(window.run(), &window, [&window](const PrintedRun &done) { window.showPrinted(done); });
    });
}

namespace {

// A print window of one of the office's own forms, made when its menu entry
// is chosen, from the form as it is stored now.
QWidget *makeUserFormWindow(WindowRegistry &registry, const QString &windowClass)
{
    const std::optional<std::pair<QString, Variant>> form = userFormOfClass(windowClass);
    if (!form)
        return nullptr;
    const auto &[code, variant] = *form;
    MainWindow *main = mainWindowOf(registry);
    const std::optional<PrintForm> printForm = printFormOf(code, variant, main->data().connection);
    if (!printForm)
        throw AppError(QStringLiteral(u"快递单 %1 已被删除（可能是另一台电脑删除的）。").arg(code));
    const Courier courier = userFormCourier(code, printForm->captionTail);
    switch (variant) {
    case Variant::Single:
        return new PrintWindow(courier, variant, printForm->layout,
                               std::make_unique<CurrentRowSource>(main->data().sender, main->data().recipients));
    case Variant::ImportedSingle:
        return new PrintWindow(
            courier, variant, printForm->layout,
            std::make_unique<CurrentRowSource>(main->data().sender,
                                               made<ImportedWindow>(registry, window_class::kImported)->list()));
    case Variant::Batch:
    case Variant::ImportedBatch:
        break;
    }
    return PrintWindow::makeBatch(courier, variant, printForm->layout).release();
}

} // namespace

void offerJetMigration(const QString &path)
{
    if (!isJetDatabase(path)
        || !dialogs().confirm(nullptr,
                              QStringLiteral(u"data.mdb 是旧版（Windows 版）软件的数据文件。\n"
                                             u"是否把其中的寄件人信息、收件人名单和导入的名单转换为本软件的格式？"
                                             u"原文件会保留在同一文件夹。")))
        return;
    JetMigration migration;
    try {
        migration = migrateJetDatabase(path);
    } catch (const JetDamage &damage) {
        if (!dialogs().confirm(nullptr,
                               damage.text()
                                   + QStringLiteral(u"\n\n是否只转换能读出的内容？读不出的行不会找回，"
                                                    u"原文件照样保留在同一文件夹。\n"
                                                    u"选“否”：不转换，data.mdb 保持原样。"),
                               false))
            return;
        migration = migrateJetDatabase(path, JetCarry::WhatCanBeRead);
    }
    dialogs().notice(nullptr, migrationText(migration));
}

void registerWindows(WindowRegistry &windows)
{
    installPreviewRunner();
    PrintWindow::setDesigner([](const Layout &layout, const QString &, QWidget *parent) {
        openFormDesigner(userFormFromLayout(layout, QString(), QString()), parent);
    });
    windows.registerOnDemand(makeUserFormWindow);
    windows.registerFactory(window_class::kMain, [](WindowRegistry &registry) -> QWidget * {
        auto *main = new MainWindow(registry);
        try {
            main->initialise(QDate::currentDate());
        } catch (...) {
            delete main;
            throw;
        }
        return main;
    });
    windows.registerFactory(window_class::kImported, [](WindowRegistry &registry) -> QWidget * {
        MainWindow *main = mainWindowOf(registry);
        auto window = std::make_unique<ImportedWindow>(
            [main] { main->writeShipDate(); },
            [&registry](const QString &windowClass) { return registry.windowToShow(windowClass); });
        window->FormCreate();
        return window.release();
    });
    windows.registerFactory(window_class::kBackup, [](WindowRegistry &registry) -> QWidget * {
        MainWindow *main = mainWindowOf(registry);
        return new BackupWindow(
            {[main] { main->data().disconnect(); }, [main] { main->data().reopen(); }, [] { QApplication::exit(0); }});
    });
    for (const Courier &courier : couriersInCreationOrder()) {
        windows.registerFactory(
            courier.classOf(Variant::ImportedSingle), [&courier](WindowRegistry &registry) -> QWidget * {
                MainWindow *main = mainWindowOf(registry);
                ImportedWindow *imported = made<ImportedWindow>(registry, window_class::kImported);
                auto *window =
                    new PrintWindow(courier, Variant::ImportedSingle,
                                    std::make_unique<CurrentRowSource>(main->data().sender, imported->list()));
                if (courier.bringsListForward[size_t(Variant::ImportedSingle)])
                    window->setBeforeRun([imported] {
                        imported->show();
                        imported->raise();
                        imported->activateWindow();
                    });
                return window;
            });
        windows.registerFactory(courier.classOf(Variant::Single), [&courier](WindowRegistry &registry) -> QWidget * {
            MainWindow *main = mainWindowOf(registry);
            return new PrintWindow(courier, Variant::Single,
                                   std::make_unique<CurrentRowSource>(main->data().sender, main->data().recipients));
        });
        for (Variant variant : {Variant::Batch, Variant::ImportedBatch})
            windows.registerFactory(courier.classOf(variant), [&courier, variant](WindowRegistry &) -> QWidget * {
                return PrintWindow::makeBatch(courier, variant).release();
            });
    }
}

void bringToFront(QWidget *main)
{
    if (!main)
        return;
    main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
    main->show();
    // The window the user is working in, when one is open over the main window.
    QWidget *front = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : main;
    front->raise();
    front->activateWindow();
}

int startDesktop(WindowRegistry &windows)
{
    try {
        windows.createAll();
    } catch (...) {
        // A missing or unreadable data.mdb ends the start with its error.
        showCurrentException(nullptr);
        windows.destroyAll();
        return 1;
    }
    MainWindow *main = mainWindowOf(windows);
    // Where it was last closed, pulled onto a screen there is now; else centred.
    if (const std::optional<WindowPlace> place = remembered::windowPlace(main->objectName()))
        placeRemembered(main, *place);
    else
        centreOnScreen(main);
    main->show();
    // A damaged data.mdb is told once, as the program opens; it stays
    // readable, and every write says the same until it is restored.
    const QString damage = main->data().connection.damage();
    if (!damage.isEmpty())
        QTimer::singleShot(0, main, [main, damage] { dialogs().error(main, damage); });
    return 0;
}

int runDesktop(int argc, char **argv, const QString &workbook, const QString &dataFile)
{
    GuardedApplication app(argc, argv);
    // No display name: Qt would append it to every window's caption, and
    // the captions stand as they are.
    QApplication::setApplicationName(QStringLiteral("waybill"));
    // Taskbars show the program's own icon, and on Wayland find the menu
    // entry (waybill.desktop) by this name.
    QApplication::setWindowIcon(appIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("waybill"));
    installFontSubstitutions();
    installChineseTranslations(app);
    installButtonEnterKeys(app);
    installScreenFit(app);
    installMenuBarKey(app);

    // The same data file as the commands use: --data's, the working
    // directory's data.mdb, or the user's own (a start from a menu).
    const QString workbookPath = workbook.isEmpty() ? QString() : QFileInfo(workbook).absoluteFilePath();
    std::unique_ptr<SingleInstance> instance;
    try {
        const QString file = data_file::prepare(dataFile);
        data_file::use(file);
        // A program already open on this data file comes to the front instead.
        instance = std::make_unique<SingleInstance>(file);
        if (instance->claim(workbookPath) == SingleInstance::Start::HandedOver)
            return 0;
        offerJetMigration(file);
    } catch (const AppError &error) {
        dialogs().error(nullptr, error.text());
        return 1;
    }
    WindowRegistry windows;
    registerWindows(windows);
    if (startDesktop(windows) != 0)
        return 1;
    const auto offer = [&windows](const QString &path) {
        auto *imported = windows.windowAs<ImportedWindow>(window_class::kImported);
        auto *main = windows.windowAs<MainWindow>(window_class::kMain);
        if (!imported || !main)
            return;
        imported->offerWorkbook(path);
        main->openImportWindow();
    };
    if (!workbookPath.isEmpty())
        QTimer::singleShot(0, windows.window(window_class::kMain), [offer, workbookPath] { offer(workbookPath); });
    QObject::connect(instance.get(), &SingleInstance::activationRequested, windows.window(window_class::kMain),
                     [&windows, offer](const QString &path) {
                         auto *main = windows.windowAs<MainWindow>(window_class::kMain);
                         bringToFront(main);
                         if (path.isEmpty())
                             return;
                         // A window open over the main window is the user's work: it stays.
                         if (QWidget *modal = QApplication::activeModalWidget())
                             dialogs().notice(modal,
                                              QStringLiteral(u"要导入名单 %1，请先关闭这个窗口，再打开一次。")
                                                  .arg(QDir::toNativeSeparators(path)));
                         else
                             offer(path);
                     });
    const int status = QApplication::exec();
    if (QWidget *main = windows.window(window_class::kMain))
        remembered::setWindowPlace(main->objectName(), {main->frameGeometry().topLeft(), main->size()});
    windows.destroyAll();
    return status;
}
