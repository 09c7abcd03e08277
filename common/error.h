#pragma once
// The one error type of the program: every failure carries a text for the
// user. The store, the workbook reader, the writers and the file helpers
// throw thin subclasses of it; the windows' error boundary and the command
// line's show the text unchanged.

#include <QString>
#include <stdexcept>

class AppError : public std::runtime_error {
public:
    explicit AppError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// A file could not be read, written or put in place.
class FileError : public AppError {
public:
    using AppError::AppError;
};
