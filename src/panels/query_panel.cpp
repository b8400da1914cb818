// The Query panel: the Demographic list chooses the field the bars show, the
// Selection list a county to centre on and report.
#include <vector>

#include "data/data.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/tool_window.h"
#include "res/resource.h"
#include "scene/scene.h"

namespace {

// The active field's label from the Demographic list; without one (the
// catalogue could not be read) the field is named by its number.
std::string field_label() {
    std::string label;
    if (!list_text(app_state.query_panel, IDC_DEMOGRAPHIC, app_state.active_field, label))
        label = "Field " + std::to_string(app_state.active_field + 1);
    return label;
}

}  // namespace

intptr_t query_panel_proc(pl_window* panel, unsigned message, wparam w, lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init_query(panel);
        return 1;
    case WM_COMMAND:
        if (w == IDCANCEL) {
            hide_window(panel);
            return 1;
        }
        return query_panel_command(panel, w);
    default:
        return 0;
    }
}

int query_panel_command(pl_window* panel, wparam w) {
    const unsigned id = static_cast<unsigned>(w & 0xFFFF), code = static_cast<unsigned>((w >> 16) & 0xFFFF);
    switch (id) {
    case IDC_DEMOGRAPHIC:
        if (code == LBN_SELCHANGE) {
            int field = list_selection(panel, IDC_DEMOGRAPHIC);
            if (field >= 0 && field < FIELD_COUNT) {  // no field beyond a record's values
                app_state.active_field = static_cast<int16_t>(field);
                set_height_scale(-1);
                refresh_ranking_panel(app_state.ranking_panel);
                build_scene();
            }
        }
        return 1;
    case IDC_SELECTION:
        if (code == LBN_SELCHANGE) {
            int county = list_selection(panel, IDC_SELECTION);
            if (county >= 0 && county < COUNTY_COUNT) {
                app_state.selected_county = static_cast<int16_t>(county);
                app_state.view_center.x = static_cast<float>(county_table[county].x);
                app_state.view_center.y = static_cast<float>(county_table[county].y);
                select_ranked_county(app_state.ranking_panel, county);
                select_county(app_state.selected_county);
            }
        }
        return 1;
    default:
        return 0;
    }
}

void init_query(pl_window* panel) {
    std::vector<std::string> labels;
    if (!read_catalogue(data_file(CATALOGUE_PATH).c_str(), labels)) {
        message_box("init_query() - can't read fields!", "ERROR!");
        return;
    }
    set_catalogue_fields(labels);
    refresh_query_panel(panel);
    set_focus_control(panel, IDC_DEMOGRAPHIC);
}

void refresh_query_panel(pl_window* panel) {
    // the labels change when a table is opened and back after a load
    bool same = list_count(panel, IDC_DEMOGRAPHIC) == static_cast<int>(field_labels.size());
    std::string text;
    for (int k = 0; same && k < static_cast<int>(field_labels.size()); ++k)
        same = list_text(panel, IDC_DEMOGRAPHIC, k, text) && text == field_labels[k];
    if (!same) {
        list_clear(panel, IDC_DEMOGRAPHIC);
        for (const std::string& label : field_labels) list_add(panel, IDC_DEMOGRAPHIC, label.c_str());
    }
    list_select(panel, IDC_DEMOGRAPHIC, app_state.active_field);
    set_height_scale(-1);
    list_clear(panel, IDC_SELECTION);
    for (int i = 0; i < COUNTY_COUNT; ++i) list_add(panel, IDC_SELECTION, county_table[i].name);
    list_select(panel, IDC_SELECTION, app_state.selected_county);  // -1 leaves none selected
    refresh_ranking_panel(app_state.ranking_panel);
}

std::string county_value_text(int16_t county) {
    return std::string(county_table[county].name) + " county: " + report_number(county_table[county].value);
}

std::string county_report(int16_t county) {
    const std::string label = field_label();
    return "\r\n" + label + " for " + county_value_text(county) + "\r\n" + label + " for Texas: " +
           report_number(app_state.state_value);
}

void select_county(int16_t county) {
    for (int i = 0; i < COUNTY_COUNT; ++i) county_table[i].selected = 0;
    const bool one = county >= 0 && county < COUNTY_COUNT;
    if (one) county_table[county].selected = 1;
    build_scene();
    if (one) info_append(county_report(county));
}
