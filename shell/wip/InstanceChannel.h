#pragma once
// One running copy per program path: the first start listens on a local
// socket named after the program's path; a later start hands its file to it
// and ends. A lock file makes the check and the listen one step, so two starts
// at the same moment cannot both become first.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
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
    // activates the other copy.
    bool CheckInstance(const QStringList& args, const QString& workingDir);

    // The main window is ready: requests that came before go to the handlers now,
    // later ones as they arrive.
    using ActivateHandler = std::function<void()>;
    using OpenHandler = std::function<void(const QString& path)>;
    void SetInstanceWindow(ActivateHandler activate, OpenHandler open);

    // Stops listening (end of the program).
    void ReleaseInstance();

    // The wire form of one request.
    static QByteArray EncodeRequest(bool hasFile, const QString& path);
    // Takes one whole request from the front of buffer; false while incomplete.
    static bool DecodeRequest(QByteArray& buffer, bool& hasFile, QString& path);

private:
    void OnNewConnection();
    void OnReadable(QLocalSocket* socket);
    void Deliver(bool hasFile, const QString& path);

    struct Request {
        bool hasFile;
        QString path;
    };
    QString name;
    QString lockPath;
    QLocalServer* server = nullptr;
    QList<Request> pending;
    bool ready = false;
    ActivateHandler onActivate;
    OpenHandler onOpen;
};
