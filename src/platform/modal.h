// Every modal interaction of the program goes through these hooks: the window
// layer shows real message boxes and dialogs, a command-line tool prints to
// standard error, and a test answers from a script and reads back every
// message shown.
#pragma once

#include <string>

struct pl_window;
struct pl_printer;

using message_fn = void (*)(const char* text, const char* caption);
using question_fn = bool (*)(const char* text, const char* caption);
using file_dialog_fn = bool (*)(bool save, const std::string& folder, const std::string& extensions,
                                std::string& chosen, std::string& selected);
using print_dialog_fn = pl_printer* (*)(pl_window* owner);

// Shows a message box with an OK button only and no icon, and waits for it.
void message_box(const char* text, const char* caption);

// Asks a yes/no question and waits; true for yes.
bool ask_question(const char* text, const char* caption);

// Runs an open (save false) or save dialog that starts in folder and lists the
// files ending with one of extensions (".bmp", or several separated by blanks,
// ".bmp .png": one filter each, the first chosen at first). Returns true with
// the path as typed in chosen and the extension of the filter in use in
// selected (empty when the dialog cannot tell), false when the user cancelled.
bool run_file_dialog(bool save, const std::string& folder, const std::string& extensions, std::string& chosen,
                     std::string& selected);

// Runs the print dialog for owner; the printer chosen (printer.h), or nullptr
// when the user cancelled.
pl_printer* run_print_dialog(pl_window* owner);

// Each replaces its handler and returns the previous one; nullptr restores the
// default: messages printed as "caption: text" on standard error, questions
// answered no, dialogs cancelled.
message_fn set_message_handler(message_fn fn);
question_fn set_question_handler(question_fn fn);
file_dialog_fn set_file_dialog_handler(file_dialog_fn fn);
print_dialog_fn set_print_dialog_handler(print_dialog_fn fn);
