// The send queue: a FIFO of at most SEND_QUEUE_MAX messages filled by both threads and
// emptied by the socket thread, guarded by one lock taken with a bounded wait.
#include "Link_config.h"
#include "Netcom.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

std::deque<std::unique_ptr<NetMessage>> queue_nodes;
std::atomic<std::uint16_t> queue_size{0};

// A binary semaphore (initially free): a taker waits at most the given time for it.
class BinarySemaphore {
public:
    bool try_acquire_for(std::chrono::milliseconds wait)
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, wait, [this] { return free_; }))
            return false;
        free_ = false;
        return true;
    }
    void release()
    {
        {
            std::lock_guard lock(mutex_);
            free_ = true;
        }
        changed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool free_ = true;
};

// Created and closed by the main thread while the socket thread is not running.
std::unique_ptr<BinarySemaphore> send_queue_lock;

// Holds the queue lock for one queue call, when it could be taken.
class QueueGuard {
public:
    QueueGuard() : locked_(send_queue_lock_take()) {}
    ~QueueGuard()
    {
        if (locked_)
            send_queue_lock_release();
    }
    QueueGuard(const QueueGuard&) = delete;
    QueueGuard& operator=(const QueueGuard&) = delete;

    explicit operator bool() const { return locked_; }

private:
    bool locked_;
};

void clear_nodes()
{
    queue_nodes.clear();
    queue_size = 0;
}

} // namespace

void send_queue_lock_create()
{
    if (!send_queue_lock)
        send_queue_lock = std::make_unique<BinarySemaphore>();
}

bool send_queue_lock_take()
{
    if (!send_queue_lock)
        return false;
    for (int attempt = 0; attempt < link_config.queue_lock_attempts; ++attempt)
        if (send_queue_lock->try_acquire_for(link_config.queue_lock_wait))
            return true;
    return false;
}

void send_queue_lock_release()
{
    if (send_queue_lock)
        send_queue_lock->release();
}

void send_queue_lock_close()
{
    clear_nodes();
    send_queue_lock.reset();
}

void queue_push(std::unique_ptr<NetMessage> message)
{
    if (!message)
        return;
    QueueGuard guard;
    if (!guard || queue_nodes.size() >= SEND_QUEUE_MAX)
        return; // dropped silently
    queue_nodes.push_back(std::move(message));
    queue_size = static_cast<std::uint16_t>(queue_nodes.size());
}

NetMessage* queue_peek()
{
    QueueGuard guard;
    if (!guard || queue_nodes.empty())
        return nullptr;
    return queue_nodes.front().get();
}

void queue_pop()
{
    QueueGuard guard;
    if (!guard || queue_nodes.empty())
        return;
    queue_nodes.pop_front();
    queue_size = static_cast<std::uint16_t>(queue_nodes.size());
}

std::unique_ptr<NetMessage> queue_take()
{
    QueueGuard guard;
    if (!guard || queue_nodes.empty())
        return nullptr;
    std::unique_ptr<NetMessage> head = std::move(queue_nodes.front());
    queue_nodes.pop_front();
    queue_size = static_cast<std::uint16_t>(queue_nodes.size());
    return head;
}

void queue_flush()
{
    QueueGuard guard;
    if (!guard)
        return;
    clear_nodes();
}

std::uint16_t queue_count()
{
    return queue_size.load();
}
