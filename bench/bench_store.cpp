// Store benchmark: 100,000 recipients in inrxx; times opening the recipient
// dataset, a name search, appending and posting one row, and importing a
// workbook of 65,535 rows. Prints figures. With --postgresql the folder
// shares its data through a PostgreSQL server on the loopback interface
// (started for the run with tools/pg_test_server.sh, stopped after it).

#include "import/import_procedure.h"
#include "store/bulk_rows.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/shared_store.h"
#include "store/text_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace schema;

namespace {

constexpr int kRecipients = 100000;
constexpr int kImportRows = 65535;
constexpr int kRepeats = 5;

QStringList recipient(int i)
{
    return {QStringLiteral(u"某某贸易有限公司%1").arg(i % 97),
            QStringLiteral(u"收件人%1").arg(i),
            QStringLiteral(u"上海"),
            QStringLiteral(u"上海市浦东新区世纪大道%1号%2室").arg(i % 2000).arg(i % 900),
            QStringLiteral("200120"),
            QStringLiteral("021-5888%1").arg(i % 10000),
            QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')),
            QStringLiteral(u"文件"),
            QStringLiteral("1"),
            QString()};
}

void fill(Connection &connection)
{
    TextTable rows(int(recipientColumns().size()));
    for (int i = 0; i < kRecipients; ++i)
        for (const QString &cell : recipient(i))
            rows.appendCell(cell);
    connection.inTransaction([&] { insertTextRows(connection, kRecipientTable, recipientColumns(), rows); });
}

QString writeWorkbook(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(recipientColumns().join(QLatin1Char(',')).toUtf8() + "\n");
    for (int i = 0; i < kImportRows; ++i)
        file.write(recipient(i).join(QLatin1Char(',')).toUtf8() + "\n");
    return path;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Work>
double timeMs(Work &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The loopback server of a --postgresql run.
struct BenchServer {
    QString folder = QDir::temp().filePath(QStringLiteral("waybill-pg-bench"));
    QString script = QStringLiteral(WAYBILL_SOURCE_DIR "/tools/pg_test_server.sh");
    bool start()
    {
        if (QProcess::execute(script, {QStringLiteral("start"), folder}) != 0)
            return false;
        qputenv("PGPASSFILE", QFile::encodeName(folder + QStringLiteral("/pgpass")));
        return true;
    }
    ServerAddress database()
    {
        QFile file(folder + QStringLiteral("/port"));
        file.open(QIODevice::ReadOnly);
        const ServerAddress maintenance{QStringLiteral("waybill_test"),
                                        QStringLiteral("127.0.0.1"),
                                        file.readAll().trimmed().toInt(),
                                        QStringLiteral("postgres"),
                                        {}};
        Connection admin(QStringLiteral("bench.admin"));
        admin.openServer(maintenance);
        admin.exec(QStringLiteral("drop database if exists bench"));
        admin.exec(QStringLiteral("create database bench"));
        ServerAddress bench = maintenance;
        bench.database = QStringLiteral("bench");
        return bench;
    }
    ~BenchServer() { QProcess::execute(script, {QStringLiteral("stop"), folder}); }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool shared = app.arguments().contains(QStringLiteral("--postgresql"));
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createEmptyDatabase(QDir::current().absoluteFilePath(kDatabaseFileName));
    std::optional<BenchServer> server;
    if (shared) {
        server.emplace();
        if (!server->start()) {
            std::fprintf(stderr, "cannot start the PostgreSQL server\n");
            return 1;
        }
        shared_store::share(QDir::current().absoluteFilePath(kDatabaseFileName), server->database());
    }

    Connection connection(QStringLiteral("bench"));
    connection.open();
    fill(connection);
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));

    std::vector<double> opens, searches, posts;
    for (int i = 0; i < kRepeats; ++i) {
        opens.push_back(timeMs([&] { reopen(connection, {{&sender, kSenderTable}, {&list, kRecipientTable}}); }));
        searches.push_back(timeMs([&] {
            list.setStatement(Select::search(kRecipientTable, col::kRecipientName, QStringLiteral(u"收件人4321")));
            list.open();
        }));
        posts.push_back(timeMs([&] {
            list.append();
            for (const QString &column : recipientColumns())
                list.setValue(column, QStringLiteral(u"新收件人"));
            list.post();
        }));
    }
    const int found = list.rowCount();
    const QString workbook = writeWorkbook(dir.filePath(QStringLiteral("list.csv")));
    std::vector<double> imports;
    int imported = 0;
    for (int i = 0; i < 3; ++i)
        imports.push_back(timeMs([&] { imported = importWorkbook(connection, nullptr, workbook).rows; }));

    std::printf("store:                            %s\n",
                shared ? "PostgreSQL on 127.0.0.1 (shared)" : "data.mdb (SQLite)");
    std::printf("recipients in inrxx:              %d\n", kRecipients);
    std::printf("reopen (open recipient dataset):  %.1f ms (target <= %d)\n", median(opens), shared ? 300 : 200);
    std::printf("name search:                      %.1f ms (target <= 50), %d rows found\n", median(searches), found);
    std::printf("append and post one row:          %.1f ms (target <= 10)\n", median(posts));
    std::printf("import %d rows (.csv):         %.0f ms%s, %d rows\n", kImportRows, median(imports),
                shared ? " (target <= 2000)" : "", imported);
    return 0;
}
