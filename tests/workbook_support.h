#pragma once
// Workbooks for the tests, written at test time by an independent writer
// (Perl Spreadsheet::WriteExcel through tests/make_workbook.pl).

#include <QProcess>
#include <QString>
#include <QStringList>

// sheets: "SHEET name" lines and rows of tab-separated cells.
inline bool writeWorkbook(const QString &path, const QStringList &lines)
{
    QProcess perl;
    perl.start(QStringLiteral("perl"), {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/make_workbook.pl"), path});
    perl.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    perl.closeWriteChannel();
    perl.waitForFinished(300000);
    return perl.exitStatus() == QProcess::NormalExit && perl.exitCode() == 0;
}

inline QString recipientHeadings()
{
    return QStringLiteral(
        u"单位名称\t收件人姓名\t目的地\t收件地址\t邮政编码\t联系电话\t手机号码\t内件品名\t数量\t备注");
}
