#include "store/dataset.h"

#include "store/bulk_rows.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"

#include <QSqlQuery>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

// What a row of a table is called in a message to the user (never the
// dataset's component name).
QString rowWord(const QString &table)
{
    if (table == schema::kRecipientTable)
        return QStringLiteral(u"收件人");
    if (table == schema::kImportedTable)
        return QStringLiteral(u"导入的收件人");
    if (table == schema::kSenderTable)
        return QStringLiteral(u"寄件人信息");
    return QStringLiteral(u"记录");
}

} // namespace

QString Dataset::Row::value(int column) const
{
    const int start = column == 0 ? 0 : ends[column - 1];
    return text.mid(start, ends[column] - start);
}

QStringView Dataset::Row::view(int column) const
{
    const int start = column == 0 ? 0 : ends[column - 1];
    return QStringView(text).mid(start, ends[column] - start);
}

void Dataset::Row::assign(const QStringList &values)
{
    text.clear();
    ends.clear();
    for (const QString &value : values) {
        text += value;
        ends.append(int(text.size()));
    }
}

QStringList Dataset::Row::values() const
{
    QStringList result;
    for (int i = 0; i < ends.size(); ++i)
        result << value(i);
    return result;
}

Dataset::Dataset(Connection &connection, const QString &name, QObject *parent)
    : QObject(parent), m_connection(connection), m_name(name)
{
    setObjectName(name);
}

void Dataset::setStatement(const Select &select)
{
    m_select = select;
}

Dataset::Row Dataset::decodedRow(const SelectedRow &selected, QStringDecoder &decoder, QList<QChar> &scratch)
{
    // The row's texts decoded one after another into one buffer, then kept
    // in one string of their exact size: one allocation a row.
    Row row;
    row.rowid = selected.rowid;
    qsizetype bytes = 0;
    for (int i = 0; i < selected.count; ++i)
        bytes += selected.lengths[i];
    if (scratch.size() < bytes)
        scratch.resize(bytes);
    QChar *out = scratch.data();
    for (int i = 0; i < selected.count; ++i) {
        if (selected.texts[i])
            out = decoder.appendToBuffer(out, QByteArrayView(selected.texts[i], selected.lengths[i]));
        row.ends.append(int(out - scratch.data()));
    }
    row.text = QString(scratch.data(), out - scratch.data());
    return row;
}

Dataset::Stored Dataset::storedState(const Row &row)
{
    QStringDecoder decoder = storedTextDecoder();
    QList<QChar> scratch;
    std::optional<Row> stored;
    selectRows(m_connection, statements::selectRowByKey(m_select.table, m_connection.backend()),
               {QString::number(row.rowid)},
               [&](const SelectedRow &selected) { stored = decodedRow(selected, decoder, scratch); });
    if (!stored)
        return Stored::Gone;
    return stored->text == row.text && stored->ends == row.ends ? Stored::AsRead : Stored::Changed;
}

QStringList Dataset::searchParams() const
{
    return m_select.isSearch() ? QStringList{statements::likePattern(m_select.likeText)} : QStringList();
}

