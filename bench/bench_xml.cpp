// XML benchmark: the .xlsx sheet of 65,535 recipients of ten columns, read
// once with the program's XmlScanner and once with Qt's QXmlStreamReader,
// each taking what the sheet reader takes (every cell's reference, type and
// text). Decides whether the scanner still earns its place. Prints the
// figures.

#include "bench_support.h"
#include "import/xml_scanner.h"

#include <QElapsedTimer>
#include <QXmlStreamReader>
#include <cstdio>

namespace {

QByteArray sheetXml(int rows)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
                     "spreadsheetml/2006/main\"><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        xml += "<row r=\"" + QByteArray::number(r) + "\">";
        for (int c = 0; c < 10; ++c) {
            const QByteArray ref = QByteArray(1, char('A' + c)) + QByteArray::number(r);
            if (c == 6)
                xml += "<c r=\"" + ref + "\"><v>138" + QByteArray::number(10000000 + r) + "</v></c>";
            else
                xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>"
                    + QStringLiteral(u"上海市浦东新区碧波路%1号").arg(r).toUtf8() + "</t></is></c>";
        }
        xml += "</row>";
    }
    return xml + "</sheetData></worksheet>";
}

} // namespace

int main()
{
    const QByteArray xml = sheetXml(65535);
    qsizetype chars = 0;
    QElapsedTimer timer;
    std::vector<double> scanner, stream;
    for (int run = 0; run < 5; ++run) {
        timer.start();
        XmlScanner scan{QByteArrayView(xml)};
        chars = 0;
        for (XmlScanner::Token t; (t = scan.next()) != XmlScanner::EndOfDocument && t != XmlScanner::Invalid;) {
            if (t == XmlScanner::StartElement && scan.name() == "c")
                chars += scan.attribute("r").size() + scan.attribute("t").size();
            else if (t == XmlScanner::Text)
                chars += scan.text().size();
        }
        scanner.push_back(bench::ms(timer));

        timer.start();
        QXmlStreamReader reader(xml);
        qsizetype streamChars = 0;
        while (!reader.atEnd()) {
            const auto t = reader.readNext();
            if (t == QXmlStreamReader::StartElement && reader.name() == QLatin1String("c"))
                streamChars += reader.attributes().value(QLatin1String("r")).size()
                    + reader.attributes().value(QLatin1String("t")).size();
            else if (t == QXmlStreamReader::Characters)
                streamChars += reader.text().size();
        }
        stream.push_back(bench::ms(timer));
        if (streamChars != chars)
            std::printf("the two readers disagree: %lld and %lld characters\n", qint64(chars), qint64(streamChars));
    }
    std::sort(scanner.begin(), scanner.end());
    std::sort(stream.begin(), stream.end());
    std::printf("sheet of 65,535 rows x 10 columns, %.1f MB of XML, median of 5\n", xml.size() / 1e6);
    std::printf("XmlScanner        %7.1f ms\n", scanner[2]);
    std::printf("QXmlStreamReader  %7.1f ms\n", stream[2]);
    return 0;
}
