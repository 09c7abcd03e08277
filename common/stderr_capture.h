#pragma once
// What a library says on stderr only (libmdb's warnings, libxlsxwriter's
// errors naming the temporary file it writes): while an object of this
// class lives, stderr goes to an unnamed temporary file, and its lines can
// be read back.

#include <QStringList>
#include <cstdio>

class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // The lines written so far, each once (stderr is given back first).
    QStringList lines();

private:
    void restore();

    std::FILE *m_file;
    int m_saved = -1;
};
