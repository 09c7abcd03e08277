#pragma once
// The forms an office defines for itself, kept in data.mdb in a table of
// their own (forms: code, name and the form file's text with the picture
// inside), so that backup, restore and a shared server carry them like the
// rest of the data. A database without the table has no such forms; the
// table is made when the first form is saved.

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

class Connection;

struct StoredForm {
    QString code;
    QString name;
    QByteArray document; // the form file's text (waybill/user_form.h)
};

class FormStore {
public:
    explicit FormStore(Connection &connection) : m_connection(connection) {}

    // Every form, by code.
    QList<StoredForm> list();
    // Every form's code and name, by code (no form files: they hold the pictures).
    QList<QPair<QString, QString>> names();
    std::optional<StoredForm> find(const QString &code);
    // Adds a form; throws AppError when its code or its name is taken.
    void add(const StoredForm &form);
    // Adds a form, or replaces the one of its code (the designer saving an
    // edited form); throws AppError when another form has its name.
    void save(const StoredForm &form);
    // Forgets a form and its saved positions; false when there was none of that code.
    bool remove(const QString &code);

    // Makes the table, inside the caller's transaction.
    void ensureTable();
    static const QStringList &columnNames();

private:
    bool tableExists();
    Connection &m_connection;
};
