#pragma once

#include <QSaveFile>
#include <QString>

#include <functional>
#include <memory>

class QFile;

// Replaces a file's content so that every reader sees either the old or the
// new content, never a mix or an empty file: the new bytes go to a temporary
// file in the same folder, which is flushed to disk and then renamed over the
// old file, keeping the old file's permissions. Until commit() succeeds the
// old file is untouched; an AtomicFile destroyed without commit() removes its
// temporary file. Failures are raised as ZelError.
//
// Where the folder takes no new file but the file itself can be written, the
// file is rewritten in place instead of refusing the change (and losing the
// record it was made for): see commit().
class AtomicFile
{
public:
    // How copyPrefix() put the old bytes into the new file.
    enum class CopyMethod
    {
        None,
        Clone,
        KernelCopy,
        ReadWrite
    };

    AtomicFile(const QString &path, const QString &source);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Starts the new content with the first `length` bytes of `sourcePath`,
    // as cheaply as the platform allows: shared extents (reflink) where the
    // file system has them, else an in-kernel copy, else a plain copy.
    // Call before write().
    void copyPrefix(const QString &sourcePath, qint64 length);
    void write(const QByteArray &bytes);
    // Replaces the old file by the new content; returns its length in bytes.
    // In place, the bytes from copyPrefix() of the file itself stay where
    // they are, the rest is written over the old bytes from there on and the
    // file is then cut to its new length and synced.
    qint64 commit();
    // Whether this replacement is made in place (the folder refused a
    // temporary file).
    bool inPlace() const { return m_inPlace; }

    static CopyMethod lastCopyMethod();

    // Test hook: runs when the new content is on disk, just before it
    // replaces the old file. An exception thrown here abandons the
    // replacement (as a crash at that moment would). Empty: no hook.
    static void setBeforeReplaceHook(std::function<void(const QString &path)> hook);

private:
    bool cloneFrom(int sourceFd, qint64 length);
    bool kernelCopyFrom(int sourceFd, qint64 length);
    void plainCopyFrom(QFile &source, qint64 length);
    qint64 commitInPlace();

    QSaveFile m_file;
    bool m_inPlace = false;
    std::unique_ptr<QFile> m_target; // in place: the file itself, open to read and write
    qint64 m_kept = 0;               // in place: leading bytes that stay as they are
    QByteArray m_pending;            // in place: the bytes after them
    QString m_source;
    qint64 m_length = 0;
};
