#pragma once
// The one exception type of the data store: it carries the database's own
// text, which the error boundary shows to the user unchanged.

#include <QString>
#include <stdexcept>

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};
