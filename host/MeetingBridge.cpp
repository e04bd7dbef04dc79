// SPDX-License-Identifier: Apache-2.0
#include "MeetingBridge.h"

#include <string>

#include "ActionRunner.h"
#include "DocShelf.h"
#include "HostContainer.h"
#include "HostLog.h"
#include "HostTexts.h"
#include "HostWindow.h"
#include "MeetingLink.h"

void JoinMeeting(CMeetingLink& link, IDocShelfItf* pDocShelf, CHostContainer& container,
                 CActionRunner& runner, CHostWindow& window) {
    const QString where = QString::fromStdString(link.Address().Text());
    container.SetMeeting([&link](std::string text) { link.Publish(std::move(text)); });
    runner.SetParticipantQuery([&link] { link.AskParticipantCount(); });

    // Receivers on the user-interface thread: the link's signals are queued in their order.
    QObject::connect(
        &link, &CMeetingLink::MessageArrived, &window, [pDocShelf, where](const QByteArray& text) {
            // A NUL would cut the text short; the component sees it whole or not.
            if (text.contains('\0')) {
                CHostLog::Instance().Diag("meeting %s: a message with a NUL byte dropped",
                                          where.toLocal8Bit().constData());
                return;
            }
            pDocShelf->OnBroadcastMessage(text.constData());
        });
    QObject::connect(&link, &CMeetingLink::ParticipantCount, &runner,
                     &CActionRunner::OnParticipantCount);
    QObject::connect(
        &link, &CMeetingLink::Joined, &window, [&window, pDocShelf, where](bool again) {
            window.ShowMeetingState(Text(HostText::MeetingJoined) + "  " + where);
            if (!again)
                return;
            CHostLog::Instance().Diag("meeting %s: joined again", where.toLocal8Bit().constData());
            // Notices sent while away are lost; a fresh listing catches up with them.
            pDocShelf->RefreshRoot();
        });
    QObject::connect(&link, &CMeetingLink::Lost, &window, [&window, where](const QString& reason) {
        CHostLog::Instance().Diag("meeting %s: connection lost (%s); retrying",
                                  where.toLocal8Bit().constData(),
                                  reason.toLocal8Bit().constData());
        window.ShowMeetingState(Text(HostText::MeetingLost).arg(reason) + "  " + where);
    });
    QObject::connect(&link, &CMeetingLink::Refused, &window, [where](const QString& reason) {
        CHostLog::Instance().Diag("meeting %s: a message was refused (%s)",
                                  where.toLocal8Bit().constData(),
                                  reason.toLocal8Bit().constData());
    });
    window.ShowMeetingState(Text(HostText::MeetingConnecting) + "  " + where);
    link.Start();
}