std::vector<Dataset::Row> Dataset::readRows(const WindowRead &read, QStringList *columns) const
{
    std::vector<Row> rows;
    rows.reserve(size_t(read.limit));
    QStringDecoder decoder = storedTextDecoder();
    QList<QChar> scratch;
    const QStringList names =
        selectRows(m_connection, statements::selectWindow(m_select, m_connection.backend(), read), searchParams(),
                   [&](const SelectedRow &selected) { rows.push_back(decodedRow(selected, decoder, scratch)); });
    m_rowsRead += qint64(rows.size());
    if (columns)
        *columns = names;
    if (read.descending)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<Dataset::Row> Dataset::readWindow(int number) const
{
    const int first = number * m_windowRows;
    const int wanted = m_stored ? std::min(m_windowRows, *m_stored - first) : m_windowRows;
    if (wanted <= 0)
        return {};
    // The nearest rows of known key before and after the window (the end
    // of the stored rows once their number is known): the store skips the
    // fewest rows from whichever is closer.
    int beforeIndex = -1;
    qint64 beforeKey = kNoKey;
    if (auto below = m_keys.lower_bound(first); below != m_keys.begin()) {
        beforeIndex = std::prev(below)->first;
        beforeKey = std::prev(below)->second;
    }
    std::optional<std::pair<int, qint64>> after;
    if (auto above = m_keys.lower_bound(first + wanted); above != m_keys.end())
        after = *above;
    else if (m_stored)
        after = std::pair{*m_stored, m_endKey};
    const int forwardSkip = first - beforeIndex - 1;
    if (after && after->first - (first + wanted) < forwardSkip)
        return readRows({beforeKey, after->second, true, wanted, after->first - (first + wanted)});
    std::vector<Row> rows = readRows({beforeKey, after ? after->second : m_endKey, false, wanted, forwardSkip});
    // Fewer rows than asked for, after every row before the window: the end.
    if (!m_stored && !after && int(rows.size()) < wanted && (!rows.empty() || forwardSkip == 0))
        m_stored = first + int(rows.size());
    return rows;
}

const Dataset::Window &Dataset::window(int number) const
{
    auto it = m_windows.find(number);
    if (it == m_windows.end()) {
        const int before = knownRowCount();
        std::vector<Row> rows = readWindow(number);
        const int first = number * m_windowRows;
        if (!rows.empty()) {
            m_keys[first] = rows.front().rowid;
            m_keys[first + int(rows.size()) - 1] = rows.back().rowid;
        }
        if (m_windows.size() >= kKeptWindows)
            m_windows.erase(std::min_element(m_windows.begin(), m_windows.end(), [](const auto &a, const auto &b) {
                return a.second.used < b.second.used;
            }));
        it = m_windows.emplace(number, Window{std::move(rows), 0}).first;
        found(first + int(it->second.rows.size()), before);
    }
    it->second.used = ++m_clock;
    return it->second;
}

void Dataset::found(int known, int before) const
{
    m_known = std::max(m_known, known);
    if (m_stored)
        m_known = *m_stored;
    if (knownRowCount() > before)
        Q_EMIT const_cast<Dataset *>(this)->rowsFound(knownRowCount()); // reading rows changes no row
}

const Dataset::Row *Dataset::rowPtr(int row) const
{
    if (m_state == State::Closed || row < 0)
        return nullptr;
    if (!m_stored || row < *m_stored) {
        const Window &rows = window(row / m_windowRows);
        if (size_t(row % m_windowRows) < rows.rows.size())
            return &rows.rows[size_t(row % m_windowRows)];
        if (!m_stored || row < *m_stored)
            return nullptr; // deleted elsewhere since the select ran
    }
    const size_t appended = size_t(row - *m_stored);
    return appended < m_appended.size() ? &m_appended[appended] : nullptr;
}

int Dataset::storedCount() const
{
    if (!m_stored) {
        const int before = knownRowCount();
        const qint64 counted =
            countRows(m_connection, statements::countBelow(m_select, m_connection.backend(), m_endKey), searchParams());
        // Rows read already stay, even when deleted elsewhere since.
        m_stored = std::max(int(std::min<qint64>(counted, std::numeric_limits<int>::max())), m_known);
        found(*m_stored, before);
    }
    return *m_stored;
}

int Dataset::rowCount() const
{
    return m_state == State::Closed ? 0 : storedCount() + int(m_appended.size());
}

int Dataset::knownRowCount() const
{
    return (m_stored ? *m_stored : m_known) + int(m_appended.size());
}

void Dataset::readMore()
{
    if (m_state != State::Closed && !m_stored)
        rowPtr(m_known);
}

void Dataset::resetRows()
{
    m_windows.clear();
    m_keys.clear();
    m_appended.clear();
    m_known = 0;
    m_stored = 0;
}

void Dataset::forgetFrom(int row)
{
    m_windows.erase(m_windows.lower_bound(row / m_windowRows), m_windows.end());
    std::map<int, qint64> keys;
    for (const auto &[index, key] : m_keys)
        if (index != row)
            keys.emplace(index < row ? index : index - 1, key);
    m_keys = std::move(keys);
    if (row < m_known)
        --m_known;
    if (m_stored)
        --*m_stored;
}

void Dataset::open()
{
    close();
    m_rowsRead = 0;
    m_connection.open(); // the statement depends on the store it opens
    QSqlQuery largest = m_connection.exec(statements::maxKey(m_select.table));
    const bool any = largest.next() && !largest.value(0).isNull();
    const qint64 maxKey = any ? largest.value(0).toLongLong() : kNoKey;
    // A table empty at open holds no stored rows, even when another PC
    // fills it before the first window is read: the bound is below every key.
    m_endKey = !any ? kNoKey + 1 : maxKey == std::numeric_limits<qint64>::max() ? maxKey : maxKey + 1;
    QStringList columns;
    std::vector<Row> rows = readRows({kNoKey, m_endKey, false, m_windowRows, 0}, &columns);
    const int width = int(columns.size());

    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < width; ++i)
        m_columnIndex.insert(columns[i], i);
    resetRows();
    m_known = int(rows.size());
    m_stored.reset();
    if (m_known < m_windowRows)
        m_stored = m_known;
    if (!rows.empty()) {
        m_keys[0] = rows.front().rowid;
        m_keys[m_known - 1] = rows.back().rowid;
    }
    m_windows.emplace(0, Window{std::move(rows), ++m_clock});
    m_state = State::Browse;
    m_current = m_known == 0 ? -1 : 0;
    m_eof = m_known == 0;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}

