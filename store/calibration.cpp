#include "store/calibration.h"

#include "report/fonts.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QColor>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace {

const QString &kTable = schema::kCalibrationTable;
const QString kFontColumn = QStringLiteral("font");
const QString kColorColumn = QStringLiteral("color");
const QString kPaperWidthColumn = QStringLiteral("paper_width");
const QString kPaperHeightColumn = QStringLiteral("paper_height");
const QStringList kKeyColumns{QStringLiteral("courier"), QStringLiteral("printer")};

// A text bound as text, never as NULL: "no printer" is the empty text.
QString bound(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// A row as stored: every value as text, checked when read. A table of an
// earlier version lacks the font and paper columns: its rows keep the
// layout's.
std::optional<Calibration> fromRow(const QSqlQuery &query, QString *problem)
{
    const QSqlRecord record = query.record();
    const auto text = [&](const QString &column) {
        const int index = record.indexOf(column);
        return index < 0 ? QString() : query.value(index).toString();
    };
    Calibration calibration;
    calibration.courier = text(QStringLiteral("courier"));
    calibration.printer = text(QStringLiteral("printer"));
    bool ok[4] = {};
    calibration.shiftX = text(QStringLiteral("shift_x")).toInt(&ok[0]);
    calibration.shiftY = text(QStringLiteral("shift_y")).toInt(&ok[1]);
    calibration.scaleX = text(QStringLiteral("scale_x")).toDouble(&ok[2]);
    calibration.scaleY = text(QStringLiteral("scale_y")).toDouble(&ok[3]);
    calibration.font = text(kFontColumn);
    calibration.color = text(kColorColumn);
    bool paperOk = true;
    for (const auto &[column, value] : {std::pair{kPaperWidthColumn, &calibration.paperWidth},
                                        std::pair{kPaperHeightColumn, &calibration.paperHeight}}) {
        const QString stored = text(column);
        bool read = true;
        *value = stored.isEmpty() ? 0 : stored.toDouble(&read);
        paperOk = paperOk && read;
    }
    try {
        if (!(ok[0] && ok[1] && ok[2] && ok[3] && paperOk))
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

// A paper side as stored: millimetres to 0.1, empty for the layout's.
QString paperText(double millimetres)
{
    return millimetres > 0 ? QString::number(millimetres, 'f', 1) : QStringLiteral("");
}

} // namespace

std::optional<QSizeF> parsePaperSize(const QString &text)
{
    static const QRegularExpression separator(QStringLiteral("\\s*[xX×*]\\s*"));
    const QStringList sides = text.trimmed().split(separator);
    bool ok[2] = {};
    const double width = sides.value(0).toDouble(&ok[0]);
    const double height = sides.value(1).toDouble(&ok[1]);
    if (sides.size() != 2 || !ok[0] || !ok[1])
        return std::nullopt;
    return QSizeF(std::round(width * 10) / 10, std::round(height * 10) / 10);
}

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
    const bool noPaper = calibration.paperWidth == 0 && calibration.paperHeight == 0;
    for (const double side : {calibration.paperWidth, calibration.paperHeight})
        if (!noPaper && !(std::isfinite(side) && side >= calibration::kMinPaper && side <= calibration::kMaxPaper))
            throw AppError(QStringLiteral(u"纸张尺寸 %1 × %2 毫米不在 %3 到 %4 毫米之间")
                               .arg(calibration.paperWidth)
                               .arg(calibration.paperHeight)
                               .arg(calibration::kMinPaper)
                               .arg(calibration::kMaxPaper));
}

bool CalibrationStore::tableExists()
{
    return m_connection.hasTable(kTable);
}

QStringList CalibrationStore::columns()
{
    const QStringList present = m_connection.tableColumns(kTable);
    QStringList selected;
    for (const QString &column : columnNames())
        if (present.contains(column))
            selected << column;
    return selected;
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
                                   kColorColumn,
                                   kPaperWidthColumn,
                                   kPaperHeightColumn};
    return names;
}

void CalibrationStore::ensureTable()
{
    if (!tableExists()) {
        m_connection.exec(statements::createTable(kTable, columnNames(), m_connection.backend(), kKeyColumns));
    } else {
        const QStringList present = m_connection.tableColumns(kTable);
        for (const QString &column : columnNames())
            if (!present.contains(column))
                m_connection.exec(statements::addTextColumn(kTable, column));
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
                           bound(calibration.color), paperText(calibration.paperWidth),
                           paperText(calibration.paperHeight)});
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
