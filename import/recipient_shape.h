#pragma once
// The recipients of a sheet as offices get them: the ten columns under
// their own headings or under the headings of web-shop order exports and
// customers' lists (import/shop_headings.h); address parts (省, 市, 区,
// 街道) and details joined into 收件地址 without doubled names; 目的地 from
// the city; every cell cleaned of what exports put round texts (a leading '
// or tab, ="…", blanks). A mobile number in a telephone column goes to
// 手机号码 when the sheet has no mobile column, and a postcode written after
// the address to 邮政编码. A sheet with the ten headings of the recipient
// list is read as it stands. A mapping the user chose overrides the guesses.
// An order export's order number (订单编号 …) comes as an eleventh column,
// 订单号, after the ten; a sheet without one gives ten.

#include "import/workbook_reader.h"

#include <QHash>
#include <functional>
#include <optional>
#include <vector>

// Column (one of the ten) -> the sheet's heading it is read from; an empty
// heading: the column stays empty.
using ColumnMapping = QHash<QString, QString>;

// A sheet whose headings give no 收件人姓名 or no 收件地址; it names the
// headings found and carries what could be guessed, for the user to map.
class UnmappedSheet : public WorkbookError {
public:
    UnmappedSheet(const QString &text, QStringList headings, ColumnMapping guesses)
        : WorkbookError(text), headings(std::move(headings)), guesses(std::move(guesses))
    {
    }
    QStringList headings; // as the sheet has them (blanks trimmed)
    ColumnMapping guesses;
};

class RecipientShape : public RecordShape {
public:
    // A mapping saved for a sheet's headings (none: guess from the synonyms).
    using Remembered = std::function<std::optional<ColumnMapping>(const QStringList &headings)>;

    // mapping: what the user chose now; remembered: what was chosen for
    // the same headings before, used when mapping is none.
    explicit RecipientShape(std::optional<ColumnMapping> mapping = {}, Remembered remembered = {})
        : m_chosen(std::move(mapping)), m_remembered(std::move(remembered))
    {
    }
    void plan(const QStringList &headings) override;
    int width() const override;
    void append(TextTable &records, const QStringView *cells, qsizetype count) const override;

    // The heading each of the ten columns would be read from, guessed from
    // the synonyms (columns none fits are left out).
    static ColumnMapping guess(const QStringList &headings);
    // The headings as compared (blanks removed), for remembering a mapping.
    static QStringList comparableHeadings(const QStringList &headings);
    // The sheet's headings as plan() was given them.
    const QStringList &headings() const { return m_headings; }
    // What the closing message tells about the sheet's columns (an address
    // column that is not the recipient's, left out).
    const QStringList &notes() const { return m_notes; }

private:
    enum class Kind { None, Cell, FirstNonEmpty, Joined, Address, City };
    struct Source {
        Kind kind = Kind::None;
        QList<int> cells; // positions on the sheet, in the order the kind reads them
    };
    QString value(const Source &source, const QStringView *cells, qsizetype count) const;
    QString cityOf(const QString &address, const QStringView *cells, qsizetype count) const;

    std::optional<ColumnMapping> m_chosen;
    Remembered m_remembered;
    ColumnMapping m_mapping; // what plan() used
    QStringList m_headings;
    QList<Source> m_sources;        // per column of the recipient record
    QList<int> m_parts;             // 省, 市, 区, 省市区, 街道 positions (-1: none)
    QList<int> m_details;           // address details joined after the address
    int m_orderNumber = -1;         // an order export's order number (-1: none)
    int m_wholeRecipient = -1;      // a cell holding the whole recipient (-1: none)
    bool m_asListed = false;        // the ten headings of the list: read as it stands
    bool m_mobileFromPhone = false; // no mobile column: mobiles come from the telephone one
    QStringList m_notes;
    mutable QHash<QString, QString> m_cities; // the city of each address beginning seen
};

// A cell as the recipient list keeps it: blanks (also full-width ones and
// tabs) trimmed, a leading ' and a ="…" wrapper removed.
QString cleanedCell(QStringView cell);
// The same, as a part of the cell.
QStringView cleanedView(QStringView cell);
// Reads "收件人姓名=收货人姓名,手机号码=联系手机" (a column with nothing after
// = stays empty); throws AppError naming what is wrong.
ColumnMapping parseMapping(const QString &text);
QString mappingText(const ColumnMapping &mapping);

// What the closing message of an import tells about its rows: how many
// have a masked mobile number (138****5678) and how many repeat an earlier
// row's 收件人姓名 and 手机号码. Counted batch by batch, each name and
// number kept as a pair of hashes rather than as texts.
class ImportNotes {
public:
    void count(const TextTable &records);
    // Empty when nothing is worth telling.
    QStringList notes();

private:
    int m_masked = 0;
    qsizetype m_repeated = 0;                      // found by an earlier notes()
    std::vector<std::pair<size_t, size_t>> m_keys; // of the rows with a whole name and number
    QString m_key;                                 // reused for each row's key
};
QStringList importNotes(const TextTable &records);
