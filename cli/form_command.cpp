#include "cli/commands.h"

#include "common/safe_file.h"
#include "store/connection.h"
#include "store/form_store.h"
#include "waybill/family.h"
#include "waybill/user_form.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A form of any kind by code: the office's own as stored, a built-in one
// as a copy of its layout.
UserForm formByCode(FormStore &store, const QString &code)
{
    if (const std::optional<StoredForm> stored = store.find(code))
        return readUserForm(code, stored->document);
    if (const Courier *courier = courierByCode(code))
        return userFormFromLayout(layoutFor(code, Variant::Single), code, courier->captionTail);
    throw AppError(QStringLiteral(u"没有代码为 %1 的快递单（waybill form list 列出所有快递单）。").arg(code));
}

void addForm(Connection &connection, const UserForm &form)
{
    FormStore(connection).add({form.code, form.name, userFormJson(form)});
}

} // namespace

int runForm(const QStringList &args, CliStreams &io)
{
    const QString action = args.value(0);
    Connection connection(QStringLiteral("cli.form"));
    connection.open();
    FormStore store(connection);
    if (action == QStringLiteral("list") && args.size() == 1) {
        for (const Courier &courier : couriersInMenuOrder())
            io.out << courier.code << '\t' << courier.menuCaption << '\t' << QStringLiteral(u"内置") << '\n';
        for (const StoredForm &form : store.list())
            io.out << form.code << '\t' << form.name << '\t'
                   << (isUsableFormCode(form.code)
                           ? QStringLiteral(u"自定义")
                           : QStringLiteral(u"自定义，代码无效（数据文件中的这一行可能被别的程序改过），不能打印；"
                                            u"可用 form remove 删除后重新导入"))
                   << '\n';
        return exit_status::kOk;
    }
    if (action == QStringLiteral("export") && args.size() == 3) {
        const UserForm form = formByCode(store, args[1]);
        SafeFile out(args[2]);
        out.write(userFormJson(form));
        out.commit();
        io.out << QStringLiteral(u"已把快递单 %1（%2）导出到 %3。\n").arg(form.code, form.name, args[2]);
        return exit_status::kOk;
    }
    if (action == QStringLiteral("import") && args.size() == 2) {
        UserForm form = readUserFormFile(args[1]);
        preparePictureOfFile(form, args[1]);
        addForm(connection, form);
        io.out << QStringLiteral(u"已导入快递单 %1（%2）。\n").arg(form.code, form.name);
        return exit_status::kOk;
    }
    if (action == QStringLiteral("copy") && args.size() == 5 && args[3] == QStringLiteral("--name")) {
        UserForm form = formByCode(store, args[1]);
        checkNewFormCode(args[2]);
        form.code = args[2];
        form.name = args[4].trimmed();
        if (form.name.isEmpty())
            throw UsageError(QStringLiteral(u"--name 后面的名称不能为空"));
        addForm(connection, form);
        io.out << QStringLiteral(u"已把快递单 %1 复制为 %2（%3）。\n").arg(args[1], form.code, form.name);
        return exit_status::kOk;
    }
    if (action == QStringLiteral("remove") && args.size() == 2) {
        if (courierByCode(args[1]))
            throw AppError(QStringLiteral(u"%1 是内置快递单，不能删除。").arg(args[1]));
        if (!store.remove(args[1]))
            throw AppError(QStringLiteral(u"没有代码为 %1 的自定义快递单，未做任何改动。").arg(args[1]));
        io.out << QStringLiteral(u"已删除快递单 %1。\n").arg(args[1]);
        return exit_status::kOk;
    }
    throw UsageError(QStringLiteral(
        u"用法：form list | export CODE FILE | import FILE | copy CODE NEWCODE --name NAME | remove CODE"));
}
