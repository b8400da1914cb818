// The open and save dialogs every file the user names goes through. They
// remember the folder of the last chosen file, so the next dialog of either kind
// opens there, and put the current directory back to the start-up directory
// after every choice.
#pragma once

#include <string>

#include "app/state.h"

// Once at start-up, with the main window as the dialogs' owner.
void file_dialog_init(pl_window* owner);

// Asks for a file to read whose name ends with extension (".dat", ".csv").
// Returns 1 with the chosen path, or 0 when the user cancelled.
int ask_open_file(std::string& path, const char* extension);

// Asks for a file to write; the extension is appended when the chosen name does
// not end with it exactly (case counts). A file of the resulting name that
// already exists is replaced only when the user agrees. Returns 1 or 0 as above.
//
// Several extensions separated by blanks (".bmp .png") offer a choice of type,
// the first the default: a name that ends with one of them, whatever its case,
// is kept, and any other gets the extension of the filter the user chose.
int ask_save_file(std::string& path, const char* extensions);
