#include "app/state.h"

app_state_rec app_state;

void reset_app_state() { app_state = app_state_rec{}; }
