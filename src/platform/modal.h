// Every modal interaction of the program goes through these hooks: the window
// layer shows real message boxes, a command-line tool prints to standard error,
// and a test answers from a script and reads back every message shown.
#pragma once

#include <string>

using message_fn = void (*)(const char* text, const char* caption);

// Shows a message box with an OK button only and no icon, and waits for it.
void message_box(const char* text, const char* caption);

// Replaces the handler; returns the previous one. nullptr restores the default,
// which prints "caption: text" on standard error.
message_fn set_message_handler(message_fn fn);
