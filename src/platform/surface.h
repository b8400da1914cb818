// Presenting a frame: the window layer shows the view's new frame; an offscreen
// surface (tests, the command line) has nothing to show.
#pragma once

using present_fn = void (*)();

// Replaces the handler and returns the previous one; nullptr restores the
// default, which only finishes the frame's drawing.
present_fn set_present_handler(present_fn fn);

void present_surface();
