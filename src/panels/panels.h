// The Query panel and its county report, the Ranking panel, the Info panel
// where reports accumulate, and the About box.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

// ---- Query panel --------------------------------------------------------------

intptr_t query_panel_proc(pl_window* panel, unsigned message, wparam w, lparam l);
int query_panel_command(pl_window* panel, wparam w);

// Reads the field catalogue into the Demographic list and field_scale_index,
// refreshes the panel and focuses the list. Once, when the panel is made.
void init_query(pl_window* panel);

// Brings both lists, and the Ranking panel, in line with active_field, the
// records and selected_county, and puts the active field's default height
// scale in force; neither rebuilds nor draws.
void refresh_query_panel(pl_window* panel);

// Highlights county (0..253), or none for -1, rebuilds the scene, and for a
// county appends its report to the Info panel. selected_county is not changed.
void select_county(int16_t county);

// The report on a county for the active field, as select_county appends it:
// a line break, "<label> for <name> county: <value>", a line break and
// "<label> for Texas: <state value>", numbers with two decimals.
std::string county_report(int16_t county);

// "<name> county: <value>", as the report writes the county's line after the
// label.
std::string county_value_text(int16_t county);

// ---- Ranking panel --------------------------------------------------------------

intptr_t ranking_panel_proc(pl_window* panel, unsigned message, wparam w, lparam l);
int ranking_panel_command(pl_window* panel, wparam w);

// While the panel is shown: ranks the counties by the active field's values in
// the record table, one line each, "<rank>. <name> <value>" highest first and
// "<name> n/a" last, and selects selected_county's line. A hidden panel is
// left as it is; "Show Ranking Panel" refreshes it as it shows it.
void refresh_ranking_panel(pl_window* panel);

// Selects the county's line (none for -1) without notifying, while shown.
void select_ranked_county(pl_window* panel, int county);

// What the pointer resting on a county shows: county_value_text and, for a
// county with a value, its rank among those that have one: " (3 of 254)".
std::string county_tip_text(int16_t county);

// ---- Info panel -----------------------------------------------------------------

constexpr int INFO_MAX_LINES = 198;  // displayed lines the panel keeps

intptr_t info_panel_proc(pl_window* panel, unsigned message, wparam w, lparam l);
int info_command(pl_window* panel, wparam w);

// Appends text and a line break, drops the oldest lines beyond the bound,
// scrolls to the end and shows the panel.
void info_append(const std::string& text);

// Saves the panel's text to a .txt file the user names, each CR as a blank.
void info_save();

// ---- About box ----------------------------------------------------------------------

intptr_t about_box_proc(pl_window* box, unsigned message, wparam w, lparam l);
