#pragma once
// The tables of data.mdb and their columns, in table order. Every column
// list of the program (grids, editor, import, export) uses these.

#include <QString>
#include <QStringList>
#include <functional>

namespace schema {

inline const QString kSenderTable = QStringLiteral("outrxx");
inline const QString kRecipientTable = QStringLiteral("inrxx");
inline const QString kImportedTable = QStringLiteral("excel");

// Saved calibrations (store/calibration.h), made when first needed.
inline const QString kCalibrationTable = QStringLiteral("calibration");
// Forms the office defines for itself (store/form_store.h), made when first needed.
inline const QString kFormsTable = QStringLiteral("forms");
// The column mappings the user chose for workbooks of given headings.
inline const QString kImportMappingsTable = QStringLiteral("import_mappings");
// What was printed, on which form, with which waybill number (store/print_log.h).
inline const QString kPrintLogTable = QStringLiteral("print_log");

inline const QString kDatabaseFileName = QStringLiteral("data.mdb");

// Column names shared by the Sender and the Recipient records.
namespace col {
inline const QString kCompany = QStringLiteral(u"单位名称");
inline const QString kSenderName = QStringLiteral(u"寄件人姓名");
inline const QString kOrigin = QStringLiteral(u"始发地");
inline const QString kSenderAddress = QStringLiteral(u"寄件地址");
inline const QString kPostcode = QStringLiteral(u"邮政编码");
inline const QString kPhone = QStringLiteral(u"联系电话");
inline const QString kMobile = QStringLiteral(u"手机号码");
inline const QString kSignature = QStringLiteral(u"签名");
inline const QString kYear = QStringLiteral(u"年");
inline const QString kMonth = QStringLiteral(u"月");
inline const QString kDay = QStringLiteral(u"日");
inline const QString kRecipientName = QStringLiteral(u"收件人姓名");
inline const QString kDestination = QStringLiteral(u"目的地");
inline const QString kRecipientAddress = QStringLiteral(u"收件地址");
inline const QString kContents = QStringLiteral(u"内件品名");
inline const QString kQuantity = QStringLiteral(u"数量");
inline const QString kRemarks = QStringLiteral(u"备注");
// An order export's order number: no column of the three tables, kept in
// the print record when an imported row had one.
inline const QString kOrderNumber = QStringLiteral(u"订单号");
} // namespace col

// Columns of outrxx in table order.
const QStringList &senderColumns();
// Columns of inrxx and excel in table order.
const QStringList &recipientColumns();
// Columns of a table by name; throws DbError for an unknown table.
const QStringList &columnsOf(const QString &table);
// The three tables every data.mdb holds, in table order.
const QStringList &tables();

// What a store lacks of the three tables and their columns, as the end of
// a message ("缺少数据表 T" or "数据表 T 缺少字段 C"); empty when it has
// them all. columnsOfTable gives the columns a table of the store has
// (none: no such table).
QString missingPart(const std::function<QStringList(const QString &table)> &columnsOfTable);

// Makes the three tables in a fresh, empty database file (a temporary of
// the caller's). Throws DbError.
// A failure names shownAs (the file the user knows; empty: freshFile).
void createTables(const QString &freshFile, const QString &shownAs = {});

// Creates an empty database file with the three tables at path. Refuses
// (DbError) when the path already exists; never overwrites anything and
// leaves no partial file behind on failure.
void createEmptyDatabase(const QString &path);

} // namespace schema