void Dataset::close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    resetRows();
    m_columns.clear();
    m_columnIndex.clear();
    m_buffer.clear();
    m_current = -1;
    m_eof = true;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}

QString Dataset::valueAt(int row, int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    const Row *held = rowPtr(row);
    return held ? held->value(column) : QString();
}

QStringView Dataset::viewAt(int row, int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    const Row *held = rowPtr(row);
    return held ? held->view(column) : QStringView();
}

QString Dataset::valueAt(int row, const QString &column) const
{
    requireOpen("读取字段");
    return valueAt(row, requireColumn(column));
}

qint64 Dataset::rowidAt(int row) const
{
    const Row *held = rowPtr(row);
    return held ? held->rowid : -1;
}

int Dataset::rowOfRowid(qint64 rowid) const
{
    if (rowid < 0 || m_state == State::Closed)
        return -1;
    // The current row is the usual answer, then the rows read.
    if (rowidAt(m_current) == rowid)
        return m_current;
    for (const auto &[number, held] : m_windows)
        for (size_t i = 0; i < held.rows.size(); ++i)
            if (held.rows[i].rowid == rowid)
                return number * m_windowRows + int(i);
    for (size_t i = 0; i < m_appended.size(); ++i)
        if (m_appended[i].rowid == rowid)
            return storedCount() + int(i);
    // A stored row not read: its place is the number of rows before it.
    if (rowid >= m_endKey || readRows({rowid - 1, rowid + 1, false, 1, 0}).empty())
        return -1;
    return int(
        countRows(m_connection, statements::countBelow(m_select, m_connection.backend(), rowid), searchParams()));
}

void Dataset::setCurrent(int row)
{
    if (!exists(0))
        row = -1;
    else if (row < 0)
        row = 0;
    else if (!exists(row))
        row = rowCount() - 1;
    if (row == m_current)
        return;
    m_current = row;
    Q_EMIT currentChanged(m_current);
}

void Dataset::first()
{
    m_eof = !exists(0);
    setCurrent(0);
}

void Dataset::last()
{
    m_eof = !exists(0);
    setCurrent(rowCount() - 1);
}

void Dataset::next()
{
    if (!exists(m_current + 1))
        m_eof = true;
    else
        setCurrent(m_current + 1);
}

void Dataset::moveTo(int row)
{
    m_eof = !exists(0);
    setCurrent(row);
}

void Dataset::requireOpen(const char *operation) const
{
    if (m_state == State::Closed)
        throw DbError(QStringLiteral(u"%1：数据集未打开，不能%2").arg(m_name, QString::fromUtf8(operation)));
}

int Dataset::requireColumn(const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0)
        throw DbError(QStringLiteral(u"%1：找不到字段“%2”").arg(m_name, column));
    return index;
}

QString Dataset::value(const QString &column) const
{
    requireOpen("读取字段");
    const int index = requireColumn(column);
    if (m_state == State::Edit || m_state == State::Insert) {
        const auto it = m_buffer.find(index);
        if (it != m_buffer.end())
            return it->second;
        if (m_state == State::Insert)
            return {};
    }
    const Row *current = rowPtr(m_current);
    return current ? current->value(index) : QString();
}

void Dataset::edit()
{
    requireOpen("编辑");
    m_buffer.clear();
    m_state = exists(0) ? State::Edit : State::Insert;
}

void Dataset::append()
{
    requireOpen("新增");
    m_buffer.clear();
    m_state = State::Insert;
}

void Dataset::setValue(const QString &column, const QString &text)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbError(QStringLiteral(u"%1：数据集不在编辑状态").arg(m_name));
    m_buffer[requireColumn(column)] = text;
}

void Dataset::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert)
        m_state = State::Browse;
    m_buffer.clear();
}

