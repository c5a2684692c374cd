#pragma once
#include <functional>
#include <string>

#include "toolkit/DirectoryClear.h"
#include "toolkit/Form.h"

// Runs `clear` (ClearDirectoryTree or ClearHeldFolder with the control it
// is given) on a worker thread while `window` goes on handling its
// messages: it repaints, moves and answers the system. Meanwhile its controls
// are disabled (but the cancel button when `stoppable`), the cursor over it
// shows work going on, and its caption counts what was removed, a few times
// a second. Esc, the close box and the cancel button stop a stoppable walk
// after the entry in hand, and do nothing otherwise; the cancel button holds
// the keyboard focus meanwhile, so that Esc reaches it. Returns once the walk
// has ended, with everything as it was before, the focus included.
[[nodiscard]] ClearOutcome ClearInBackground(Form& window, const std::function<ClearOutcome(ClearControl&)>& clear,
                                             bool stoppable);

// "12,345": a count as the caption shows it.
std::string GroupedCount(long count);
