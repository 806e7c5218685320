#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's own event types, kept together so that no two share a number. Every one is posted with
// QCoreApplication::postEvent, never sent.

#include <QEvent>

namespace orbel::platform {

// Posted by the window to itself at the end of start-up; the window handles it by running the first step.
inline constexpr QEvent::Type WM_SCRIPTSTART = static_cast<QEvent::Type>(QEvent::User + 400);
// Posted by the window for the interpreter (and by every finished transition through it); the window
// handles it by running one script line.
inline constexpr QEvent::Type WM_SCRIPTSTEP = static_cast<QEvent::Type>(QEvent::User + 401);
// The media layer's completion notice (TMciNotifyEvent), posted to the callback a command named; the movie
// controls and the wave channel handle it.
inline constexpr QEvent::Type kMciNotifyEvent = static_cast<QEvent::Type>(QEvent::User + 953);
// Posted by a device's decoding worker to its agent on the GUI thread: a new frame is due to be shown.
inline constexpr QEvent::Type kMediaFrameEvent = static_cast<QEvent::Type>(QEvent::User + 960);
// Posted by a device's decoding worker to its agent on the GUI thread: playback has ended or failed.
inline constexpr QEvent::Type kMediaEndedEvent = static_cast<QEvent::Type>(QEvent::User + 961);

}  // namespace orbel::platform
