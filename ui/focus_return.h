// The keyboard focus back where it was after a dialog or message box.
#pragma once

namespace scmp {

// From now on, after a dialog or message box closes, the keyboard goes back
// to the window it was opened from, even when the dialog belongs to another
// window (the panel's file windows opened from the editor) and the window
// manager gives the focus to that one. Nothing is done when another window
// opened or took the focus meanwhile. Once per application.
void ReturnFocusAfterDialogs();

}  // namespace scmp
