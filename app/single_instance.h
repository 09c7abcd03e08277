#pragma once
// One desktop program per data file. The first start on a data.mdb listens
// on a local socket named after the file; a later start on the same file
// asks that program to come to the front (offering the workbook it was
// started with, if any) and ends instead of opening a second main window
// over the same data. Starts on other data files are not concerned.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataFile, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Start {
        First,     // no program runs on the file: this one listens now
        HandedOver // a program on the file took the request: this start ends
    };
    // Throws AppError when a program runs on the file but does not answer.
    Start claim(const QString &workbook = {});

    // The socket's name for a data file (the user's own, per file).
    static QString serverName(const QString &dataFile);

Q_SIGNALS:
    // A later start asked to come to the front; workbook: the file it was
    // started with (empty when none).
    void activationRequested(const QString &workbook);

private:
    bool handOver(const QString &workbook);
    void answer();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