void Dataset::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    QStringList columns;
    QVariantList params;
    for (const auto &[index, text] : m_buffer) {
        columns << m_columns[index];
        params << text;
    }

    if (m_state == State::Insert) {
        // The new row's place: after every stored row (counted once).
        const int at = rowCount();
        QSqlQuery query =
            m_connection.exec(statements::insertRow(m_select.table, columns, m_connection.backend()), params);
        QStringList values(columnCount());
        for (const auto &[index, text] : m_buffer)
            values[index] = text;
        Row row;
        row.rowid = m_connection.backend() == Backend::Sqlite ? query.lastInsertId().toLongLong()
                                                              : (query.next() ? query.value(0).toLongLong() : -1);
        row.assign(values);
        Q_EMIT aboutToInsertRow(at);
        m_appended.push_back(std::move(row));
        m_buffer.clear();
        m_state = State::Browse;
        Q_EMIT rowInserted(at);
        m_eof = false;
        setCurrent(at);
        return;
    }

    if (!columns.isEmpty()) {
        const Row *current = rowPtr(m_current);
        if (!current)
            throw DbError(
                QStringLiteral(u"要修改的%1已不存在（可能已被删除），修改未保存。").arg(rowWord(m_select.table)));
        Row row = *current;
        params << row.rowid;
        QSqlQuery query = m_connection.exec(statements::updateUnchangedRow(m_select.table, columns, m_columns),
                                            params + snapshotParams(row));
        if (query.numRowsAffected() == 0)
            writeIfAsRead(
                row, [&] { m_connection.exec(statements::updateRow(m_select.table, columns), params); },
                QStringLiteral(u"要修改的%1已在别处（其他电脑或窗口）被修改，修改未保存。请按“刷新”后再修改。")
                    .arg(rowWord(m_select.table)),
                QStringLiteral(u"要修改的%1已不存在（可能已被删除），修改未保存。").arg(rowWord(m_select.table)));
        QStringList values = row.values();
        for (const auto &[index, text] : m_buffer)
            values[index] = text;
        row.assign(values);
        if (Row *held = rowPtr(m_current))
            *held = std::move(row);
        Q_EMIT rowChanged(m_current);
    }
    m_buffer.clear();
    m_state = State::Browse;
}

QVariantList Dataset::snapshotParams(const Row &row) const
{
    // Bound as texts, never NULL: the statement compares NULL as empty.
    QVariantList params;
    for (int i = 0; i < columnCount(); ++i) {
        const QString value = row.value(i);
        params << (value.isNull() ? QStringLiteral("") : value);
    }
    return params;
}

void Dataset::writeIfAsRead(const Row &row, const std::function<void()> &write, const QString &changed,
                            const QString &gone)
{
    // The texts may not compare in SQL although they are as read (bytes
    // that are not UTF-8, a value of another type): the stored row is read
    // and compared as the snapshot was decoded, under the write lock.
    m_connection.inTransaction([&] {
        switch (storedState(row)) {
        case Stored::Gone:
            throw DbError(gone);
        case Stored::Changed:
            throw DbError(changed);
        case Stored::AsRead:
            write();
        }
    });
}

void Dataset::deleteCurrent()
{
    requireOpen("删除");
    if (!hasCurrent())
        throw DbError(QStringLiteral(u"没有可删除的%1").arg(rowWord(m_select.table)));
    cancel();
    const int row = m_current;
    const Row *current = rowPtr(row);
    if (!current)
        throw DbError(
            QStringLiteral(u"要删除的%1已不存在（可能已被别处删除）。请按“刷新”。").arg(rowWord(m_select.table)));
    const Row doomed = *current;
    QSqlQuery query = m_connection.exec(statements::deleteUnchangedRow(m_select.table, m_columns),
                                        QVariantList{doomed.rowid} + snapshotParams(doomed));
    if (query.numRowsAffected() == 0)
        writeIfAsRead(
            doomed, [&] { m_connection.exec(statements::deleteRow(m_select.table), {doomed.rowid}); },
            QStringLiteral(u"要删除的%1已在别处（其他电脑或窗口）被修改，未删除。请按“刷新”后再看。")
                .arg(rowWord(m_select.table)),
            QStringLiteral(u"要删除的%1已不存在（可能已被别处删除）。请按“刷新”。").arg(rowWord(m_select.table)));
    Q_EMIT aboutToRemoveRow(row);
    if (m_stored && row >= *m_stored)
        m_appended.erase(m_appended.begin() + (row - *m_stored));
    else
        forgetFrom(row);
    Q_EMIT rowRemoved(row);
    m_eof = !exists(0);
    m_current = exists(row) ? row : (exists(row - 1) ? row - 1 : -1);
    Q_EMIT currentChanged(m_current);
}

void Dataset::deleteAll()
{
    requireOpen("删除");
    cancel();
    if (!exists(0))
        return;
    // The stored rows the select holds in one statement, then those appended.
    std::vector<QVariantList> rowids;
    for (const Row &row : m_appended)
        rowids.push_back({row.rowid});
    QVariantList params;
    for (const QString &param : searchParams())
        params << param;
    m_connection.inTransaction([&] {
        m_connection.exec(statements::deleteBelow(m_select, m_connection.backend(), m_endKey), params);
        m_connection.execMany(statements::deleteRow(m_select.table), rowids);
    });
    resetRows();
    m_current = -1;
    m_eof = true;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}
