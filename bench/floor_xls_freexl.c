/* The floor of reading an .xls sheet: FreeXL opens the workbook, selects
 * the worksheet named on the command line and reads every cell's value,
 * as a small C program does it. bench_import runs it beside the import.
 * Usage: floor_xls_freexl FILE SHEET; prints the cells and characters read. */

#include <freexl.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    const void *handle = NULL;
    unsigned int sheets = 0;
    unsigned int rows = 0;
    unsigned short columns = 0;
    unsigned long cells = 0;
    unsigned long bytes = 0;
    if (argc != 3) {
        fputs("usage: floor_xls_freexl FILE SHEET\n", stderr);
        return 2;
    }
    if (freexl_open(argv[1], &handle) != FREEXL_OK) {
        fputs("cannot open the workbook\n", stderr);
        return 1;
    }
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        return 1;
    for (unsigned short sheet = 0; sheet < sheets; ++sheet) {
        const char *name = NULL;
        if (freexl_get_worksheet_name(handle, sheet, &name) == FREEXL_OK && name && strcmp(name, argv[2]) == 0) {
            if (freexl_select_active_worksheet(handle, sheet) != FREEXL_OK)
                return 1;
            break;
        }
    }
    if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        return 1;
    for (unsigned int row = 0; row < rows; ++row)
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK)
                return 1;
            if (value.type == FREEXL_CELL_TEXT || value.type == FREEXL_CELL_SST_TEXT)
                bytes += strlen(value.value.text_value);
            if (value.type != FREEXL_CELL_NULL)
                ++cells;
        }
    freexl_close(handle);
    printf("%lu cells, %lu bytes of text\n", cells, bytes);
    return 0;
}
