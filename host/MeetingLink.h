// SPDX-License-Identifier: Apache-2.0
// The host's seat in a meeting: publishes what the component broadcasts and delivers every
// message of the meeting, its own included, in the order the meeting server sent them.
// The network is worked on two threads of its own, so the panel never waits for it; a lost
// connection is reported and retried until Stop.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "MeetingAddress.h"

class CRedisConnection;

class CMeetingLink : public QObject {
    Q_OBJECT
public:
    // password: sent to the server on every connection unless empty; never in a signal.
    CMeetingLink(MeetingAddress address, std::string password);
    ~CMeetingLink() override;

    const MeetingAddress& Address() const { return m_Address; }
    void Start();
    // Ends both threads; a command under way may hold it for its 2 s bound.
    void Stop();

    // Any thread; never blocks on the network. Messages wait for the server while it is away.
    void Publish(std::string text);
    // The answer arrives as ParticipantCount.
    void AskParticipantCount();

signals:
    // Signals come from the link's threads; connections to user-interface objects queue them.
    void MessageArrived(const QByteArray& text);
    // Subscribed; again is true after a lost connection came back.
    void Joined(bool again);
    void Lost(const QString& reason);
    void ParticipantCount(int count);
    // The server refused a message (it is dropped).
    void Refused(const QString& reason);

private:
    struct Outgoing {
        uint64_t serial = 0;
        bool isCountQuery = false;
        std::string text;
    };

    void Listen();
    void Send();
    // Runs one outgoing item; false when the connection failed and it must be retried.
    bool SendOne(CRedisConnection& connection, const Outgoing& item, std::string& error);
    // Sleeps up to ms unless Stop comes first; false once stopping.
    bool Pause(int ms);

    const MeetingAddress m_Address;
    const std::string m_Password;
    std::thread m_Listener;
    std::thread m_Sender;
    std::mutex m_Lock;
    std::condition_variable m_Wake;
    std::deque<Outgoing> m_Outgoing;
    uint64_t m_nSerial = 0;
    std::atomic<bool> m_bStop{false};
};
