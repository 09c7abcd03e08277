#include "cli/commands.h"

QList<CliCommand> allCommands()
{
    return {
        {QStringLiteral("init"), QString(),
         QStringLiteral(u"创建空的数据文件（三个数据表）：在程序自己的文件夹（start.sh 的 program/）中运行时为那里的 "
                        u"data.mdb，否则为本人的数据文件夹里的 data.mdb，或 --data 给出的文件；文件已存在时拒绝。"),
         runInit, DataUse::Create},
        {QStringLiteral("print"),
         QStringLiteral("COURIER [--imported] [--batch] [--row N] [--pages A-B] [--date Y-M-D] "
                        "[--shift-x N] [--shift-y N] [--font \"FAMILY,SIZE[,bold][,italic]\"] [--no-calibration] "
                        "[--calibration-page] [--number FIRST] [--again] "
                        "(--pdf FILE | --printer NAME)"),
         QStringLiteral(u"打印快递单：单张打印第 N 行收件人（默认第 1 行），或 --batch 每行一张；"
                        u"先把寄件日期（默认今天）写入寄件人信息。COURIER 为 sf sf1 st yt1 yt yd tt zt ems zjs ht。"
                        u"没打全的快递单每张在标准错误输出一行提示。"
                        u"--calibration-page 打印校准页（毫米网格、快递单的格子、每项内容左上角的十字）。"
                        u"--number 给出第一张快递单上印好的运单号，后面的依次往下编号；打印的每一张都记入打印记录；"
                        u"已用于这种快递单另一张的运单号拒绝。导入名单中已用这种快递单打印过的收件人不再打印，"
                        u"除非加 --again。"),
         runPrint},
        {QStringLiteral("log"),
         QStringLiteral(
             "list [--from Y-M-D] [--to Y-M-D] [--courier CODE] [--find TEXT] | export FILE [同上] [--every-print] | "
             "number ENTRY NUMBER | reprint ENTRY... (--pdf FILE | --printer NAME) [--number FIRST]"),
         QStringLiteral(
             u"打印记录：列出打印过的快递单（序号、时间、快递单、运单号、收件人）；"
             u"把运单号清单导出为 .xlsx 或 .csv（运单号、快递公司、收件人姓名、手机号码、收件地址、打印时间、"
             u"订单号），供网店批量发货（没有运单号的、重打过的不导出；同一订单打印过几次时只导出最近一次，"
             u"--every-print 导出每一次）；改正一条记录的运单号（已用于同一种快递单另一条的拒绝）；按记录原样重打。"),
         runLog},
        {QStringLiteral("import"), QStringLiteral("FILE [--map \"收件人姓名=标题,收件地址=标题,...\"]"),
         QStringLiteral(u"用工作簿（.xls、.xlsx 或 .csv）中工作表 Sheet1 的收件人替换导入表（excel）的全部内容。"
                        u"认得网店订单导出和常见名单的标题（收货人姓名、联系手机、收货地址、省/市/区……）；"
                        u"认不出时用 --map 指定各列对应的标题，会记住，下次标题相同时直接导入。"),
         runImport},
        {QStringLiteral("recipients"), QStringLiteral("add (--paste TEXT | --field 列=值 ...) [--duplicate]"),
         QStringLiteral(
             u"新增一个收件人：--paste 从一段文字（聊天记录、订单地址）中识别姓名、手机、电话、邮编、地址和目的地；"
             u"--field 直接给出各列。姓名和手机号码与名单中的某人相同时不新增，除非加 --duplicate。"),
         runRecipients},
        {QStringLiteral("migrate"), QStringLiteral("[--partial]"),
         QStringLiteral(u"把数据文件（旧版 Windows 版的 data.mdb）转换为本软件的格式：寄件人、收件人名单和导入的名单"
                        u"逐行搬过来，原文件保留为 data.mdb.jet-日期-时间.bak。读出的内容对不上（行数不对、缺列）时"
                        u"不转换并说明；--partial：仍然转换能读出的内容。"),
         runMigrate, DataUse::Existing},
        {QStringLiteral("export"), QStringLiteral("FILE"),
         QStringLiteral(u"把收件人名单（inrxx）导出为工作簿：FILE 以 .xlsx 结尾时为 Excel 工作簿，"
                        u"否则为 Excel 97-2003 工作簿（不以 .xls 结尾时补上 .xls）。"),
         runExport},
        {QStringLiteral("backup"), QStringLiteral("NAME"),
         QStringLiteral(u"把数据文件备份为 NAME.bak（已有同名文件时替换）。"), runBackup},
        {QStringLiteral("restore"), QStringLiteral("FILE"),
         QStringLiteral(u"确认 FILE 是本软件的数据库后，用它替换数据文件的内容。"), runRestore},
        {QStringLiteral("calibration"),
         QStringLiteral("list | set COURIER [--printer NAME] --shift-x N --shift-y N [--scale-x F] [--scale-y F] "
                        "[--font \"FAMILY,SIZE[,bold][,italic]\"] [--paper WxH] | clear COURIER"),
         QStringLiteral(u"管理保存的位置：每家快递公司、每台打印机的整体移动量和缩放比例（0.9 到 1.1）；"
                        u"不给打印机时对所有没有单独设置的打印机和 PDF 有效。打印时自动使用，--no-calibration 不用。"
                        u"--paper 给出这台打印机上量得的纸张宽和长（毫米，精确到 0.1），连续纸打多张也不会越走越偏。"),
         runCalibration},
        {QStringLiteral("share"), QStringLiteral("[--join] postgresql://USER@HOST[:PORT]/DBNAME"),
         QStringLiteral(u"和其他电脑共享数据：把 data.mdb 的数据复制到服务器上的空数据库并从此使用它；"
                        u"--join 让这台电脑使用服务器上已有的数据。密码写在 ~/.pgpass 中，不写在命令行里。"),
         runShare},
        {QStringLiteral("unshare"), QStringLiteral("[--local]"),
         QStringLiteral(u"取消共享：把服务器上的数据复制回 data.mdb，从此只用 data.mdb；"
                        u"--local 在服务器连不上时不复制，直接改用 data.mdb 里共享以前的数据。"),
         runUnshare},
        {QStringLiteral("form"),
         QStringLiteral("list | export CODE FILE | import FILE | copy CODE NEWCODE --name NAME | remove CODE"),
         QStringLiteral(u"管理快递单：列出内置的和自定义的快递单；把一张快递单导出为文件（.kdform，图片在内）、"
                        u"从文件导入、复制为新的自定义快递单（新代码只用小写字母、数字和 _），或删除自定义快递单。"
                        u"自定义快递单存在 data.mdb 里，随备份、恢复和共享一起。"),
         runForm},
        {QStringLiteral("labels"),
         QStringLiteral("print FILE|FOLDER... (--pdf FILE | --printer NAME) [--paper WxH] [--per-page 1|2|4] [--dpi N] "
                        "[--threshold N] [--no-calibration] | calibration-page (--pdf FILE | --printer NAME) "
                        "[--paper WxH] | position [--printer NAME] [--paper WxH] --shift-x N --shift-y N "
                        "[--scale-x F] [--scale-y F]"),
         QStringLiteral(
             u"标签打印：把快递公司网站或接口给出的电子面单（PDF、PNG、JPEG，或放着它们的文件夹）按纸张原大"
             u"打印到热敏标签纸上（默认 100×150 毫米；76×130、100×180、100×210 或任意 --paper）。"
             u"--per-page 2 或 4：A4 页上有两张或四张面单时切开，自动裁到面单印着的部分，空白的跳过；"
             u"面单的方向和纸张不同时转 90°。按打印机的分辨率（PDF 用 --dpi，默认 203）打成黑白"
             u"（--threshold 灰度阈值，默认 160），不抖动，条码清晰。使用这台打印机和这种纸张保存的位置"
             u"（position 保存，calibration-page 打印校准页）。每张面单记入打印记录，运单号从面单的文字或条码读出。"),
         runLabels},
    };
}
