#include "platform/modal.h"

#include <cstdio>

namespace {

void print_message(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

message_fn message_handler = print_message;

}  // namespace

void message_box(const char* text, const char* caption) { message_handler(text, caption); }

message_fn set_message_handler(message_fn fn) {
    message_fn old = message_handler;
    message_handler = fn ? fn : print_message;
    return old;
}
