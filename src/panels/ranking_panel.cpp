// The Ranking panel: the counties ordered by the active field's value, highest
// first; choosing a line chooses that county as the Selection list does. And
// the rank that the tip under the pointer adds to a county's value.
#include <string>

#include "data/data.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/tool_window.h"
#include "res/resource.h"

namespace {

// The order the lines show, line k being county shown.order[k]: what a chosen
// line is read against, so it is only ever changed with the lines.
county_ranking shown;

// The line of a county in the panel's list, or -1 when it has none.
int line_of(int county) {
    for (int k = 0; k < COUNTY_COUNT; ++k)
        if (shown.order[k] == county) return k;
    return -1;
}

// "1. Harris 4731145.00"; a county without a value has no place: "Loving n/a".
std::string ranking_line(int rank, int16_t county, float value) {
    const std::string name = county_table[county].name;
    return rank > 0 ? std::to_string(rank) + ". " + name + " " + report_number(value) : name + " n/a";
}

}  // namespace

intptr_t ranking_panel_proc(pl_window* panel, unsigned message, wparam w, lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return 1;  // filled when first shown
    case WM_COMMAND:
        if (w == IDCANCEL) {
            hide_window(panel);
            return 1;
        }
        return ranking_panel_command(panel, w);
    default:
        return 0;
    }
}

int ranking_panel_command(pl_window* panel, wparam w) {
    const unsigned id = static_cast<unsigned>(w & 0xFFFF), code = static_cast<unsigned>((w >> 16) & 0xFFFF);
    if (id != IDC_RANKING) return 0;
    const int line = list_selection(panel, IDC_RANKING);
    if (code == LBN_SELCHANGE && line >= 0 && line < list_count(panel, IDC_RANKING)) {
        const int county = shown.order[line];
        app_state.selected_county = static_cast<int16_t>(county);
        app_state.view_center.x = static_cast<float>(county_table[county].x);
        app_state.view_center.y = static_cast<float>(county_table[county].y);
        list_select(app_state.query_panel, IDC_SELECTION, county);  // the two lists agree
        select_county(app_state.selected_county);
    }
    return 1;
}

void refresh_ranking_panel(pl_window* panel) {
    // A hidden panel is ranked again as it is shown: a field change costs it nothing.
    if (!window_visible(panel)) return;
    float values[COUNTY_COUNT];
    field_values(app_state.active_field, values);
    rank_counties(values, shown);
    // the entries are made once and rewritten in place: the list keeps its
    // scrolled position, and a line that reads the same is not drawn again
    while (list_count(panel, IDC_RANKING) < COUNTY_COUNT) list_add(panel, IDC_RANKING, "");
    for (int k = 0; k < COUNTY_COUNT; ++k) {
        const int16_t county = shown.order[k];
        list_set_text(panel, IDC_RANKING, k, ranking_line(shown.rank[county], county, values[county]).c_str());
    }
    select_ranked_county(panel, app_state.selected_county);
}

void select_ranked_county(pl_window* panel, int county) {
    if (window_visible(panel)) list_select(panel, IDC_RANKING, line_of(county));
}

std::string county_tip_text(int16_t county) {
    float values[COUNTY_COUNT];
    for (int i = 0; i < COUNTY_COUNT; ++i) values[i] = county_table[i].value;
    county_ranking ranking;
    rank_counties(values, ranking);
    std::string text = county_value_text(county);
    if (ranking.rank[county] > 0)
        text += " (" + std::to_string(ranking.rank[county]) + " of " + std::to_string(ranking.ranked) + ")";
    return text;
}
