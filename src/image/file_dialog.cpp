#include "image/file_dialog.h"

#include <strings.h>
#include <sys/stat.h>

#include <sstream>
#include <vector>

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

bool ends_with_any_case(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && strcasecmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// The extension a save dialog's choice needs appended, or "" when it has its
// own. With one extension the name must end with it exactly (as it always
// has); with a choice of types an ending of either case names the type, and a
// name without one takes the type of the filter chosen, else the first.
std::string missing_extension(const std::string& choice, const std::string& extensions, const std::string& selected) {
    std::vector<std::string> offered;
    std::istringstream words(extensions);
    for (std::string word; words >> word;) offered.push_back(word);
    if (offered.size() <= 1) return ends_with(choice, extensions) ? "" : extensions;
    for (const std::string& e : offered)
        if (ends_with_any_case(choice, e)) return "";
    for (const std::string& e : offered)
        if (e == selected) return e;
    return offered.front();
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
    std::string choice, selected;
    if (!run_file_dialog(false, dialog_directory, extension, choice, selected)) return 0;
    path = choice;
    chosen(path);
    return 1;
}

int ask_save_file(std::string& path, const char* extensions) {
    std::string choice, selected;
    if (!run_file_dialog(true, dialog_directory, extensions, choice, selected)) return 0;
    if (const std::string extension = missing_extension(choice, extensions, selected); !extension.empty()) {
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
