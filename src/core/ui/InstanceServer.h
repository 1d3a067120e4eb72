#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QString>

class QLocalServer;

// The first instance's ear: a local socket named after the machine, on which a second start
// asks the running instance to come forward. Machines of different roots never share a name,
// so tests on different machines never meet.
namespace lumexa::core::ui {

class TInstanceServer : public QObject
{
    Q_OBJECT

public:
    explicit TInstanceServer(const std::string& machineRoot, QObject* parent = nullptr);
    ~TInstanceServer() override;

    // Starts listening; the caller holds the single-instance mutex, so a socket left behind by
    // a process that died is removed first.
    bool Listen();

    // "lumexa-" and a hash of the machine's root.
    static QString SocketName(const std::string& machineRoot);
    // Asks the instance running on the machine to come forward; false when none listens.
    static bool NotifyRunningInstance(const std::string& machineRoot);

signals:
    void ActivationRequested();

private:
    QString m_name;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace lumexa::core::ui
