#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QSocketNotifier;

// Keeps the program to one copy per user: the first copy listens on a local socket; a second
// copy finds it, asks it to bring its main window forward, and exits.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // Key: the socket's name (per user; tests pass their own), or an absolute path.
    explicit TSingleInstance(const QString& key, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when another copy of this user answered and was asked to come forward: this copy
    // should exit.
    bool AnotherIsRunning();
    // Starts listening; OnActivate runs whenever a later copy knocks. False when the socket
    // cannot be made (the program then runs on without the guard).
    bool Listen();
    std::function<void()> OnActivate;

    // The key for the current user.
    static QString DefaultKey();
    // Where the socket of a key lies: the user's runtime folder when there is one, which no
    // other user can write to; otherwise the temporary folder.
    static QString SocketPath(const QString& key);

private:
    void Accept();
    void ReadFrom(int fd);
    void Drop(int fd);

    QString FPath;
    int FListener = -1;
    QSocketNotifier* FListenNotifier = nullptr;
    struct TClient {
        QSocketNotifier* Notifier = nullptr;
        QByteArray Data;
    };
    std::map<int, TClient> FClients;
};
