// SPDX-License-Identifier: Apache-2.0
// Joins the component to its meeting: broadcasts go out through the link, the meeting's
// messages come back to the component on the user-interface thread, and the person sees
// how the meeting is in the window and on standard error.
#pragma once

class CActionRunner;
class CHostContainer;
class CHostWindow;
class CMeetingLink;
class IDocShelfItf;

void JoinMeeting(CMeetingLink& link, IDocShelfItf* pDocShelf, CHostContainer& container,
                 CActionRunner& runner, CHostWindow& window);
