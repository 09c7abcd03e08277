#include "common/stderr_capture.h"

#include <QString>
#include <unistd.h>

StderrCapture::StderrCapture() : m_file(std::tmpfile())
{
    std::fflush(stderr);
    m_saved = m_file ? ::dup(STDERR_FILENO) : -1;
    if (m_saved >= 0 && ::dup2(::fileno(m_file), STDERR_FILENO) < 0) {
        ::close(m_saved);
        m_saved = -1;
    }
}

StderrCapture::~StderrCapture()
{
    restore();
    if (m_file)
        std::fclose(m_file);
}

QStringList StderrCapture::lines()
{
    restore();
    if (!m_file)
        return {};
    std::rewind(m_file);
    QByteArray text;
    char chunk[4096];
    while (const size_t n = std::fread(chunk, 1, sizeof chunk, m_file))
        text.append(chunk, qsizetype(n));
    QStringList result;
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty() && !result.contains(line.trimmed()))
            result << line.trimmed();
    return result;
}

void StderrCapture::restore()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
    m_saved = -1;
}
