#include "interact/pick.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "data/data.h"

float vec3_dot(const vec3& a, const vec3& b) {
    return static_cast<float>(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

float vec3_length(const vec3& a) { return static_cast<float>(std::sqrt(double(vec3_dot(a, a)))); }

void vec3_normalize(vec3& a) {
    float length = vec3_length(a);
    if (length == 0.0f) return;
    a.x = static_cast<float>(double(a.x) / length);
    a.y = static_cast<float>(double(a.y) / length);
    a.z = static_cast<float>(double(a.z) / length);
}

void mat4_transform_point(const float m[16], const vec3& p, float w, vec3& out) {
    const vec3 q = p;
    out.x = static_cast<float>(double(m[0]) * q.x + double(m[4]) * q.y + double(m[8]) * q.z + double(m[12]) * w);
    out.y = static_cast<float>(double(m[1]) * q.x + double(m[5]) * q.y + double(m[9]) * q.z + double(m[13]) * w);
    out.z = static_cast<float>(double(m[2]) * q.x + double(m[6]) * q.y + double(m[10]) * q.z + double(m[14]) * w);
}

void make_pick_ray(int x, int y, pick_ray& ray) {
    // The inverse of the drawing's model-view transform, composed on the
    // model-view stack and read back; the drawn view's matrix is left as it was.
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glScalef(1.0f, 1.0f, 1.0f / 4.0f);
    glTranslatef(app_state.view_center.x, app_state.view_center.y, app_state.view_center.z);
    glRotatef(app_state.view_yaw, 0.0f, 0.0f, 1.0f);
    glRotatef(app_state.view_tilt, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, app_state.view_distance);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(mode));

    // The pixel on a plane just beyond the near plane, in eye coordinates:
    // column 0 at -aspect, the last column at +aspect, row 0 at the top.
    const double w = app_state.win_width, h = app_state.win_height;
    const float aspect = static_cast<float>(w / h);
    vec3 eye_point{static_cast<float>(2.0 * aspect * x / (w - 1.0) - aspect),
                   static_cast<float>(1.0 - 2.0 * y / (h - 1.0)), -4.00001f};

    mat4_transform_point(m, eye_point, 1.0f, ray.direction);
    mat4_transform_point(m, vec3{0.0f, 0.0f, 0.0f}, 1.0f, ray.origin);
    ray.direction.x = static_cast<float>(double(ray.direction.x) - ray.origin.x);
    ray.direction.y = static_cast<float>(double(ray.direction.y) - ray.origin.y);
    ray.direction.z = static_cast<float>(double(ray.direction.z) - ray.origin.z);
    vec3_normalize(ray.direction);
    ray.best_distance = NO_PICK_DISTANCE;
    ray.best_county = 0;
}

void pick_test_county(pick_ray& ray, int index) {
    const float cx = county_table[index].x, cy = county_table[index].y;
    const vec3 normal{0.0f, 0.0f, 1.0f};
    const float d0 = -vec3_dot(normal, vec3{cx, cy, 0.0f});
    const float den = vec3_dot(normal, ray.direction);
    if (den == 0.0f || std::isnan(den)) return;  // parallel to the map
    const float t = static_cast<float>(-(double(vec3_dot(normal, ray.origin)) + d0) / den);
    const float hx = static_cast<float>(ray.origin.x + double(t) * ray.direction.x);
    const float hy = static_cast<float>(ray.origin.y + double(t) * ray.direction.y);
    const double dx = double(hx) - cx, dy = double(hy) - cy;
    const float distance = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    if (distance > PICK_RADIUS) return;
    if (distance < ray.best_distance) {
        ray.best_distance = distance;
        ray.best_county = static_cast<int16_t>(index);
    }
}

int pick_county(int x, int y, int16_t* index) {
    if (app_state.win_width < 2 || app_state.win_height < 2) return 0;
    pick_ray ray;
    make_pick_ray(x, y, ray);
    for (int i = 0; i < COUNTY_COUNT; ++i) pick_test_county(ray, i);
    const float none = NO_PICK_DISTANCE;
    if (std::memcmp(&ray.best_distance, &none, sizeof none) == 0) return 0;
    *index = ray.best_county;
    return 1;
}
