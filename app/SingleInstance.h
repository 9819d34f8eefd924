#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <set>

class QSocketNotifier;

// Keeps the program to one copy per user: the first copy listens on a local socket; a second
// copy finds it, asks it to bring its main window forward, and exits. The same socket carries
// the commands of the command line to the running copy.
//
// The exchange, one per connection: the caller sends one line, "<command>[ <argument>]\n"; the
// running copy answers with lines and closes the connection. The first answer line is "ok" or
// "error <reason>"; a command may add lines of its own after "ok". Known commands: "show"
// (bring the main window forward), "quit" and "version" (its answer's second line); the program
// adds "status", "ping" and "follow". A following command ("follow") keeps its connection: the
// running copy adds lines to it (Publish) until either side closes it.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // Key: the socket's name (per user; tests pass their own), or an absolute path.
    explicit TSingleInstance(const QString& key, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when another copy of this user answered and was asked to come forward: this copy
    // should exit.
    bool AnotherIsRunning() { return Send("show").has_value(); }
    // Sends a command line to the running copy of this user and returns its answer (empty when
    // it did not answer within Ms milliseconds), or nothing when no copy runs.
    std::optional<QByteArray> Send(const QByteArray& Command, int Ms = 3000);
    // Sends a following command and hands each line of the answer to OnLine (the first is "ok"
    // or "error ...") until the running copy closes the connection or OnLine returns false.
    // False when no copy runs.
    bool Follow(const QByteArray& Command, const std::function<bool(const QByteArray&)>& OnLine);

    // Starts listening; the handlers run whenever a later copy sends their command. False when
    // the socket cannot be made (the program then runs on without the guard).
    bool Listen();
    // The "show" command.
    std::function<void()> OnActivate;
    // Handles a command: gets its argument, returns the answer lines to add after "ok".
    using THandler = std::function<QByteArray(const QByteArray& Argument)>;
    void Handle(const QByteArray& Command, THandler Handler) { FHandlers[Command] = Handler; }
    // A command whose connection stays open after its answer, to receive what is published.
    void HandleFollowing(const QByteArray& Command, THandler Handler);
    // Sends lines to every open following connection. One that cannot take them at once (its
    // reader stalled) or that its reader closed is dropped: the user interface never waits.
    void Publish(const QByteArray& Lines);
    int Followers() const { return int(FFollowers.size()); }

    // The key for the current user.
    static QString DefaultKey();
    // The key this program uses: ZMPING2_INSTANCE_KEY when set (a named copy beside the usual
    // one), else DefaultKey().
    static QString InstanceKey();
    // Where the socket of a key lies: the user's runtime folder when there is one, which no
    // other user can write to; otherwise the temporary folder.
    static QString SocketPath(const QString& key);

private:
    void Accept();
    void ReadFrom(int fd);
    void Drop(int fd);
    void DropFollower(int fd);
    QByteArray Answer(const QByteArray& Line);

    QString FPath;
    int FListener = -1;
    QSocketNotifier* FListenNotifier = nullptr;
    struct TClient {
        QSocketNotifier* Notifier = nullptr;
        QByteArray Data;
    };
    std::map<int, TClient> FClients;
    std::map<QByteArray, THandler> FHandlers;
    std::set<QByteArray> FFollowing; // the commands that keep their connection
    std::map<int, QSocketNotifier*> FFollowers;
};
