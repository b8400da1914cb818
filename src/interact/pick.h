// Picking: the county under a pixel of the view. A line from the eye through
// the pixel meets the map plane; the nearest county position within
// PICK_RADIUS of that point is the one picked. Bar heights play no part.
#pragma once

#include <cstdint>

#include "app/state.h"

constexpr float PICK_RADIUS = 100.0f;          // map units
constexpr float NO_PICK_DISTANCE = 1.0e30f;    // best_distance while nothing is found

struct pick_ray {
    vec3 origin;          // the eye, scene coordinates
    vec3 direction;       // unit vector from the eye through the pixel
    float best_distance;  // map-plane distance of the best county so far
    int16_t best_county;  // its index; 0 until one is found
};

// Column-major 4 x 4 matrices, as OpenGL returns them: row i, column j at 4j + i.
float vec3_dot(const vec3& a, const vec3& b);
float vec3_length(const vec3& a);
void vec3_normalize(vec3& a);  // a zero vector stays as it is
// out = m * (p, w), the fourth row ignored; out may be p.
void mat4_transform_point(const float m[16], const vec3& p, float w, vec3& out);

// Client pixel (x right, y down from the top-left corner) to the eye's line.
// Needs the view's OpenGL context current.
void make_pick_ray(int x, int y, pick_ray& ray);

// Tests county index against the ray's line; a closer county replaces the best,
// an equally close one does not.
void pick_test_county(pick_ray& ray, int index);

// Returns 1 and writes the county under the pixel to *index, or returns 0 and
// leaves *index alone. A view less than 2 pixels wide or high picks nothing.
int pick_county(int x, int y, int16_t* index);
