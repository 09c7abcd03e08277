#include "store/dataset.h"

#include "store/bulk_rows.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"

#include <QStringDecoder>
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

void Dataset::open()
{
    close();
    m_connection.open(); // the statement depends on the store it opens
    QStringList params;
    if (m_select.isSearch())
        params << statements::likePattern(m_select.likeText);
    std::vector<Row> rows;
    QStringDecoder decoder = storedTextDecoder();
    QList<QChar> scratch;
    const QStringList columns =
        selectRows(m_connection, statements::selectWithRowid(m_select, m_connection.backend()), params,
                   [&](const SelectedRow &selected) { rows.push_back(decodedRow(selected, decoder, scratch)); });
    const int width = int(columns.size());

    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < width; ++i)
        m_columnIndex.insert(columns[i], i);
    m_rows = std::move(rows);
    m_state = State::Browse;
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}

void Dataset::close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_rows.clear();
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
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_rows[size_t(row)].value(column);
}

QStringView Dataset::viewAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_rows[size_t(row)].view(column);
}

QString Dataset::valueAt(int row, const QString &column) const
{
    requireOpen("读取字段");
    return valueAt(row, requireColumn(column));
}

qint64 Dataset::rowidAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].rowid : -1;
}

int Dataset::rowOfRowid(qint64 rowid) const
{
    if (rowid < 0)
        return -1;
    // The current row is the usual answer; otherwise search the list.
    if (rowidAt(m_current) == rowid)
        return m_current;
    const auto it =
        std::find_if(m_rows.cbegin(), m_rows.cend(), [rowid](const Row &row) { return row.rowid == rowid; });
    return it == m_rows.cend() ? -1 : int(it - m_rows.cbegin());
}

void Dataset::setCurrent(int row)
{
    if (m_rows.empty())
        row = -1;
    else
        row = std::clamp(row, 0, rowCount() - 1);
    if (row == m_current)
        return;
    m_current = row;
    Q_EMIT currentChanged(m_current);
}

void Dataset::first()
{
    m_eof = m_rows.empty();
    setCurrent(0);
}

void Dataset::last()
{
    m_eof = m_rows.empty();
    setCurrent(rowCount() - 1);
}

void Dataset::next()
{
    if (m_current + 1 >= rowCount())
        m_eof = true;
    else
        setCurrent(m_current + 1);
}

void Dataset::moveTo(int row)
{
    m_eof = m_rows.empty();
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
    return hasCurrent() ? m_rows[size_t(m_current)].value(index) : QString();
}

void Dataset::edit()
{
    requireOpen("编辑");
    m_buffer.clear();
    m_state = m_rows.empty() ? State::Insert : State::Edit;
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
        QSqlQuery query =
            m_connection.exec(statements::insertRow(m_select.table, columns, m_connection.backend()), params);
        QStringList values(columnCount());
        for (const auto &[index, text] : m_buffer)
            values[index] = text;
        Row row;
        row.rowid = m_connection.backend() == Backend::Sqlite ? query.lastInsertId().toLongLong()
                                                              : (query.next() ? query.value(0).toLongLong() : -1);
        row.assign(values);
        Q_EMIT aboutToInsertRow(rowCount());
        m_rows.push_back(std::move(row));
        m_buffer.clear();
        m_state = State::Browse;
        Q_EMIT rowInserted(rowCount() - 1);
        m_eof = false;
        setCurrent(rowCount() - 1);
        return;
    }

    if (!columns.isEmpty()) {
        Row &row = m_rows[size_t(m_current)];
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
    const Row &doomed = m_rows[size_t(row)];
    QSqlQuery query = m_connection.exec(statements::deleteUnchangedRow(m_select.table, m_columns),
                                        QVariantList{doomed.rowid} + snapshotParams(doomed));
    if (query.numRowsAffected() == 0)
        writeIfAsRead(
            doomed, [&] { m_connection.exec(statements::deleteRow(m_select.table), {doomed.rowid}); },
            QStringLiteral(u"要删除的%1已在别处（其他电脑或窗口）被修改，未删除。请按“刷新”后再看。")
                .arg(rowWord(m_select.table)),
            QStringLiteral(u"要删除的%1已不存在（可能已被别处删除）。请按“刷新”。").arg(rowWord(m_select.table)));
    Q_EMIT aboutToRemoveRow(row);
    m_rows.erase(m_rows.begin() + row);
    Q_EMIT rowRemoved(row);
    m_eof = m_rows.empty();
    m_current = m_rows.empty() ? -1 : (row < rowCount() ? row : row - 1);
    Q_EMIT currentChanged(m_current);
}

void Dataset::deleteAll()
{
    requireOpen("删除");
    cancel();
    if (m_rows.empty())
        return;
    std::vector<QVariantList> rowids;
    rowids.reserve(m_rows.size());
    for (const Row &row : m_rows)
        rowids.push_back({row.rowid});
    m_connection.inTransaction([&] { m_connection.execMany(statements::deleteRow(m_select.table), rowids); });
    m_rows.clear();
    m_current = -1;
    m_eof = true;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}
