#include "image/file_dialog.h"

#include <sys/stat.h>

#include "platform/modal.h"
#include "platform/window.h"

namespace {

std::string start_directory;   // the current directory at start-up
std::string dialog_directory;  // where the next dialog opens

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Remembers the chosen file's folder and restores the start-up directory.
void chosen(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) dialog_directory = path.substr(0, slash + 1);
    set_current_directory(start_directory);
}

}  // namespace

void file_dialog_init(pl_window*) {
    dialog_directory = current_directory();
    start_directory = dialog_directory;
}

int ask_open_file(std::string& path, const char* extension) {
    std::string choice;
    if (!run_file_dialog(false, dialog_directory, extension, choice)) return 0;
    path = choice;
    chosen(path);
    return 1;
}

int ask_save_file(std::string& path, const char* extension) {
    std::string choice;
    if (!run_file_dialog(true, dialog_directory, extension, choice)) return 0;
    if (!ends_with(choice, extension)) {
        choice += extension;
        // The dialog asked about the name as typed; this is the file really written.
        std::string name = choice.substr(choice.rfind('/') + 1);
        std::string question = name + " already exists.\nDo you want to replace it?";
        if (file_exists(choice) && !ask_question(question.c_str(), "Confirm Save As")) return 0;
    }
    path = choice;
    chosen(path);
    return 1;
}
