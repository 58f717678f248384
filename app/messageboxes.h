#pragma once
// Every message box of the tool goes through here.
//
// Boxes raised from the tick loop must not be opened inside it: Qt never
// re-enters a timer slot, so a modal box opened there would stop the loop for
// as long as it is open.  `post` therefore shows the box after the current
// handler has returned.  Tests install a recorder instead of real boxes.

#include <QString>
#include <functional>

namespace MessageBoxes {

enum class Kind { Information, Warning };

// Modal box now, without parent, one OK button.
void information(const QString &title, const QString &text);
void warning(const QString &title, const QString &text);
// The same box, shown once control is back in the event loop; `after` runs when it was closed.
void post(Kind kind, const QString &title, const QString &text, std::function<void()> after = {});

// While the window is being torn down no box opens, neither a new one nor one
// already posted (the window clears this when it is built).
void setShuttingDown(bool shuttingDown);

// Replaces every box by a call to the recorder (tests); an empty recorder restores the boxes.
using Recorder = std::function<void(Kind, const QString &title, const QString &text)>;
void setRecorder(Recorder recorder);

} // namespace MessageBoxes
