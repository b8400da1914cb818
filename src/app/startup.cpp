// Start-up and shutdown.
#include <cstdio>

#include "app/app.h"
#include "image/file_dialog.h"
#include "scene/scene.h"

bool app_start() {
    if (!create_main_window()) {
        std::fputs("Plexar cannot start: no OpenGL context could be made for its window "
                   "(an OpenGL driver such as Mesa's is needed)\n", stderr);
        return false;
    }
    init_scene();  // draws and presents the first frame
    build_menu();
    file_dialog_init(app_state.main_window);
    return true;
}

int app_main() {
    if (!app_start()) return 1;
    return run_message_loop();
}

void quit_app() {
    kill_timer(app_state.main_window, FRAME_TIMER);
    release_scene(true);
    destroy_window(app_state.gis_panel);
    destroy_window(app_state.query_panel);
    destroy_window(app_state.info_panel);
    destroy_window(app_state.about_box);
    destroy_window(app_state.main_window);  // on_destroy runs inside
}

void on_destroy() {
    // The context goes with the window; nothing is drawn after this.
    make_current(nullptr);
    app_state.main_context = nullptr;
    app_state.main_dc = nullptr;
    post_quit_message(0);
}
