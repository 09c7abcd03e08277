#include "store/calibration.h"

#include "report/fonts.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QColor>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace {

const QString &kTable = schema::kCalibrationTable;
const QString kFontColumn = QStringLiteral("font");
const QString kColorColumn = QStringLiteral("color");
const QStringList kKeyColumns{QStringLiteral("courier"), QStringLiteral("printer")};

// A text bound as text, never as NULL: "no printer" is the empty text.
QString bound(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// A row as stored: every value as text, checked when read.
std::optional<Calibration> fromRow(const QSqlQuery &query, QString *problem)
{
    Calibration calibration;
    calibration.courier = query.value(0).toString();
    calibration.printer = query.value(1).toString();
    bool ok[4] = {};
    calibration.shiftX = query.value(2).toString().toInt(&ok[0]);
    calibration.shiftY = query.value(3).toString().toInt(&ok[1]);
    calibration.scaleX = query.value(4).toString().toDouble(&ok[2]);
    calibration.scaleY = query.value(5).toString().toDouble(&ok[3]);
    // A table of an earlier version has no font: its rows keep the layout's.
    const bool withFont = query.record().count() > 7;
    calibration.font = withFont ? query.value(6).toString() : QString();
    calibration.color = withFont ? query.value(7).toString() : QString();
    try {
        if (!(ok[0] && ok[1] && ok[2] && ok[3]))
            throw AppError(QStringLiteral(u"数值无法读取"));
        checkCalibration(calibration);
    } catch (const AppError &error) {
        if (problem)
            *problem = QStringLiteral(u"保存的位置（%1%2）已损坏，按原始位置打印：%3")
                           .arg(calibration.courier,
                                calibration.printer.isEmpty() ? QString() : QStringLiteral(u"，") + calibration.printer,
                                error.text());
        return std::nullopt;
    }
    return calibration;
}

} // namespace

void checkCalibration(const Calibration &calibration)
{
    for (const double scale : {calibration.scaleX, calibration.scaleY})
        if (!std::isfinite(scale) || scale < calibration::kMinScale || scale > calibration::kMaxScale)
            throw AppError(QStringLiteral(u"缩放比例 %1 不在 %2 到 %3 之间")
                               .arg(scale)
                               .arg(calibration::kMinScale)
                               .arg(calibration::kMaxScale));
    if (!calibration.font.isEmpty() && !parseFontText(calibration.font))
        throw AppError(QStringLiteral(u"字体无法读取：%1").arg(calibration.font));
    if (!calibration.color.isEmpty() && !QColor::isValidColorName(calibration.color))
        throw AppError(QStringLiteral(u"颜色无法读取：%1").arg(calibration.color));
}

bool CalibrationStore::tableExists()
{
    return m_connection.hasTable(kTable);
}

bool CalibrationStore::hasFontColumns()
{
    return m_connection.tableColumns(kTable).contains(kFontColumn);
}

QStringList CalibrationStore::columns()
{
    return hasFontColumns() ? columnNames() : columnNames().mid(0, 6);
}

const QStringList &CalibrationStore::columnNames()
{
    static const QStringList names{QStringLiteral("courier"),
                                   QStringLiteral("printer"),
                                   QStringLiteral("shift_x"),
                                   QStringLiteral("shift_y"),
                                   QStringLiteral("scale_x"),
                                   QStringLiteral("scale_y"),
                                   kFontColumn,
                                   kColorColumn};
    return names;
}

void CalibrationStore::ensureTable()
{
    if (!tableExists()) {
        m_connection.exec(statements::createTable(kTable, columnNames(), m_connection.backend(), kKeyColumns));
    } else if (!hasFontColumns()) {
        m_connection.exec(statements::addTextColumn(kTable, kFontColumn));
        m_connection.exec(statements::addTextColumn(kTable, kColorColumn));
    }
}

std::optional<Calibration> CalibrationStore::find(const QString &courier, const QString &printer, QString *problem)
{
    if (!tableExists())
        return std::nullopt;
    const QString sql = statements::selectWhere(kTable, columns(), kKeyColumns);
    for (const QString &candidate : printer.isEmpty() ? QStringList{QString()} : QStringList{printer, QString()}) {
        QSqlQuery query = m_connection.exec(sql, {courier, bound(candidate)});
        if (query.next())
            return fromRow(query, problem);
    }
    return std::nullopt;
}

void CalibrationStore::save(const Calibration &calibration)
{
    checkCalibration(calibration);
    m_connection.inTransaction([&] {
        ensureTable();
        m_connection.exec(statements::deleteWhere(kTable, kKeyColumns),
                          {calibration.courier, bound(calibration.printer)});
        m_connection.exec(statements::insertRow(kTable, columnNames()),
                          {calibration.courier, bound(calibration.printer), QString::number(calibration.shiftX),
                           QString::number(calibration.shiftY), QString::number(calibration.scaleX, 'g', 10),
                           QString::number(calibration.scaleY, 'g', 10), bound(calibration.font),
                           bound(calibration.color)});
    });
}

int CalibrationStore::clear(const QString &courier)
{
    if (!tableExists())
        return 0;
    QSqlQuery query = m_connection.exec(statements::deleteWhere(kTable, {kKeyColumns.first()}), {courier});
    return query.numRowsAffected();
}

QList<Calibration> CalibrationStore::list()
{
    QList<Calibration> all;
    if (!tableExists())
        return all;
    QSqlQuery query = m_connection.exec(statements::selectWhere(kTable, columns(), {}, kKeyColumns));
    while (query.next()) {
        QString problem;
        if (const std::optional<Calibration> calibration = fromRow(query, &problem))
            all << *calibration;
    }
    return all;
}
