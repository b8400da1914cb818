// The dialog templates of the five tool windows: every control with its id,
// kind, style, position and size in dialog units, and text.
#include "res/resource.h"

namespace {

constexpr const char* FONT = "MS Sans Serif";

constexpr control_template GIS_CONTROLS[] = {
    {IDC_NAVIGATION, CTL_GROUP_BOX, CTL_CENTER, 7, 3, 81, 94, "Navigation", 0, nullptr},
    {IDC_NAV_TILT_DOWN, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 31, 16, 32, 16, nullptr, IDB_ARROW_DOWN, "Tilt down"},
    {IDC_NAV_ZOOM_IN, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 31, 35, 32, 16, nullptr, IDB_ARROW_AWAY, "Zoom in"},
    {IDC_NAV_ZOOM_OUT, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 31, 54, 32, 16, nullptr, IDB_ARROW_TOWARDS, "Zoom out"},
    {IDC_NAV_TILT_UP, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 31, 73, 32, 16, nullptr, IDB_ARROW_UP, "Tilt up"},
    {IDC_NAV_TURN_LEFT, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 11, 37, 16, 32, nullptr, IDB_ARROW_RIGHT, "Turn left"},
    {IDC_NAV_TURN_RIGHT, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 67, 37, 16, 32, nullptr, IDB_ARROW_LEFT, "Turn right"},
    {IDC_SCALE_LABEL, CTL_TEXT, CTL_CENTER, 5, 103, 81, 8, "Height Scale", 0, nullptr},
    {IDC_HEIGHT_SCALE, CTL_DROP_DOWN, CTL_TAB_STOP, 7, 114, 81, 75, nullptr, 0, "Height Scale"},
};

constexpr control_template QUERY_CONTROLS[] = {
    {IDC_DEMOGRAPHIC_BOX, CTL_GROUP_BOX, CTL_CENTER, 8, 4, 158, 120, "Demographic", 0, nullptr},
    {IDC_DEMOGRAPHIC, CTL_LIST_BOX, CTL_TAB_STOP, 12, 19, 149, 100, nullptr, 0, "Demographic"},
    {IDC_SELECTION_BOX, CTL_GROUP_BOX, CTL_CENTER, 174, 4, 76, 120, "Selection", 0, nullptr},
    {IDC_SELECTION, CTL_LIST_BOX, CTL_TAB_STOP, 179, 19, 66, 100, nullptr, 0, "Selection"},
};

constexpr control_template INFO_CONTROLS[] = {
    {IDC_INFO_TEXT, CTL_EDIT, 0, 7, 7, 247, 97, "", 0, "Info text"},
    {IDC_INFO_CLEAR, CTL_BUTTON, CTL_TAB_STOP, 15, 115, 50, 14, "Clear", 0, nullptr},
    {IDC_INFO_SAVE, CTL_BUTTON, CTL_TAB_STOP, 196, 115, 50, 14, "Save", 0, nullptr},
};

constexpr control_template RANKING_CONTROLS[] = {
    {IDC_RANKING, CTL_LIST_BOX, CTL_TAB_STOP, 4, 4, 122, 140, nullptr, 0, "Ranking"},
};

// The names, addresses and web address are placeholders of our own; the role
// and quick-reference captions are the program's.
constexpr control_template ABOUT_CONTROLS[] = {
    {IDC_ABOUT_OK, CTL_BUTTON, CTL_DEFAULT | CTL_TAB_STOP, 94, 245, 50, 14, "OK", 0, nullptr},
    {1037, CTL_PICTURE, CTL_REAL_SIZE | CTL_CENTER_IMAGE, 6, 6, 217, 73, nullptr, IDB_LOGO, "Plexar"},
    {1038, CTL_GROUP_BOX, 0, 14, 85, 106, 153, "Contact information", 0, nullptr},
    {1039, CTL_GROUP_BOX, 0, 129, 85, 77, 153, "Quick reference", 0, nullptr},
    {1040, CTL_TEXT, CTL_CENTER, 34, 101, 66, 8, "CEO/Inquiries", 0, nullptr},
    {1041, CTL_TEXT, CTL_CENTER, 34, 111, 66, 8, "Plexar Inquiries", 0, nullptr},
    {1042, CTL_TEXT, CTL_CENTER, 16, 121, 102, 8, "inquiries@example.org", 0, nullptr},
    {1043, CTL_TEXT, CTL_CENTER, 33, 139, 66, 8, "COO/Information", 0, nullptr},
    {1044, CTL_TEXT, CTL_CENTER, 34, 149, 66, 8, "Plexar Information", 0, nullptr},
    {1045, CTL_TEXT, CTL_CENTER, 15, 159, 103, 8, "information@example.org", 0, nullptr},
    {1046, CTL_TEXT, CTL_CENTER, 34, 177, 66, 8, "CTO/Tech. Support", 0, nullptr},
    {1047, CTL_TEXT, CTL_CENTER, 34, 187, 66, 8, "Plexar Support", 0, nullptr},
    {1048, CTL_TEXT, CTL_CENTER, 15, 197, 103, 8, "support@example.org", 0, nullptr},
    {1049, CTL_TEXT, CTL_CENTER, 134, 100, 66, 8, "Pan view:", 0, nullptr},
    {1050, CTL_TEXT, CTL_CENTER, 134, 110, 66, 8, "Ctrl + Right mouse", 0, nullptr},
    {1051, CTL_TEXT, CTL_CENTER, 134, 128, 66, 8, "Zoom view:", 0, nullptr},
    {1052, CTL_TEXT, CTL_CENTER, 134, 138, 66, 8, "Shift + Right mouse", 0, nullptr},
    {1053, CTL_TEXT, CTL_CENTER, 134, 156, 66, 8, "Move view:", 0, nullptr},
    {1054, CTL_TEXT, CTL_CENTER, 134, 166, 66, 8, "Right mouse", 0, nullptr},
    {1055, CTL_TEXT, CTL_CENTER, 134, 184, 66, 8, "Make selection", 0, nullptr},
    {1056, CTL_TEXT, CTL_CENTER, 134, 194, 66, 8, "Left mouse", 0, nullptr},
    {1057, CTL_TEXT, CTL_CENTER, 15, 218, 103, 8, "www.example.org/plexar", 0, nullptr},
};

template <int N>
constexpr int count(const control_template (&)[N]) { return N; }

// Each panel stands in a corner of the view, where the map shows New Mexico,
// Oklahoma, Mexico or the Gulf rather than a county, so that none covers
// another and together they hide as little of Texas as they can.
constexpr dialog_template TEMPLATES[] = {
    {IDD_QUERY_PANEL, DLG_PANEL, true, 2, 2, 257, 130, "Query Panel", FONT, 8, QUERY_CONTROLS, count(QUERY_CONTROLS),
     DLG_TOP_RIGHT},
    {IDD_GIS_PANEL, DLG_PANEL, true, 2, 2, 93, 134, "GIS Panel", FONT, 8, GIS_CONTROLS, count(GIS_CONTROLS),
     DLG_TOP_LEFT},
    {IDD_ABOUT_BOX, DLG_POPUP, false, 0, 0, 231, 265, "About Plexar 1.0", FONT, 8, ABOUT_CONTROLS, count(ABOUT_CONTROLS)},
    {IDD_INFO_PANEL, DLG_PANEL, false, 2, 2, 261, 135, "Info Panel", FONT, 8, INFO_CONTROLS, count(INFO_CONTROLS),
     DLG_BOTTOM_LEFT},
    // On the left, in the gap between the GIS panel and the Info panel's
    // place, so that it opens clear of both and of the legend's corner.
    {IDD_RANKING_PANEL, DLG_PANEL, false, 2, 157, 130, 148, "Ranking Panel", FONT, 8, RANKING_CONTROLS,
     count(RANKING_CONTROLS), DLG_TOP_LEFT},
};

}  // namespace

const dialog_template* find_dialog_template(int id) {
    for (const dialog_template& t : TEMPLATES)
        if (t.id == id) return &t;
    return nullptr;
}
