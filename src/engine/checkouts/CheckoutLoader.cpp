#include "CheckoutLoader.h"

#include <QElapsedTimer>
#include <QScopeGuard>

namespace {

// Rows are handed on at least this often while reading, and progress too.
constexpr int BatchMs = 100;
constexpr size_t BatchRows = 2000;

} // namespace

CheckoutLoader::CheckoutLoader(RepositoryFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory))
{}

CheckoutLoader::~CheckoutLoader()
{
    cancel();
    wait();
}

void CheckoutLoader::cancel()
{
    m_cancel = true;
}

void CheckoutLoader::wait()
{
    if (m_thread)
        m_thread->wait();
    m_thread.reset();
}

void CheckoutLoader::start(const CheckoutSource &source)
{
    cancel();
    wait();
    m_cancel = false;
    const int generation = ++m_generation;
    m_thread.reset(QThread::create([this, source, generation] { read(source, generation); }));
    m_thread->start();
}

// Runs `call` on the loader's own thread unless a newer read started.
void CheckoutLoader::post(int generation, std::function<void()> call)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, call = std::move(call)] {
            if (generation == m_generation)
                call();
        },
        Qt::QueuedConnection);
}

void CheckoutLoader::read(const CheckoutSource &source, int generation)
{
    Result result;
    try {
        if (!m_db || m_opened.iniPath != source.iniPath || m_opened.user != source.user ||
            m_opened.password != source.password) {
            m_db.reset();
            auto db = m_factory();
            db->Open(source.iniPath, source.user, source.password);
            m_db = std::move(db);
            m_opened = source;
        }
        // A read of its own: listings a read a moment ago took are taken afresh.
        m_db->BeginPoll();
        const auto endPass = qScopeGuard([this] { m_db->EndPoll(); });
        std::vector<CheckedOutFile> batch;
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        const auto flush = [&] {
            if (onProgress)
                post(generation, [this, items = result.items] { onProgress(items); });
            if (!batch.empty() && onRows)
                post(generation,
                     [this, rows = std::move(batch)]() mutable { onRows(std::move(rows)); });
            batch.clear();
            sinceBatch.restart();
        };
        CheckoutReader::read(
            *m_db, source.roots,
            [&](CheckedOutFile &&row) {
                batch.push_back(std::move(row));
                if (batch.size() >= BatchRows)
                    flush();
            },
            [&](const QString &spec, const QString &description) {
                result.problems << spec + QStringLiteral(": ") + description;
            },
            [&] {
                if (m_cancel.load())
                    return false;
                ++result.items;
                if (sinceBatch.hasExpired(BatchMs))
                    flush();
                return true;
            });
        flush();
        result.cancelled = m_cancel.load();
    } catch (const std::exception &e) {
        m_db.reset();
        result.error = QString::fromUtf8(e.what());
    }
    if (onFinished)
        post(generation, [this, result] { onFinished(result); });
}
