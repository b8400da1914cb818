#include "platform/modal.h"

#include <cstdio>

namespace {

void print_message(const char* text, const char* caption) { std::fprintf(stderr, "%s: %s\n", caption, text); }
bool answer_no(const char*, const char*) { return false; }
bool cancel_dialog(bool, const std::string&, const std::string&, std::string&, std::string&) { return false; }
pl_printer* cancel_print(pl_window*) { return nullptr; }

message_fn message_handler = print_message;
question_fn question_handler = answer_no;
file_dialog_fn file_dialog_handler = cancel_dialog;
print_dialog_fn print_dialog_handler = cancel_print;

template <typename F>
F replace(F& slot, F fn, F fallback) {
    F old = slot;
    slot = fn ? fn : fallback;
    return old;
}

}  // namespace

void message_box(const char* text, const char* caption) { message_handler(text, caption); }
bool ask_question(const char* text, const char* caption) { return question_handler(text, caption); }
bool run_file_dialog(bool save, const std::string& folder, const std::string& extensions, std::string& chosen,
                     std::string& selected) {
    selected.clear();
    return file_dialog_handler(save, folder, extensions, chosen, selected);
}

pl_printer* run_print_dialog(pl_window* owner) { return print_dialog_handler(owner); }

message_fn set_message_handler(message_fn fn) { return replace(message_handler, fn, print_message); }
question_fn set_question_handler(question_fn fn) { return replace(question_handler, fn, answer_no); }
file_dialog_fn set_file_dialog_handler(file_dialog_fn fn) { return replace(file_dialog_handler, fn, cancel_dialog); }
print_dialog_fn set_print_dialog_handler(print_dialog_fn fn) { return replace(print_dialog_handler, fn, cancel_print); }
