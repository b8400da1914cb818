// The controls of a tool window, addressed by the window and the control id.
// Setting a selection or a text from here never notifies the dialog
// procedure; only the user's own choices do. An id the window does not have
// is ignored (results: -1, 0 or empty).
#pragma once

#include <string>

#include "platform/window.h"

// ---- List boxes and drop-down lists ---------------------------------------------

// Appends an entry at the end (the lists do not sort); returns its index.
int list_add(pl_window* dialog, unsigned id, const char* text);
void list_clear(pl_window* dialog, unsigned id);
int list_count(pl_window* dialog, unsigned id);
// Selects entry index; an index the list does not have clears the selection.
void list_select(pl_window* dialog, unsigned id, int index);
// The selected entry, or -1 when none is.
int list_selection(pl_window* dialog, unsigned id);
// The text of entry index; false when the list has no such entry.
bool list_text(pl_window* dialog, unsigned id, int index, std::string& text);
// Gives entry index another text in place, keeping the selection and the
// scrolled position; false when the list has no such entry.
bool list_set_text(pl_window* dialog, unsigned id, int index, const char* text);

// ---- Texts ----------------------------------------------------------------------

// A control's text. The lines of a multi-line text end in CR LF.
std::string control_text(pl_window* dialog, unsigned id);
void set_control_text(pl_window* dialog, unsigned id, const std::string& text);

// ---- Multi-line text ----------------------------------------------------------------

// Lines as displayed: a line too long for the control wraps and counts as
// several, and the empty line after a final CR LF counts as one.
int edit_line_count(pl_window* dialog, unsigned id);
// Length of the displayed line that holds character index (CR LF not counted).
int edit_line_length(pl_window* dialog, unsigned id, int char_index);
// Adds text at the end, as setting the old text followed by it would, without
// laying out again the lines already there.
void edit_append(pl_window* dialog, unsigned id, const std::string& text);
// Removes the first line of the text with its CR LF; false when the text has
// no CR LF (one line only), which is then left as it is.
bool edit_remove_first_line(pl_window* dialog, unsigned id);
// Scrolls by that many displayed lines (down when positive).
void edit_scroll(pl_window* dialog, unsigned id, int lines);
