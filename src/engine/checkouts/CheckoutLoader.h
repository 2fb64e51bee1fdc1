#pragma once

#include "CheckoutReader.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <memory>

// What to read, and with which login.
struct CheckoutSource
{
    QString iniPath;
    QString user;
    QString password;
    CheckoutRoots roots; // "$/", or the watched entries
};

// Reads check-outs on a thread of its own, so that a window stays
// responsive on a large database: rows, progress and the end are handed to
// the callbacks on the thread that owns the loader, rows in batches (the
// first soon after it was found). The session is kept open between reads
// of the same database, so a second read costs little. One read at a time:
// a new one cancels the read under way.
class CheckoutLoader : public QObject
{
public:
    struct Result
    {
        bool cancelled = false;
        QString error;        // the database could not be opened or read at all
        QStringList problems; // items that could not be read, with the reason
        int items = 0;        // items walked
    };

    explicit CheckoutLoader(RepositoryFactory factory, QObject *parent = nullptr);
    ~CheckoutLoader() override;

    std::function<void(std::vector<CheckedOutFile> rows)> onRows;
    std::function<void(int items)> onProgress;
    std::function<void(const Result &result)> onFinished;

    void start(const CheckoutSource &source);
    // Stops the read under way after the item being read.
    void cancel();
    bool running() const { return m_thread && m_thread->isRunning(); }

private:
    void read(const CheckoutSource &source, int generation);
    void post(int generation, std::function<void()> call);
    void wait();

    RepositoryFactory m_factory;
    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_cancel{false};
    std::atomic_int m_generation{0};
    // Used only by the reading thread, one read at a time.
    std::unique_ptr<VSSDatabase> m_db;
    CheckoutSource m_opened; // the login m_db was opened with
};
