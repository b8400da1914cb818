// Start-up and shutdown.
#include <cstdio>

#include "app/app.h"
#include "image/file_dialog.h"
#include "interact/gis_panel.h"
#include "panels/panels.h"
#include "platform/tool_window.h"
#include "res/resource.h"
#include "scene/scene.h"

namespace {

pl_window* create_tool_window(int template_id, window_proc proc) {
    const dialog_template* t = find_dialog_template(template_id);
    return t ? create_dialog(*t, app_state.main_window, proc) : nullptr;
}

}  // namespace

bool app_start() {
    if (!create_main_window()) {
        std::fputs("Plexar cannot start: no OpenGL context could be made for its window "
                   "(an OpenGL driver such as Mesa's is needed)\n", stderr);
        return false;
    }
    init_scene();  // draws and presents the first frame
    build_menu();
    load_saved_views();
    file_dialog_init(app_state.main_window);
    // The GIS panel first: the Query panel's start selects a Height Scale
    // entry in it. Each handle is stored as soon as its window exists.
    app_state.gis_panel = create_tool_window(IDD_GIS_PANEL, gis_panel_proc);
    app_state.query_panel = create_tool_window(IDD_QUERY_PANEL, query_panel_proc);
    app_state.info_panel = create_tool_window(IDD_INFO_PANEL, info_panel_proc);
    app_state.about_box = create_tool_window(IDD_ABOUT_BOX, about_box_proc);
    app_state.ranking_panel = create_tool_window(IDD_RANKING_PANEL, ranking_panel_proc);
    return true;
}

int app_main(const char* file) {
    if (!app_start()) return 1;
    if (file) open_data_file(file, true);  // the bars show that it loaded
    return run_message_loop();
}

void quit_app() {
    kill_timer(app_state.main_window, FRAME_TIMER);
    release_scene(true);
    destroy_window(app_state.gis_panel);
    destroy_window(app_state.query_panel);
    destroy_window(app_state.info_panel);
    destroy_window(app_state.about_box);
    destroy_window(app_state.ranking_panel);
    destroy_window(app_state.main_window);  // on_destroy runs inside
}

void on_destroy() {
    // The context goes with the window; nothing is drawn after this.
    make_current(nullptr);
    app_state.main_context = nullptr;
    app_state.main_dc = nullptr;
    post_quit_message(0);
}
