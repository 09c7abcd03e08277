/* The floor of the tracking-list export: reads the rows of the print
 * record a tracking list holds (numbered entries, in the order written)
 * with SQLite's C API and writes them with libxlsxwriter in its
 * constant-memory mode, nothing more.
 *
 *   record_floor_xlsx DATA.MDB OUT.XLSX
 */
#include <sqlite3.h>
#include <stdio.h>
#include <xlsxwriter.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: record_floor_xlsx DATA.MDB OUT.XLSX\n");
        return 2;
    }
    sqlite3 *db = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    const char *sql = "select number, form_name, recipient_name, mobile, "
                      "json_extract(recipient, '$.\"收件地址\"'), printed_at, order_number "
                      "from print_log where number <> '' order by cast(entry as integer)";
    sqlite3_stmt *rows = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &rows, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    lxw_workbook_options options = {.constant_memory = LXW_TRUE};
    lxw_workbook *book = workbook_new_opt(argv[2], &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Sheet1");
    static const char *headings[] = {"运单号", "快递公司", "收件人姓名", "手机号码", "收件地址", "打印时间", "订单号"};
    for (int c = 0; c < 7; ++c)
        worksheet_write_string(sheet, 0, (lxw_col_t)c, headings[c], NULL);
    lxw_row_t row = 1;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int c = 0; c < 7; ++c) {
            const unsigned char *text = sqlite3_column_text(rows, c);
            if (text && *text)
                worksheet_write_string(sheet, row, (lxw_col_t)c, (const char *)text, NULL);
        }
        ++row;
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
