#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace tessary {

// Keeps the editor to one running instance per program folder (two instances
// on one folder would share its preference and swap files). The first
// instance listens on a local socket named after the product, the user and
// the folder; a later start connects to it, hands over its command line and
// working directory, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `serverName` as made by serverNameFor().
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "Tessary-<user id>-<hash of the folder's absolute path>".
    static QString serverNameFor(const QString& programFolder);

    const QString& serverName() const { return m_serverName; }

    // Looks for a running instance; when one answers, sends it `arguments`
    // with `workingDirectory` and waits up to `timeoutMs` for its receipt.
    // True when an instance was found (this process should then end), even
    // when the receipt did not come in time.
    bool handOver(const QStringList& arguments, const QString& workingDirectory,
                  int timeoutMs = 5000);

    // Starts listening for later starts (removing a socket left behind by an
    // instance that crashed). False when the name cannot be taken.
    bool listen();
    bool listening() const;

signals:
    // A later start handed over its command line.
    void commandLineReceived(const QStringList& arguments, const QString& workingDirectory);

private:
    void acceptConnection();
    void readMessage(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

}  // namespace tessary
