#pragma once
// One running copy per program path: the first start holds a lock file and
// listens on a local socket, both named after the program's path, for its
// whole run; a later start finds the lock taken, hands its file to the socket
// and ends. Two starts at the same moment cannot both become first: only one
// of them gets the lock.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;
class QLocalSocket;

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(const QString& programPath, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The socket name for a program path (the same user and path give the same name).
    static QString NameFor(const QString& programPath);
    QString Name() const { return name; }

    // True when another copy runs: args (args[1] = file) went to it and this
    // process must end. False: this process is the first and now listens.
    // A relative file is resolved against workingDir; an empty one only
    // activates the other copy. connectMs bounds the wait for the other copy's
    // socket (it may still be starting).
    bool CheckInstance(const QStringList& args, const QString& workingDir, int connectMs = 5000);
    // True while this process holds the lock (it is the first).
    bool IsFirst() const { return lock != nullptr; }

    // The main window is ready: requests that came before go to the handlers now,
    // later ones as they arrive.
    using ActivateHandler = std::function<void()>;
    using OpenHandler = std::function<void(const QString& path)>;
    void SetInstanceWindow(ActivateHandler activate, OpenHandler open);

    // Stops listening and gives the lock back (end of the program).
    void ReleaseInstance();
    // Where the lock file lies (the temporary folder).
    QString LockPath() const { return lockPath; }

    // The wire form of one request.
    static QByteArray EncodeRequest(bool hasFile, const QString& path);
    // Takes one whole request from the front of buffer; false while incomplete.
    static bool DecodeRequest(QByteArray& buffer, bool& hasFile, QString& path);

private:
    void OnNewConnection();
    void OnReadable(QLocalSocket* socket);
    void Deliver(bool hasFile, const QString& path);
    static bool Send(const QString& name, bool hasFile, const QString& path, int connectMs);

    struct Request {
        bool hasFile;
        QString path;
    };
    QString name;
    QString lockPath;
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
    QList<Request> pending;
    bool ready = false;
    ActivateHandler onActivate;
    OpenHandler onOpen;
};
