// Picking on a real OpenGL context: each county is found where view_math.h says it is drawn.

#include <GL/gl.h>

#include <algorithm>

#include "interact/pick.h"
#include "scene/gl_test.h"
#include "scene/scene.h"
#include "scene/view_math.h"

namespace {

// Distance from a map point to the nearest county other than a and b, by brute force.
double nearest_other(double x, double y, int a, int b = -1) {
    double best = 1e300;
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (i != a && i != b) best = std::min(best, std::hypot(county_table[i].x - x, county_table[i].y - y));
    return best;
}

// The county picked at a pixel, or -1 when none is (and the index is left alone).
int picked_at(int x, int y) {
    int16_t picked = 1234;
    const int found = pick_county(x, y, &picked);
    EXPECT_EQ(picked == 1234, found == 0) << "found " << found;
    return found ? picked : -1;
}

struct pose { const char* name; float distance, tilt, yaw; vec3 center; };
void PrintTo(const pose& p, std::ostream* os) { *os << p.name; }

class PickRoundTrip : public test::gl_test, public ::testing::WithParamInterface<pose> {};

TEST_P(PickRoundTrip, EveryCountyInViewIsPickedAtThePixelWhereItIsDrawn) {
    const pose& v = GetParam();
    set_projection(1024, 768);
    app_state.view_distance = v.distance, app_state.view_tilt = v.tilt, app_state.view_yaw = v.yaw;
    app_state.view_center = v.center;
    const test::camera cam = test::current_camera();
    int16_t tried = 0;
    std::ostringstream wrong;  // every county picked wrongly
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        test::window_point w = test::project(cam, county_table[i].x, county_table[i].y, 0);
        if (!w.inside) continue;
        ++tried;
        int x = w.column(), y = cam.height - 1 - w.row();  // the mouse counts rows from the top
        if (int picked = picked_at(x, y); picked != i) wrong << i << " at " << x << "," << y << ": " << picked << " ";
    }
    EXPECT_EQ(wrong.str(), "");
    EXPECT_GE(tried, std::string(v.name) == "initial" ? COUNTY_COUNT : 5);  // the initial view shows them all
}

INSTANTIATE_TEST_SUITE_P(Poses, PickRoundTrip,
                         ::testing::Values(pose{"initial", 2850, 0, 0, {941, 694, 0}},
                                           pose{"tilt45_yaw30", 2850, 45, 30, {941, 694, 0}},
                                           pose{"close_on_harris", 800, 0, 0, {1579, 529, 0}},
                                           pose{"tilt60_yaw_minus120", 2850, 60, -120, {941, 694, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

using PickTest = test::gl_test;

TEST_F(PickTest, TheMiddleOfAnOddWindowLooksStraightDownAndPicksWithinTheRadiusTheLowerIndexOfATie) {
    set_projection(801, 601);
    pick_ray ray;
    make_pick_ray(400, 300, ray);  // from 2850 drawn units up: a quarter of that in scene units
    for (auto [got, want] : {std::pair{ray.origin.x, 941.0f}, {ray.origin.y, 694.0f}, {ray.origin.z, 712.5f},
                             {ray.direction.x, 0.0f}, {ray.direction.y, 0.0f}, {ray.direction.z, -1.0f}})
        EXPECT_FLOAT_EQ(got, want);

    // That pixel at tilt 0 hits the view centre exactly. Cameron (30) and El Paso (69) lie on
    // the state's edge: 100 units outwards, no other county is within 110.
    for (auto [county, dx, dy] : {std::tuple{30, 60.0f, -80.0f}, {69, -100.0f, 0.0f}}) {
        const float x = county_table[county].x + dx, y = county_table[county].y + dy;
        ASSERT_GT(nearest_other(x, y, county), 110.0);
        app_state.view_center = {x, y, 0.0f};
        EXPECT_EQ(picked_at(400, 300), county);
        app_state.view_center = {x + dx / 100.0f, y + dy / 100.0f, 0.0f};  // one unit farther
        EXPECT_EQ(picked_at(400, 300), -1) << county;
    }

    // El Paso (69, at 149,762) and Hudspeth (114, at 239,748) are both hypot(45, 7) from (194, 755).
    // Counties are tried in index order and an equal distance does not replace the first.
    ASSERT_GT(nearest_other(194, 755, 69, 114), 100.0);
    app_state.view_center = {194.0f, 755.0f, 0.0f};
    EXPECT_EQ(picked_at(400, 300), 69);
}

TEST_F(PickTest, TinyWindowsPickNothingAndAZeroSideKeepsTheProjection) {
    set_projection(800, 600);
    float before[16], after[16];
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    EXPECT_FLOAT_EQ(before[0], 3.0f);  // 2 near / (right - left) = 8 / (2 * 800 / 600)
    for (auto [w, h] : {std::pair{0, 600}, {800, 0}, {1, 600}, {800, 1}}) {
        set_projection(w, h);
        EXPECT_EQ(std::pair(int(app_state.win_width), int(app_state.win_height)), std::pair(w, h));
        EXPECT_EQ(picked_at(w / 2, h / 2), -1) << w << " x " << h;
        if (w > 0 && h > 0) continue;  // a zero side keeps the projection and the viewport
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_TRUE(std::equal(before, before + 16, after)) << w << " x " << h;
        EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 800, 600}));
    }
}

}  // namespace
