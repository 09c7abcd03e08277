#pragma once
// Page boxes of a PDF to a tenth of a millimetre. Qt writes a page's
// MediaBox in whole points (0.35 mm), so a form 140 mm long comes out
// 140.05 mm and a run of 50 continuous forms drifts 2.6 mm. The pages
// are drawn from their top-left corner, so the box is given the paper's
// exact size keeping that corner where it is, and the cross-reference
// table is moved along with the bytes. The boxes are set as the PDF is
// written (PdfPageBoxes sits between Qt's writer and the file), so that a
// long run is never held in memory.

#include <QByteArray>
#include <QIODevice>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

// A write-only device passing a PDF on to a sink with every page box that
// is within a point of the paper set to the paper exactly, and the
// cross-reference table and startxref moved along. A PDF laid out
// otherwise passes unchanged. The sink throws AppError when it cannot
// write; the device then fails every later write and keeps the text.
class PdfPageBoxes : public QIODevice {
public:
    using Sink = std::function<void(const char *data, qsizetype length)>;
    explicit PdfPageBoxes(Sink sink, const QSizeF &paperMm = {});
    // The paper the pages are set to; before the first page is written.
    void setPaper(const QSizeF &paperMm) { m_paperMm = paperMm; }
    // Writes what is held back; the PDF must be complete.
    void close() override;
    int boxesSet() const { return int(m_patchStarts.size()); }
    bool isSequential() const override { return true; }
    // Why the sink could not write (empty: it could).
    const QString &failure() const { return m_failure; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    void process(bool atEnd);
    bool forward(const QByteArray &bytes);
    bool forward(const char *data, qsizetype length);
    void flushOut();
    qint64 moved(qint64 offset) const;
    // Takes one page box at m_held[at]; false when more bytes are needed.
    bool takeBox(qsizetype at, bool atEnd, qsizetype *next);
    bool takeXrefLine(qsizetype lineEnd);

    Sink m_sink;
    QSizeF m_paperMm;
    QByteArray m_held; // received, not yet passed on
    QByteArray m_out;  // passed on, not yet given to the sink
    qint64 m_read = 0; // offset in the written PDF of m_held's first byte
    enum class Part { Body, Xref, Trailer, StartXref } m_part = Part::Body;
    std::vector<qint64> m_patchStarts; // written offsets of patched boxes
    std::vector<qint64> m_growths;     // bytes added by patches up to and including each
    bool m_failed = false;
    QString m_failure;
};

// Sets every page box that is within a point of paperMm to paperMm exactly;
// returns how many were set.
int setExactPageBoxes(QByteArray &pdf, const QSizeF &paperMm);

// The same for a PDF file written by a printer of Qt's (a PDF print set up
// in the printer dialog), rewritten beside itself and renamed into place;
// a file that cannot be read or rewritten stays as it was written.
void setExactPageBoxesOfFile(const QString &path, const QSizeF &paperMm);
