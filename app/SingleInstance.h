#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// Keeps the program to one copy per user: the first copy listens on a local socket; a second
// copy finds it, asks it to bring its main window forward, and exits.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // Key: the socket's name (per user; tests pass their own).
    explicit TSingleInstance(const QString& key, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when another copy answered and was asked to come forward: this copy should exit.
    bool AnotherIsRunning();
    // Starts listening; OnActivate runs whenever a later copy knocks.
    bool Listen();
    std::function<void()> OnActivate;

    // The key for the current user.
    static QString DefaultKey();

private:
    QString FKey;
    QLocalServer* FServer = nullptr;
};
