/* The floor of reading an .xlsx sheet: libgsf opens the zip, expat streams
 * the shared strings (kept, each as UTF-8) and then the first worksheet,
 * and every cell's value is taken (a shared string looked up by its index),
 * as a small C program does it. bench_import runs it beside the import.
 * Usage: floor_xlsx_expat FILE; prints the cells and bytes of text read. */

#include <expat.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <stdlib.h>
#include <string.h>

struct Reader {
    /* the shared strings, one buffer; starts[i] is where string i begins */
    char *strings;
    size_t used, capacity;
    size_t *starts;
    size_t count, slots;
    /* the text being collected (a <t> or a <v>) */
    int collecting;
    char *text;
    size_t length, room;
    /* in the sheet: the current cell's type is a shared string */
    int shared;
    unsigned long cells, bytes;
};

static void grow(char **buffer, size_t *room, size_t needed)
{
    if (needed <= *room)
        return;
    while (*room < needed)
        *room = *room ? *room * 2 : 4096;
    *buffer = realloc(*buffer, *room);
}

static void on_text(void *data, const XML_Char *s, int len)
{
    struct Reader *r = data;
    if (!r->collecting)
        return;
    grow(&r->text, &r->room, r->length + (size_t)len);
    memcpy(r->text + r->length, s, (size_t)len);
    r->length += (size_t)len;
}

static void string_start(void *data, const XML_Char *name, const XML_Char **attributes)
{
    struct Reader *r = data;
    (void)attributes;
    if (strcmp(name, "si") == 0)
        r->length = 0;
    else if (strcmp(name, "t") == 0)
        r->collecting = 1;
}

static void string_end(void *data, const XML_Char *name)
{
    struct Reader *r = data;
    if (strcmp(name, "t") == 0) {
        r->collecting = 0;
    } else if (strcmp(name, "si") == 0) {
        if (r->count == r->slots) {
            r->slots = r->slots ? r->slots * 2 : 1024;
            r->starts = realloc(r->starts, r->slots * sizeof *r->starts);
        }
        r->starts[r->count++] = r->used;
        grow(&r->strings, &r->capacity, r->used + r->length + 1);
        memcpy(r->strings + r->used, r->text, r->length);
        r->strings[r->used + r->length] = '\0';
        r->used += r->length + 1;
    }
}

static void cell_start(void *data, const XML_Char *name, const XML_Char **attributes)
{
    struct Reader *r = data;
    if (strcmp(name, "c") == 0) {
        r->shared = 0;
        for (int i = 0; attributes[i]; i += 2)
            if (strcmp(attributes[i], "t") == 0)
                r->shared = strcmp(attributes[i + 1], "s") == 0;
        r->length = 0;
    } else if (strcmp(name, "v") == 0 || strcmp(name, "t") == 0) {
        r->collecting = 1;
    }
}

static void cell_end(void *data, const XML_Char *name)
{
    struct Reader *r = data;
    if (strcmp(name, "v") == 0 || strcmp(name, "t") == 0) {
        r->collecting = 0;
    } else if (strcmp(name, "c") == 0) {
        ++r->cells;
        if (r->shared) {
            grow(&r->text, &r->room, r->length + 1);
            r->text[r->length] = '\0';
            const unsigned long index = strtoul(r->text, NULL, 10);
            if (index < r->count)
                r->bytes += strlen(r->strings + r->starts[index]);
        } else {
            r->bytes += r->length;
        }
    }
}

static int parse(GsfInfile *zip, const char *folder, const char *part, struct Reader *r, XML_StartElementHandler start,
                 XML_EndElementHandler end)
{
    GsfInput *input = folder ? gsf_infile_child_by_vname(zip, "xl", folder, part, NULL)
                             : gsf_infile_child_by_vname(zip, "xl", part, NULL);
    if (!input)
        return 0;
    XML_Parser parser = XML_ParserCreate(NULL);
    XML_SetUserData(parser, r);
    XML_SetElementHandler(parser, start, end);
    XML_SetCharacterDataHandler(parser, on_text);
    int ok = 1;
    guint8 chunk[65536];
    gsf_off_t remaining;
    while ((remaining = gsf_input_remaining(input)) > 0) {
        const size_t n = remaining < (gsf_off_t)sizeof chunk ? (size_t)remaining : sizeof chunk;
        if (!gsf_input_read(input, n, chunk) || XML_Parse(parser, (const char *)chunk, (int)n, 0) != XML_STATUS_OK) {
            ok = 0;
            break;
        }
    }
    if (ok && XML_Parse(parser, NULL, 0, 1) != XML_STATUS_OK)
        ok = 0;
    XML_ParserFree(parser);
    g_object_unref(input);
    return ok;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: floor_xlsx_expat FILE\n", stderr);
        return 2;
    }
    gsf_init();
    GError *error = NULL;
    GsfInput *file = gsf_input_stdio_new(argv[1], &error);
    if (!file)
        return 1;
    GsfInfile *zip = gsf_infile_zip_new(file, &error);
    g_object_unref(file);
    if (!zip)
        return 1;
    struct Reader r;
    memset(&r, 0, sizeof r);
    parse(zip, NULL, "sharedStrings.xml", &r, string_start, string_end);
    if (!parse(zip, "worksheets", "sheet1.xml", &r, cell_start, cell_end)) {
        fputs("cannot read the sheet\n", stderr);
        return 1;
    }
    g_object_unref(zip);
    printf("%lu cells, %lu bytes of text, %lu shared strings\n", r.cells, r.bytes, (unsigned long)r.count);
    free(r.strings);
    free(r.starts);
    free(r.text);
    return 0;
}
