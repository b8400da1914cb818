// Presenting a frame: the window layer shows the view's new frame; an offscreen
// surface (tests, the command line) has nothing to show.
#pragma once

using present_fn = void (*)();

// Replaces the handler and returns the previous one; nullptr restores the
// default, which only finishes the frame's drawing.
present_fn set_present_handler(present_fn fn);

void present_surface();

// A view that keeps its frame between presents (the window layer's) need not
// draw again the very frame it already holds: the frame timer's redraw of an
// unchanged view then costs nothing. Offscreen surfaces always draw.
void set_surface_keeps_frames(bool keeps);
bool surface_keeps_frames();

// The frame in the surface is no longer the one the state describes: the
// scene's lists or textures changed, or the framebuffer was made anew or drawn
// over. Each call gives a new revision.
void frame_outdated();
unsigned frame_revision();

// Something was drawn into the surface since the last present; the present
// that follows takes the note (a present with nothing new shows nothing new).
void frame_drawn();
bool take_frame_drawn();

// Frames drawn in full since the process started.
unsigned long frames_drawn();
