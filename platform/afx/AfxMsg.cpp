// SPDX-License-Identifier: Apache-2.0
#include "AfxMsg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include "AfxQt.h"
#include "AfxWnd.h"

namespace afx::detail {
namespace {

struct WindowEntry {
    CWnd* pWnd = nullptr;
    uint64_t serial = 0;
};

// Posting and delivery only read the registry; they never wait for each other.
std::shared_mutex& RegistryLock() {
    static std::shared_mutex m;
    return m;
}
std::unordered_map<QWidget*, WindowEntry>& Registry() {
    static std::unordered_map<QWidget*, WindowEntry> map;
    return map;
}
uint64_t g_nextSerial = 1;

std::mutex& DisposerLock() {
    static std::mutex m;
    return m;
}
std::unordered_map<UINT, PostedMessageDisposer>& Disposers() {
    static std::unordered_map<UINT, PostedMessageDisposer> map;
    return map;
}
std::atomic<uint64_t> g_disposed{0};

PostedMessageDisposer DisposerOf(UINT message) {
    std::lock_guard<std::mutex> lock(DisposerLock());
    auto it = Disposers().find(message);
    return it != Disposers().end() ? it->second : nullptr;
}

void Dispose(UINT message, WPARAM wParam, LPARAM lParam) {
    PostedMessageDisposer fn = DisposerOf(message);
    g_disposed.fetch_add(1, std::memory_order_relaxed);
    if (fn != nullptr)
        fn(wParam, lParam);
}

void DisposeSuperseded(UINT message, WPARAM wParam, LPARAM lParam) {
    if (PostedMessageDisposer fn = DisposerOf(message))
        fn(wParam, lParam);
}

std::atomic<uint64_t> g_superseded{0};

// A queued message: whatever it carries is disposed unless it reaches its window. A message with
// a key other than 0 gives way to a newer one for the same window, message and key.
struct PostedMessage {
    QWidget* widget;
    uint64_t serial;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    uint64_t key;
};

struct SupersedeKey {
    QWidget* widget;
    UINT message;
    uint64_t key;
    bool operator==(const SupersedeKey&) const = default;
};

struct SupersedeKeyHash {
    size_t operator()(const SupersedeKey& k) const {
        return std::hash<const void*>()(k.widget) ^ (std::hash<uint64_t>()(k.key) * 31) ^ k.message;
    }
};

// Asks the router to deliver what is queued. Posting wakes the user-interface thread only when
// no such request is pending, so a flood of records from a transfer costs one wake-up per
// batch, not one per record; every message is still delivered, in order.
const QEvent::Type kDrainEvent = static_cast<QEvent::Type>(QEvent::User + 0x464);

// At most this many messages per request, so painting and input get their turn in a flood.
constexpr size_t kDrainBatch = 4096;

// Messages that a newer one may supersede are delivered at most this often (about a frame), so a
// transfer's progress wakes the user-interface thread no more often than the list can paint.
constexpr int kSupersedablePaceMs = 16;

const QEvent::Type kSentMessageEvent = static_cast<QEvent::Type>(QEvent::User + 0x465);

// A message sent from another thread: the sender waits on the state until the user-interface
// thread has run the window procedure, or the event is dropped (then the answer is 0).
struct SendState {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;
};

class SentMessageEvent final : public QEvent {
public:
    SentMessageEvent(std::shared_ptr<SendState> state, QWidget* w, uint64_t serial, UINT message,
                     WPARAM wParam, LPARAM lParam)
        : QEvent(kSentMessageEvent), m_state(std::move(state)), m_widget(w), m_serial(serial),
          m_message(message), m_wParam(wParam), m_lParam(lParam) {}
    ~SentMessageEvent() override { Finish(0); }
    void Finish(LRESULT result) {
        if (m_state == nullptr)
            return;
        {
            std::lock_guard<std::mutex> lock(m_state->lock);
            m_state->result = result;
            m_state->finished = true;
        }
        m_state->done.notify_all();
        m_state.reset();
    }
    std::shared_ptr<SendState> m_state;
    QWidget* m_widget;
    uint64_t m_serial;
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

std::mutex g_routerLock;
class MessageRouter;
MessageRouter* g_router = nullptr;
// Guarded by g_routerLock. A deque keeps its elements in place when its ends change, so the
// index of queued keyed messages can point into it.
std::deque<PostedMessage> g_pending;
std::unordered_map<SupersedeKey, PostedMessage*, SupersedeKeyHash> g_queuedByKey;
bool g_drainRequested = false;
// The router's pace timer runs: supersedable messages wait for it instead of asking for a drain.
bool g_pacing = false;

SupersedeKey KeyOf(const PostedMessage& m) {
    return SupersedeKey{m.widget, m.message, m.key};
}

// Under g_routerLock: the first n queued messages leave the queue and its index.
void TakeFront(size_t n, std::vector<PostedMessage>& out) {
    auto end = g_pending.begin() + static_cast<ptrdiff_t>(n);
    for (auto it = g_pending.begin(); it != end; ++it) {
        if (it->key == 0)
            continue;
        auto found = g_queuedByKey.find(KeyOf(*it));
        if (found != g_queuedByKey.end() && found->second == &*it)
            g_queuedByKey.erase(found);
    }
    out.assign(g_pending.begin(), end);
    g_pending.erase(g_pending.begin(), end);
}

// Lives on the user-interface thread; receives every posted message and finds the window at
// delivery, so a post never touches a window that may be going away.
class MessageRouter final : public QObject {
public:
    MessageRouter() {
        m_paceTimer.setSingleShot(true);
        QObject::connect(&m_paceTimer, &QTimer::timeout, this, [this] {
            {
                std::lock_guard<std::mutex> lock(g_routerLock);
                g_pacing = false;
            }
            Drain();
        });
    }

