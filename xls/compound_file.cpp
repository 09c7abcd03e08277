#include "xls/compound_file.h"

#include "common/safe_file.h"
#include "xls/xls_writer.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <unistd.h>

namespace {

void ignoreLog(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}
void ignorePrint(const gchar *) {}

} // namespace

void initialiseGsf()
{
    static const bool initialised = [] {
        gsf_init();
        // A damaged file is reported by the reader's own message; libgsf's
        // warnings about it are not for the user.
        // The reader process's standard error carries its own messages
        // only, so libgsf's prints are silenced too.
        for (const char *domain :
             {static_cast<const char *>(nullptr), "libgsf:msole", "libgsf", "libgsf:zip", "GLib-GObject"})
            g_log_set_handler(
                domain,
                GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO),
                ignoreLog, nullptr);
        g_set_print_handler(ignorePrint);
        g_set_printerr_handler(ignorePrint);
        return true;
    }();
    Q_UNUSED(initialised);
}

QByteArray readWorkbookStream(const QString &path)
{
    initialiseGsf();
    const QString notWorkbook = QStringLiteral(u"工作簿已损坏（文件结构无法读取）：%1").arg(path);
    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!input) {
        if (error)
            g_error_free(error);
        throw XlsError(notWorkbook);
    }
    GsfInfile *ole = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (!ole) {
        if (error)
            g_error_free(error);
        throw XlsError(notWorkbook);
    }
    GsfInput *stream = gsf_infile_child_by_name(ole, "Workbook");
    if (!stream)
        stream = gsf_infile_child_by_name(ole, "Book");
    if (!stream) {
        // An .xlsx with an opening password is an OLE2 file holding the
        // encrypted package.
        GsfInput *encrypted = gsf_infile_child_by_name(ole, "EncryptedPackage");
        if (encrypted) {
            g_object_unref(encrypted);
            g_object_unref(ole);
            throw XlsError(
                QStringLiteral(u"工作簿设有打开密码，不能读取；请在 Excel 或 WPS 中取消密码后再导入：%1").arg(path));
        }
    }
    QByteArray bytes;
    bool ok = stream != nullptr;
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        ok = size > 0 && size < (gsf_off_t(1) << 30);
        if (ok) {
            bytes.resize(qsizetype(size));
            ok = gsf_input_read(stream, size_t(size), reinterpret_cast<guint8 *>(bytes.data())) != nullptr;
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    if (!ok)
        throw XlsError(notWorkbook);
    return bytes;
}

namespace {

// Writes the compound file into sink, which it closes.
bool writeInto(GsfOutput *sink, const char *streamName, const QByteArray &stream)
{
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    GsfOutput *child = gsf_outfile_new_child(ole, streamName, FALSE);
    bool ok =
        child && gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
    if (child) {
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
    g_object_unref(ole);
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    return ok;
}

} // namespace

void writeCompoundFile(int fd, const QString &shownAs, const char *streamName, const QByteArray &stream)
{
    initialiseGsf();
    const int copy = ::dup(fd);
    FILE *file = copy < 0 ? nullptr : ::fdopen(copy, "wb");
    if (!file) {
        if (copy >= 0)
            ::close(copy);
        throw XlsError(writeFailureText(shownAs, errno));
    }
    // libgsf writes into the file as it is (no file of its own beside it).
    errno = 0;
    GsfOutput *sink = gsf_output_stdio_new_FILE("workbook", file, TRUE);
    bool ok = sink && writeInto(sink, streamName, stream);
    if (sink)
        g_object_unref(sink);
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    // The stdio calls under libgsf leave why they failed in errno.
    if (!ok)
        throw XlsError(errno != 0 ? writeFailureText(shownAs, errno)
                                  : QStringLiteral(u"写入工作簿文件失败：%1").arg(shownAs));
}
