/* The floor of a batch print: a cairo PDF writer drawing the same 16 texts
 * a page as a 顺丰 waybill (8 of the sender, 8 of the recipient, the
 * recipient's changing per page) on 216 x 140 mm pages, in one Chinese
 * font. Usage: print_floor_cairo PAGES OUT.pdf */
#include <cairo-pdf.h>
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s PAGES OUT.pdf\n", argv[0]);
        return 2;
    }
    const int pages = atoi(argv[1]);
    const double mm = 72.0 / 25.4;
    cairo_surface_t *surface = cairo_pdf_surface_create(argv[2], 216 * mm, 140 * mm);
    cairo_t *cr = cairo_create(surface);
    cairo_select_font_face(cr, "AR PL UMing CN", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    static const char *sender[] = {"杭州明远贸易有限公司", "王建国", "杭州", "浙江省杭州市西湖区文三路478号",
                                   "华星时代广场A座1203室", "310012", "0571-88223344", "13905710001"};
    char text[8][128];
    for (int page = 0; page < pages; ++page) {
        snprintf(text[0], sizeof text[0], "上海联华电子有限公司");
        snprintf(text[1], sizeof text[1], "收件人%d", page);
        snprintf(text[2], sizeof text[2], "上海");
        snprintf(text[3], sizeof text[3], "上海市浦东新区张江高科技园区碧波路%d号%d室", page % 900, page % 77);
        snprintf(text[4], sizeof text[4], "201203");
        snprintf(text[5], sizeof text[5], "021-50801234");
        snprintf(text[6], sizeof text[6], "138%08d", page);
        snprintf(text[7], sizeof text[7], "样品");
        for (int k = 0; k < 8; ++k) {
            cairo_move_to(cr, 40 + (k % 2) * 200, 40 + (k / 2) * 24);
            cairo_show_text(cr, sender[k]);
            cairo_move_to(cr, 40 + (k % 2) * 200, 180 + (k / 2) * 24);
            cairo_show_text(cr, text[k]);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const int failed = cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return failed;
}
