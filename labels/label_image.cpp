#include "labels/label_image.h"

// Results as UTF-8 text.
#define ZX_USE_UTF8
#include <ReadBarcode.h>

QRect inkBounds(const QImage &grey, int threshold)
{
    const QImage image =
        grey.format() == QImage::Format_Grayscale8 ? grey : grey.convertToFormat(QImage::Format_Grayscale8);
    int left = image.width();
    int right = -1;
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        int first = -1;
        for (int x = 0; x < image.width(); ++x)
            if (line[x] <= threshold) {
                first = x;
                break;
            }
        if (first < 0)
            continue;
        int last = first;
        for (int x = image.width() - 1; x > first; --x)
            if (line[x] <= threshold) {
                last = x;
                break;
            }
        left = std::min(left, first);
        right = std::max(right, last);
        if (top < 0)
            top = y;
        bottom = y;
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage binarised(const QImage &grey, int threshold)
{
    const QImage image =
        grey.format() == QImage::Format_Grayscale8 ? grey : grey.convertToFormat(QImage::Format_Grayscale8);
    QImage mono(image.size(), QImage::Format_Mono);
    mono.setColorCount(2);
    mono.setColor(0, qRgb(255, 255, 255));
    mono.setColor(1, qRgb(0, 0, 0));
    mono.setDotsPerMeterX(image.dotsPerMeterX());
    mono.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < image.height(); ++y) {
        const uchar *in = image.constScanLine(y);
        uchar *out = mono.scanLine(y);
        std::fill(out, out + mono.bytesPerLine(), 0);
        for (int x = 0; x < image.width(); ++x)
            if (in[x] <= threshold)
                out[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return mono;
}

QString readCode128(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128);
    hints.setTryRotate(true);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid())
        return {};
    return QString::fromStdString(result.text());
}
