// Resource ids: dialog templates, bitmaps and the controls of each tool window.
#pragma once

#include "platform/tool_window.h"

// Dialog templates.
constexpr int IDD_QUERY_PANEL = 101;
constexpr int IDD_GIS_PANEL = 103;
constexpr int IDD_ABOUT_BOX = 108;
constexpr int IDD_INFO_PANEL = 109;
constexpr int IDD_RANKING_PANEL = 119;

// Bitmaps (res/bitmapNNN.bmp, built into the program).
constexpr int IDB_LOGO = 110;
constexpr int IDB_ARROW_DOWN = 113;     // red, on the tilt-down button
constexpr int IDB_ARROW_UP = 114;       // red, tilt up
constexpr int IDB_ARROW_AWAY = 115;     // green, in perspective away from the viewer: zoom in
constexpr int IDB_ARROW_RIGHT = 116;    // red, on the left button: turn left
constexpr int IDB_ARROW_TOWARDS = 117;  // green, towards the viewer: zoom out
constexpr int IDB_ARROW_LEFT = 118;     // red, on the right button: turn right

// GIS panel.
constexpr unsigned IDC_NAVIGATION = 1024;    // group box
constexpr unsigned IDC_NAV_TILT_DOWN = 1052;  // top of the cross
constexpr unsigned IDC_NAV_TILT_UP = 1053;    // bottom
constexpr unsigned IDC_NAV_ZOOM_IN = 1054;    // middle, upper
constexpr unsigned IDC_NAV_ZOOM_OUT = 1055;   // middle, lower
constexpr unsigned IDC_NAV_TURN_LEFT = 1056;  // left
constexpr unsigned IDC_NAV_TURN_RIGHT = 1057; // right
constexpr unsigned IDC_SCALE_LABEL = 1005;
constexpr unsigned IDC_HEIGHT_SCALE = 1006;  // drop-down list

// Query panel.
constexpr unsigned IDC_DEMOGRAPHIC_BOX = 1026;
constexpr unsigned IDC_DEMOGRAPHIC = 1047;  // list of the field labels
constexpr unsigned IDC_SELECTION_BOX = 1027;
constexpr unsigned IDC_SELECTION = 1048;    // list of the county names

// Info panel.
constexpr unsigned IDC_INFO_TEXT = 1035;
constexpr unsigned IDC_INFO_CLEAR = 1045;
constexpr unsigned IDC_INFO_SAVE = 1046;

// Ranking panel.
constexpr unsigned IDC_RANKING = 1058;  // list of the counties by value

// About box (its texts 1040 to 1057 are never addressed).
constexpr unsigned IDC_ABOUT_OK = 1036;

// The five templates, by id; nullptr for an id that has none.
const dialog_template* find_dialog_template(int id);
