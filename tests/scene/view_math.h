// Where a scene point lands in the window, worked out independently in double
// precision from the camera's definition:
//   eye = T(0, 0, -distance) Rx(-tilt) Rz(-yaw) T(-center) S(1, 1, 4) p,
//   frustum -a..a, -1..1, near 4, a = width / height.
// Window coordinates as in OpenGL: x from the left, y from the bottom.
#pragma once

#include <cmath>

#include "app/state.h"

namespace test {

struct camera {
    double distance = 2850.0, tilt = 0.0, yaw = 0.0, cx = 941.0, cy = 694.0;
    int width = 0, height = 0;
};

inline camera current_camera() {
    const app_state_rec& s = app_state;
    return {s.view_distance, s.view_tilt, s.view_yaw, s.view_center.x, s.view_center.y, s.win_width, s.win_height};
}

struct window_point {
    double x = 0, y = 0;
    bool inside = false;  // in front of the near plane and within the window
    int column() const { return static_cast<int>(std::floor(x)); }
    int row() const { return static_cast<int>(std::floor(y)); }  // from the bottom
};

// z is a scene height (drawn 4 times taller).
inline window_point project(const camera& c, double x, double y, double z) {
    const double deg = std::acos(-1.0) / 180.0, yaw = -c.yaw * deg, tilt = -c.tilt * deg;
    const double qx = x - c.cx, qy = y - c.cy, qz = 4.0 * z;
    const double ex = std::cos(yaw) * qx - std::sin(yaw) * qy, ry = std::sin(yaw) * qx + std::cos(yaw) * qy;
    const double ey = std::cos(tilt) * ry - std::sin(tilt) * qz;
    const double depth = c.distance - (std::sin(tilt) * ry + std::cos(tilt) * qz);
    window_point w;
    if (depth <= 4.0) return w;
    w.x = (4.0 * ex * c.height / (c.width * depth) + 1.0) / 2.0 * c.width;
    w.y = (4.0 * ey / depth + 1.0) / 2.0 * c.height;
    w.inside = w.x >= 0 && w.x < c.width && w.y >= 0 && w.y < c.height;
    return w;
}

}  // namespace test
