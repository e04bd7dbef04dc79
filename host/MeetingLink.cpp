// SPDX-License-Identifier: Apache-2.0
#include "MeetingLink.h"

#include <algorithm>
#include <chrono>

#include "RedisConnection.h"

namespace {
constexpr int kCommandTimeoutMs = 2000;
constexpr int kReadSliceMs = 200;
// A subscriber hears nothing while the meeting is quiet; a ping proves the server is there.
constexpr auto kPingAfterQuiet = std::chrono::seconds(10);
constexpr auto kPongWithin = std::chrono::seconds(5);
constexpr int kFirstRetryMs = 500;
constexpr int kLongestRetryMs = 4000;
// Messages kept for a server that is away; the oldest go first.
constexpr size_t kMaxWaitingMessages = 1000;

int NextRetry(int ms) {
    return std::min(ms * 2, kLongestRetryMs);
}
} // namespace

CMeetingLink::CMeetingLink(MeetingAddress address, std::string password)
    : m_Address(std::move(address)), m_Password(std::move(password)) {}

CMeetingLink::~CMeetingLink() {
    Stop();
}

void CMeetingLink::Start() {
    m_bStop = false;
    m_Listener = std::thread([this] { Listen(); });
    m_Sender = std::thread([this] { Send(); });
}

void CMeetingLink::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_bStop = true;
    }
    m_Wake.notify_all();
    if (m_Listener.joinable())
        m_Listener.join();
    if (m_Sender.joinable())
        m_Sender.join();
}

void CMeetingLink::Publish(std::string text) {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        if (m_Outgoing.size() >= kMaxWaitingMessages)
            m_Outgoing.pop_front();
        m_Outgoing.push_back({++m_nSerial, false, std::move(text)});
    }
    m_Wake.notify_all();
}

void CMeetingLink::AskParticipantCount() {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Outgoing.push_back({++m_nSerial, true, {}});
    }
    m_Wake.notify_all();
}

bool CMeetingLink::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_Lock);
    return !m_Wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop.load(); });
}

void CMeetingLink::Listen() {
    CRedisConnection connection;
    bool everJoined = false;
    bool lostReported = false;
    int retryMs = kFirstRetryMs;
    std::string error;
    while (!m_bStop) {
        if (!connection.Open(m_Address, m_Password, kCommandTimeoutMs, error) ||
            !connection.Subscribe(m_Address.Channel(), error)) {
            if (!lostReported)
                emit Lost(QString::fromStdString(error));
            lostReported = true;
            if (!Pause(retryMs))
                break;
            retryMs = NextRetry(retryMs);
            continue;
        }
        emit Joined(everJoined);
        everJoined = true;
        lostReported = false;
        retryMs = kFirstRetryMs;

        auto lastHeard = std::chrono::steady_clock::now();
        bool pingSent = false;
        while (!m_bStop) {
            std::string message;
            CRedisConnection::Event event = connection.Read(kReadSliceMs, message, error);
            auto now = std::chrono::steady_clock::now();
            if (event == CRedisConnection::Event::Failed)
                break;
            if (event == CRedisConnection::Event::Message)
                emit MessageArrived(QByteArray(message.data(), static_cast<int>(message.size())));
            if (event != CRedisConnection::Event::Nothing) {
                lastHeard = now;
                pingSent = false;
                continue;
            }
            if (pingSent && now - lastHeard > kPingAfterQuiet + kPongWithin) {
                error = "the meeting server stopped answering";
                break;
            }
            if (!pingSent && now - lastHeard > kPingAfterQuiet) {
                if (!connection.SendPing(error))
                    break;
                pingSent = true;
            }
        }
        connection.Close();
        if (!m_bStop) {
            emit Lost(QString::fromStdString(error));
            lostReported = true;
        }
    }
}

bool CMeetingLink::SendOne(CRedisConnection& connection, const Outgoing& item, std::string& error) {
    if (!connection.IsOpen() && !connection.Open(m_Address, m_Password, kCommandTimeoutMs, error))
        return false;
    if (!item.isCountQuery)
        return connection.Publish(m_Address.Channel(), item.text, error);
    long long count = 0;
    if (!connection.CountSubscribers(m_Address.Channel(), count, error))
        return false;
    emit ParticipantCount(static_cast<int>(count));
    return true;
}

void CMeetingLink::Send() {
    CRedisConnection connection;
    int retryMs = kFirstRetryMs;
    std::string error;
    while (true) {
        Outgoing item;
        {
            std::unique_lock<std::mutex> lock(m_Lock);
            m_Wake.wait(lock, [this] { return m_bStop || !m_Outgoing.empty(); });
            if (m_bStop)
                return;
            item = m_Outgoing.front();
        }
        bool sent = SendOne(connection, item, error);
        if (!sent && !connection.IsOpen()) {
            // The listener reports the loss; the item waits at the front for the server.
            if (!Pause(retryMs))
                return;
            retryMs = NextRetry(retryMs);
            continue;
        }
        if (!sent)
            emit Refused(QString::fromStdString(error));
        retryMs = kFirstRetryMs;
        std::lock_guard<std::mutex> guard(m_Lock);
        // A full queue may have dropped it meanwhile.
        if (!m_Outgoing.empty() && m_Outgoing.front().serial == item.serial)
            m_Outgoing.pop_front();
    }
}
