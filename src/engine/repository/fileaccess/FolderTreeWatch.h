#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One change notification on a folder and everything below it, however many
// files lie there: watching costs one handle and no look at any file
// (Windows: ReadDirectoryChangesW over the whole tree, one request waiting
// at a time, on the local disk or at a file server). Each change comes into
// the event loop as the path of the entry below the folder ('/'-separated)
// and whether a name came or went (added, removed, renamed) rather than a
// file was written. An empty path means changes were lost (the system's
// buffer ran over, or the request failed): the caller looks for itself. A
// failed request ends the watch; it is made again after a pause that grows
// from 1 to 30 s, or when start() is called again.
// Elsewhere start() fails: Linux watches each folder with inotify.
class FolderTreeWatch : public QObject
{
public:
    using Callback = std::function<void(const QString &path, bool nameChanged)>;

    explicit FolderTreeWatch(QObject *parent = nullptr);
    ~FolderTreeWatch() override;

    // Watches `folder` (replacing what was watched); false and `reason`
    // set when the system refuses.
    bool start(const QString &folder, Callback onChange, QString &reason);
    void stop();
    // A request is waiting for the next change.
    bool armed() const;

private:
    struct Request;
    bool open(QString &reason);
    void close();
    void completed();
    void retryLater();

    QString m_folder;
    Callback m_onChange;
    std::unique_ptr<Request> m_request;
    int m_pauseMs = 0; // before the next try after a failure; 0: none due
};