    ~MessageRouter() override {
        std::vector<PostedMessage> left;
        {
            std::lock_guard<std::mutex> lock(g_routerLock);
            if (g_router == this)
                g_router = nullptr;
            TakeFront(g_pending.size(), left);
            g_drainRequested = false;
            g_pacing = false;
        }
        for (const PostedMessage& m : left)
            Dispose(m.message, m.wParam, m.lParam);
    }

    bool event(QEvent* e) override {
        if (e->type() == kSentMessageEvent) {
            auto* se = static_cast<SentMessageEvent*>(e);
            CWnd* pWnd = LookupWindow(se->m_widget, se->m_serial);
            se->Finish(pWnd != nullptr
                           ? pWnd->DispatchMessage(se->m_message, se->m_wParam, se->m_lParam)
                           : 0);
            return true;
        }
        if (e->type() != kDrainEvent)
            return QObject::event(e);
        Drain();
        return true;
    }

private:
    void Drain() {
        std::vector<PostedMessage> batch;
        {
            std::lock_guard<std::mutex> lock(g_routerLock);
            TakeFront(std::min(g_pending.size(), kDrainBatch), batch);
            // Asked again before delivering, so a nested event loop (a modal prompt shown by a
            // handler) still receives what is posted meanwhile.
            g_drainRequested = !g_pending.empty();
            if (g_drainRequested)
                QCoreApplication::postEvent(this, new QEvent(kDrainEvent));
            if (!g_pacing && std::any_of(batch.begin(), batch.end(),
                                         [](const PostedMessage& m) { return m.key != 0; })) {
                g_pacing = true;
                m_paceTimer.start(kSupersedablePaceMs);
            }
        }
        for (const PostedMessage& m : batch) {
            if (CWnd* pWnd = LookupWindow(m.widget, m.serial))
                pWnd->DispatchMessage(m.message, m.wParam, m.lParam);
            else
                Dispose(m.message, m.wParam, m.lParam);
        }
    }

