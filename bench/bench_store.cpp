// Store benchmark: 100,000 recipients in inrxx; times opening the recipient
// dataset, a name search and appending and posting one row. Prints figures.

#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace schema;

namespace {

constexpr int kRecipients = 100000;
constexpr int kRepeats = 5;

void fill(Connection &connection)
{
    const QString sql = statements::insertRow(kRecipientTable, recipientColumns());
    connection.inTransaction([&] {
        for (int i = 0; i < kRecipients; ++i) {
            QVariantList values;
            values << QStringLiteral(u"某某贸易有限公司%1").arg(i % 97)
                   << QStringLiteral(u"收件人%1").arg(i) << QStringLiteral(u"上海")
                   << QStringLiteral(u"上海市浦东新区世纪大道%1号%2室").arg(i % 2000).arg(i % 900)
                   << QStringLiteral("200120") << QStringLiteral("021-5888%1").arg(i % 10000)
                   << QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'))
                   << QStringLiteral(u"文件") << QStringLiteral("1") << QString();
            connection.exec(sql, values);
        }
    });
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Work> double timeMs(Work &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createEmptyDatabase(QDir::current().absoluteFilePath(kDatabaseFileName));

    Connection connection(QStringLiteral("bench"));
    connection.open();
    fill(connection);
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));

    std::vector<double> opens, searches, posts;
    for (int i = 0; i < kRepeats; ++i) {
        opens.push_back(timeMs([&] {
            reopen(connection, {{&sender, kSenderTable}, {&list, kRecipientTable}});
        }));
        searches.push_back(timeMs([&] {
            list.setStatement(Select::search(kRecipientTable, col::kRecipientName,
                                             QStringLiteral(u"收件人4321")));
            list.open();
        }));
        posts.push_back(timeMs([&] {
            list.append();
            for (const QString &column : recipientColumns())
                list.setValue(column, QStringLiteral(u"新收件人"));
            list.post();
        }));
    }
    std::printf("recipients in inrxx:              %d\n", kRecipients);
    std::printf("reopen (open recipient dataset):  %.1f ms (target <= 200)\n", median(opens));
    std::printf("name search:                      %.1f ms (target <= 50), %d rows found\n",
                median(searches), list.rowCount());
    std::printf("append and post one row:          %.1f ms (target <= 10)\n", median(posts));
    return 0;
}
