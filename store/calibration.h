#pragma once
// Saved calibrations: how far a courier's fields are shifted (layout
// units) and stretched (scale across and down, for printers that stretch
// the page) to line up with the paper in one printer, kept in data.mdb in a
// table of their own (calibration), so that backup and restore carry them.
// A calibration saved without a printer is the courier's own: it applies
// to every printer that has none of its own, and to PDF output. A database
// without the table works as one without calibrations; the table is made
// when the first calibration is saved, and a table of an earlier version
// (without the font or paper columns) gets them then.

#include "common/error.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

class Connection;

struct Calibration {
    QString courier;
    QString printer; // empty: the courier's own
    int shiftX = 0;
    int shiftY = 0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    QString font;  // "FAMILY,SIZE[,bold][,italic]"; empty: the layout's fonts
    QString color; // "#rrggbb", with the font
    // The paper measured for this printer (continuous forms), millimetres
    // to 0.1; 0: the layout's paper.
    double paperWidth = 0;
    double paperHeight = 0;
};

namespace calibration {
constexpr double kMinScale = 0.9;
constexpr double kMaxScale = 1.1;
// The paper a calibration may set, millimetres each way.
constexpr double kMinPaper = 50;
constexpr double kMaxPaper = 600;
} // namespace calibration

// A paper size typed as "WxH" in millimetres ("230x127.3", also with × or
// *), rounded to 0.1 mm; none when the text is no such size.
std::optional<QSizeF> parsePaperSize(const QString &text);

// Throws AppError saying what is wrong with a calibration's numbers.
void checkCalibration(const Calibration &calibration);

class CalibrationStore {
public:
    explicit CalibrationStore(Connection &connection) : m_connection(connection) {}

    // The calibration for a courier on a printer, else the courier's own,
    // else none. A damaged row counts as none; its text goes to *problem.
    std::optional<Calibration> find(const QString &courier, const QString &printer, QString *problem = nullptr);
    // Saves (replaces) the calibration of its courier and printer.
    void save(const Calibration &calibration);
    // Forgets every calibration of a courier; returns how many there were.
    int clear(const QString &courier);
    // Every saved calibration, by courier and printer.
    QList<Calibration> list();

    // Makes the table, or gives a table of an earlier version the columns
    // it lacks; inside the caller's transaction.
    void ensureTable();
    // The table's columns as this version makes them.
    static const QStringList &columnNames();

private:
    bool tableExists();
    QStringList columns(); // the columns to select, for the table as it is
    Connection &m_connection;
};