    QTimer m_paceTimer;
};

// Under g_routerLock: queues the message and asks for a drain unless one is pending or the
// message is supersedable and the pace timer will deliver it.
void Enqueue(const PostedMessage& m) {
    g_pending.push_back(m);
    if (m.key != 0)
        g_queuedByKey[KeyOf(m)] = &g_pending.back();
    if (!g_drainRequested && (m.key == 0 || !g_pacing)) {
        g_drainRequested = true;
        QCoreApplication::postEvent(g_router, new QEvent(kDrainEvent));
    }
}

// UI thread.
void EnsureRouter() {
    std::lock_guard<std::mutex> lock(g_routerLock);
    if (g_router != nullptr)
        return;
    auto* router = new MessageRouter();
    // Owned by the application: its destruction deletes the queued events, which disposes them.
    router->setParent(QCoreApplication::instance());
    QObject::connect(router, &QObject::destroyed, [] {
        std::lock_guard<std::mutex> l(g_routerLock);
        g_router = nullptr;
    });
    g_router = router;
}

} // namespace

uint64_t RegisterWindow(QWidget* w, CWnd* pWnd) {
    EnsureRouter();
    std::unique_lock<std::shared_mutex> lock(RegistryLock());
    uint64_t serial = g_nextSerial++;
    Registry()[w] = WindowEntry{pWnd, serial};
    return serial;
}

void UnregisterWindow(QWidget* w) {
    std::unique_lock<std::shared_mutex> lock(RegistryLock());
    Registry().erase(w);
}

uint64_t WindowSerial(QWidget* w) {
    std::shared_lock<std::shared_mutex> lock(RegistryLock());
    auto it = Registry().find(w);
    return it == Registry().end() ? 0 : it->second.serial;
}

CWnd* LookupWindow(QWidget* w, uint64_t serial) {
    std::shared_lock<std::shared_mutex> lock(RegistryLock());
    auto it = Registry().find(w);
    if (it == Registry().end() || (serial != 0 && it->second.serial != serial))
        return nullptr;
    return it->second.pWnd;
}

} // namespace afx::detail

using namespace afx::detail;

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageSuperseding(hWnd, message, wParam, lParam, 0);
}

BOOL PostMessageSuperseding(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, uint64_t key) {
    QWidget* w = ToWidget(hWnd);
    if (w == nullptr)
        return FALSE;
    uint64_t serial = WindowSerial(w);
    if (serial == 0)
        return FALSE;
    PostedMessage older{};
    {
        std::lock_guard<std::mutex> lock(g_routerLock);
        if (g_router == nullptr)
            return FALSE;
        auto it =
            key != 0 ? g_queuedByKey.find(SupersedeKey{w, message, key}) : g_queuedByKey.end();
        // An entry of a window that had this address and is gone does not count; Enqueue
        // replaces it.
        if (it == g_queuedByKey.end() || it->second->serial != serial) {
            Enqueue(PostedMessage{w, serial, message, wParam, lParam, key});
            return TRUE;
        }
        // The newer message takes the older one's place; the queue does not grow.
        older = *it->second;
        it->second->wParam = wParam;
        it->second->lParam = lParam;
    }
    g_superseded.fetch_add(1, std::memory_order_relaxed);
    DisposeSuperseded(older.message, older.wParam, older.lParam);
    return TRUE;
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* w = ToWidget(hWnd);
    if (w == nullptr)
        return 0;
    if (IsUiThread()) {
        CWnd* pWnd = LookupWindow(w, 0);
        return pWnd != nullptr ? pWnd->DispatchMessage(message, wParam, lParam) : 0;
    }
    uint64_t serial = WindowSerial(w);
    if (serial == 0)
        return 0;
    auto state = std::make_shared<SendState>();
    {
        std::lock_guard<std::mutex> lock(g_routerLock);
        if (g_router == nullptr)
            return 0;
        QCoreApplication::postEvent(
            g_router, new SentMessageEvent(state, w, serial, message, wParam, lParam));
    }
    std::unique_lock<std::mutex> lock(state->lock);
    state->done.wait(lock, [&] { return state->finished; });
    return state->result;
}

namespace afx {

void RegisterPostedMessageDisposer(UINT message, PostedMessageDisposer pfnDispose) {
    std::lock_guard<std::mutex> lock(DisposerLock());
    if (pfnDispose == nullptr)
        Disposers().erase(message);
    else
        Disposers()[message] = pfnDispose;
}

void ShutdownMessageRouter() {
    MessageRouter* router = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_routerLock);
        router = g_router;
        g_router = nullptr;
    }
    // Deleting the receiver deletes its queued events; each disposes what it carries.
    delete router;
}

void Shutdown() {
    ShutdownMessageRouter();
    detail::ReleaseWindowWrappers();
}

uint64_t DisposedMessageCount() {
    return g_disposed.load(std::memory_order_relaxed);
}

uint64_t SupersededMessageCount() {
    return g_superseded.load(std::memory_order_relaxed);
}

} // namespace afx
