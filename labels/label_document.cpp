#include "labels/label_document.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <poppler-qt6.h>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72.0;

// A grey copy of an image; transparent parts count as white paper.
QImage greyOnWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

class PdfDocument : public LabelDocument {
public:
    PdfDocument(const QString &path, std::unique_ptr<Poppler::Document> document)
        : m_path(path), m_document(std::move(document))
    {
        m_document->setRenderHint(Poppler::Document::Antialiasing, true);
        m_document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    }
    int pageCount() const override { return m_document->numPages(); }
    QSizeF pageMm(int page) const override
    {
        const std::unique_ptr<Poppler::Page> p = pageAt(page);
        return p->pageSizeF() * (kMmPerInch / kPointsPerInch);
    }
    QImage render(int page, const QRectF &areaMm, double dotsX, double dotsY) const override
    {
        const std::unique_ptr<Poppler::Page> p = pageAt(page);
        const QRect area(qRound(areaMm.x() * dotsX / kMmPerInch), qRound(areaMm.y() * dotsY / kMmPerInch),
                         qRound(areaMm.width() * dotsX / kMmPerInch), qRound(areaMm.height() * dotsY / kMmPerInch));
        const QImage image = p->renderToImage(dotsX, dotsY, area.x(), area.y(), area.width(), area.height());
        if (image.isNull())
            throw FileError(
                QStringLiteral(u"无法显示 %1 的第 %2 页。").arg(QFileInfo(m_path).fileName()).arg(page + 1));
        return greyOnWhite(image);
    }
    QString text(int page, const QRectF &areaMm) const override
    {
        const std::unique_ptr<Poppler::Page> p = pageAt(page);
        const double toPoints = kPointsPerInch / kMmPerInch;
        return p->text(QRectF(areaMm.topLeft() * toPoints, areaMm.size() * toPoints));
    }

private:
    std::unique_ptr<Poppler::Page> pageAt(int page) const
    {
        std::unique_ptr<Poppler::Page> p = m_document->page(page);
        if (!p)
            throw FileError(
                QStringLiteral(u"无法读取 %1 的第 %2 页。").arg(QFileInfo(m_path).fileName()).arg(page + 1));
        return p;
    }
    QString m_path;
    std::unique_ptr<Poppler::Document> m_document;
};

class PictureDocument : public LabelDocument {
public:
    PictureDocument(QImage image, double dpiX, double dpiY) : m_image(std::move(image)), m_dpiX(dpiX), m_dpiY(dpiY) {}
    int pageCount() const override { return 1; }
    QSizeF pageMm(int) const override
    {
        return QSizeF(m_image.width() * kMmPerInch / m_dpiX, m_image.height() * kMmPerInch / m_dpiY);
    }
    QImage render(int, const QRectF &areaMm, double dotsX, double dotsY) const override
    {
        const QRect source(qRound(areaMm.x() * m_dpiX / kMmPerInch), qRound(areaMm.y() * m_dpiY / kMmPerInch),
                           qRound(areaMm.width() * m_dpiX / kMmPerInch), qRound(areaMm.height() * m_dpiY / kMmPerInch));
        const QSize target(qRound(areaMm.width() * dotsX / kMmPerInch), qRound(areaMm.height() * dotsY / kMmPerInch));
        const QImage part = m_image.copy(source);
        // Taken as it is when the resolutions agree; otherwise scaled
        // smoothly in grey, and thresholded after.
        return part.size() == target ? part : part.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QString text(int, const QRectF &) const override { return {}; }

private:
    QImage m_image;
    double m_dpiX;
    double m_dpiY;
};

// A picture's own resolution, when it carries a sensible one.
double pictureDpi(int dotsPerMeter)
{
    const double dpi = dotsPerMeter * 0.0254;
    return dpi >= 72 && dpi <= 1200 ? dpi : kDefaultPictureDpi;
}

const QStringList &labelSuffixes()
{
    static const QStringList suffixes{QStringLiteral("pdf"), QStringLiteral("png"), QStringLiteral("jpg"),
                                      QStringLiteral("jpeg")};
    return suffixes;
}

// label2 before label10, as the portal numbered them: runs of digits
// compare by their value, the rest by their characters.
bool numberedBefore(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong x = a.mid(startA, i - startA).toULongLong();
            const qulonglong y = b.mid(startB, j - startB).toULongLong();
            if (x != y)
                return x < y;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

bool isLabelFile(const QString &path)
{
    return labelSuffixes().contains(QFileInfo(path).suffix().toLower());
}

std::unique_ptr<LabelDocument> LabelDocument::open(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.isFile())
        throw FileError(QStringLiteral(u"找不到文件：%1").arg(path));
    if (!info.isReadable())
        throw FileError(QStringLiteral(u"无法读取 %1：没有读取权限。").arg(path));
    if (info.suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0) {
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
        if (!document)
            throw FileError(QStringLiteral(u"%1 不是可以读取的 PDF 文件（文件已损坏或不完整）。").arg(name));
        if (document->isLocked())
            throw FileError(QStringLiteral(u"%1 有打开密码，请先在面单网站上下载不加密的 PDF。").arg(name));
        if (document->numPages() < 1)
            throw FileError(QStringLiteral(u"%1 中没有页面。").arg(name));
        return std::make_unique<PdfDocument>(path, std::move(document));
    }
    if (!isLabelFile(path))
        throw FileError(QStringLiteral(u"%1 不是 PDF、PNG 或 JPEG 文件。").arg(name));
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        throw FileError(QStringLiteral(u"无法读取图片 %1：%2").arg(name, reader.errorString()));
    const double dpiX = pictureDpi(image.dotsPerMeterX());
    const double dpiY = pictureDpi(image.dotsPerMeterY());
    return std::make_unique<PictureDocument>(greyOnWhite(image), dpiX, dpiY);
}

QStringList labelFiles(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList inFolder;
            const QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
            for (const QFileInfo &entry : entries)
                if (isLabelFile(entry.fileName()))
                    inFolder << entry.filePath();
            std::sort(inFolder.begin(), inFolder.end(), numberedBefore);
            if (inFolder.isEmpty())
                throw FileError(QStringLiteral(u"文件夹 %1 中没有 PDF、PNG 或 JPEG 文件。").arg(path));
            files << inFolder;
        } else if (info.isFile()) {
            if (!isLabelFile(path))
                throw FileError(QStringLiteral(u"%1 不是 PDF、PNG 或 JPEG 文件。").arg(info.fileName()));
            files << path;
        } else {
            throw FileError(QStringLiteral(u"找不到文件：%1").arg(path));
        }
    }
    return files;
}
