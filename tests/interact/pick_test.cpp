// Picking on a real OpenGL context: every county is found at the pixel where
// the camera draws it (the pixel worked out by view_math.h, not by the code
// under test), and the geometry's edge cases.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "data/data.h"
#include "interact/pick.h"
#include "scene/gl_test.h"
#include "scene/scene.h"
#include "scene/view_math.h"

namespace {

using PickTest = test::gl_test;

// Nearest county to a map point and its distance, by brute force.
std::pair<int, double> nearest_county(double x, double y, int except = -1) {
    int best = -1;
    double best_distance = 1e300;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        if (i == except) continue;
        double d = std::hypot(county_table[i].x - x, county_table[i].y - y);
        if (d < best_distance) best = i, best_distance = d;
    }
    return {best, best_distance};
}

struct pose {
    const char* name;
    float distance, tilt, yaw;
    vec3 center;
};

void PrintTo(const pose& p, std::ostream* os) { *os << p.name; }

class PickRoundTrip : public test::gl_test, public ::testing::WithParamInterface<pose> {};

TEST_P(PickRoundTrip, EveryCountyInViewIsPickedAtThePixelWhereItIsDrawn) {
    const pose& v = GetParam();
    set_projection(1024, 768);
    app_state.view_distance = v.distance;
    app_state.view_tilt = v.tilt;
    app_state.view_yaw = v.yaw;
    app_state.view_center = v.center;
    const test::camera cam = test::current_camera();

    int tried = 0;
    std::ostringstream wrong;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        test::window_point w = test::project(cam, county_table[i].x, county_table[i].y, 0);
        if (!w.inside()) continue;
        ++tried;
        // the mouse counts rows from the top
        int x = w.column(), y = cam.height - 1 - w.row();
        int16_t picked = -1;
        int found = pick_county(x, y, &picked);
        if (!found || picked != i)
            wrong << county_table[i].name << " (" << i << ") at pixel " << x << ", " << y << ": "
                  << (found ? county_table[picked].name : "nothing") << "\n";
    }
    EXPECT_EQ(wrong.str(), "");
    EXPECT_GE(tried, 5) << "too few counties in view to say anything";
    if (v.distance == 2850.0f && v.tilt == 0.0f) {
        EXPECT_EQ(tried, COUNTY_COUNT);  // the whole map fits
    }
    RecordProperty("counties", tried);
}

INSTANTIATE_TEST_SUITE_P(
    Poses, PickRoundTrip,
    ::testing::Values(pose{"initial", 2850.0f, 0.0f, 0.0f, {941.0f, 694.0f, 0.0f}},
                      pose{"tilted_and_turned", 2850.0f, 45.0f, 30.0f, {941.0f, 694.0f, 0.0f}},
                      pose{"close_on_harris", 800.0f, 0.0f, 0.0f, {1579.0f, 529.0f, 0.0f}},
                      pose{"low_from_the_north_east", 2850.0f, 60.0f, -120.0f, {941.0f, 694.0f, 0.0f}}),
    [](const ::testing::TestParamInfo<pose>& info) { return std::string(info.param.name); });

// Where the line of a pick ray meets the map plane.
std::pair<double, double> map_hit(const pick_ray& ray) {
    double t = -double(ray.origin.z) / ray.direction.z;
    return {ray.origin.x + t * ray.direction.x, ray.origin.y + t * ray.direction.y};
}

TEST_F(PickTest, RaysFollowTheWindowsAspectAndStartAtTheEye) {
    // 800 x 600: a = 1.3333334, the frustum 4 / a wide per unit of depth
    set_projection(800, 600);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 4.0 / 1.3333334, 1e-6);  // 2 near / (right - left)
    EXPECT_NEAR(projection[5], 4.0, 1e-6);
    EXPECT_NEAR(projection[10], -256004.0 / 255996.0, 1e-6);
    EXPECT_NEAR(projection[14], -2.0 * 256000.0 * 4.0 / 255996.0, 1e-3);
    EXPECT_EQ(projection[11], -1.0f);

    // Initial view: the eye 2850 drawn units above (941, 694), a quarter of
    // that in scene units. The top-right pixel looks towards x = +a, y = +1 at
    // depth 4.00001, so it meets the map 712.5 / 4.00001 times that far out
    // (give or take the few hundredths that single precision loses on the way:
    // the point under the pixel sits at height 711.4999975, held as a float).
    pick_ray ray;
    make_pick_ray(799, 0, ray);
    EXPECT_FLOAT_EQ(ray.origin.x, 941.0f);
    EXPECT_FLOAT_EQ(ray.origin.y, 694.0f);
    EXPECT_FLOAT_EQ(ray.origin.z, 712.5f);
    EXPECT_NEAR(std::hypot(std::hypot(ray.direction.x, ray.direction.y), ray.direction.z), 1.0, 1e-6);
    auto [x, y] = map_hit(ray);
    const double reach = 2850.0 / 4.00001;
    EXPECT_NEAR(x, 941.0 + 1.3333334 * reach, 0.05);
    EXPECT_NEAR(y, 694.0 + reach, 0.05);
    EXPECT_EQ(ray.best_distance, NO_PICK_DISTANCE);
    EXPECT_EQ(ray.best_county, 0);

    // bottom-left: the other way on both axes
    make_pick_ray(0, 599, ray);
    std::tie(x, y) = map_hit(ray);
    EXPECT_NEAR(x, 941.0 - 1.3333334 * reach, 0.05);
    EXPECT_NEAR(y, 694.0 - reach, 0.05);
}

TEST_F(PickTest, MiddleOfAnOddWindowLooksStraightDownOnTheViewCentre) {
    set_projection(801, 601);
    pick_ray ray;
    make_pick_ray(400, 300, ray);
    EXPECT_FLOAT_EQ(ray.origin.z, 712.5f);
    EXPECT_EQ(ray.direction.x, 0.0f);
    EXPECT_EQ(ray.direction.y, 0.0f);
    EXPECT_FLOAT_EQ(ray.direction.z, -1.0f);

    auto [expected, distance] = nearest_county(941, 694);
    ASSERT_LE(distance, PICK_RADIUS);
    int16_t picked = -1;
    ASSERT_EQ(pick_county(400, 300, &picked), 1);
    EXPECT_EQ(picked, expected);

    // tilted and turned, the middle pixel still looks at the view centre
    app_state.view_tilt = 50.0f;
    app_state.view_yaw = -70.0f;
    app_state.view_center = {1579.0f, 529.0f, 0.0f};
    make_pick_ray(400, 300, ray);
    auto [hx, hy] = map_hit(ray);
    EXPECT_NEAR(hx, 1579.0, 0.05);
    EXPECT_NEAR(hy, 529.0, 0.05);
    ASSERT_EQ(pick_county(400, 300, &picked), 1);
    EXPECT_EQ(picked, 100);  // Harris
}

TEST_F(PickTest, AHitExactlyAtThePickRadiusCountsAndOneBeyondMisses) {
    // With tilt 0 the middle pixel of an odd window hits the view centre
    // exactly, so the centre sets the hit point. Cameron (30) and El Paso (69)
    // lie on the state's edge: points 100 units outwards are more than 100
    // from every other county.
    set_projection(801, 601);
    struct edge_case {
        int county;
        float dx, dy;
    };
    for (const edge_case& e : {edge_case{30, 60.0f, -80.0f}, edge_case{69, -100.0f, 0.0f}}) {
        SCOPED_TRACE(county_table[e.county].name);
        const float x = county_table[e.county].x + e.dx, y = county_table[e.county].y + e.dy;
        ASSERT_GT(nearest_county(x, y, e.county).second, 110.0);

        app_state.view_center = {x, y, 0.0f};
        int16_t picked = -1;
        ASSERT_EQ(pick_county(400, 300, &picked), 1);
        EXPECT_EQ(picked, e.county);

        // one unit farther: nothing, and the caller's index is left alone
        app_state.view_center = {x + (e.dx > 0 ? 1.0f : e.dx < 0 ? -1.0f : 0.0f), y, 0.0f};
        picked = 1234;
        EXPECT_EQ(pick_county(400, 300, &picked), 0);
        EXPECT_EQ(picked, 1234);
    }
}

TEST_F(PickTest, OfTwoEquallyNearCountiesTheLowerIndexWins) {
    // El Paso (69, at 149,762) and Hudspeth (114, at 239,748): their midpoint
    // (194, 755) is 45.5 from both and 171 from any other county.
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (i != 69 && i != 114) {
            ASSERT_GT(std::hypot(county_table[i].x - 194.0, county_table[i].y - 755.0), 100.0);
        }

    pick_ray ray{{194.0f, 755.0f, 10.0f}, {0.0f, 0.0f, -1.0f}, NO_PICK_DISTANCE, 0};
    pick_test_county(ray, 114);
    pick_test_county(ray, 69);
    EXPECT_EQ(ray.best_county, 114);  // equal distance: the first stays
    EXPECT_FLOAT_EQ(ray.best_distance, static_cast<float>(std::hypot(45.0, 7.0)));
    ray.best_distance = NO_PICK_DISTANCE;
    pick_test_county(ray, 69);
    pick_test_county(ray, 114);
    EXPECT_EQ(ray.best_county, 69);

    // a line along the map plane meets no county, nor does one that is not a number
    pick_ray flat{{194.0f, 755.0f, 10.0f}, {1.0f, 0.0f, 0.0f}, NO_PICK_DISTANCE, 0};
    pick_test_county(flat, 69);
    EXPECT_EQ(flat.best_distance, NO_PICK_DISTANCE);
    pick_ray undefined{{194.0f, 755.0f, 10.0f}, {0.0f, 0.0f, std::nanf("")}, NO_PICK_DISTANCE, 0};
    pick_test_county(undefined, 69);
    EXPECT_EQ(undefined.best_distance, NO_PICK_DISTANCE);

    // through the window, counties tested in index order
    set_projection(801, 601);
    app_state.view_center = {194.0f, 755.0f, 0.0f};
    int16_t picked = -1;
    ASSERT_EQ(pick_county(400, 300, &picked), 1);
    EXPECT_EQ(picked, 69);
}

TEST_F(PickTest, WindowsWithoutTwoPixelsEachWayPickNothing) {
    const std::pair<int, int> sizes[] = {{1, 600}, {800, 1}, {1, 1}, {0, 600}, {800, 0}};
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        set_projection(w, h);
        int16_t picked = 1234;
        EXPECT_EQ(pick_county(0, 0, &picked), 0);
        EXPECT_EQ(pick_county(w / 2, h / 2, &picked), 0);
        EXPECT_EQ(pick_county(400, 300, &picked), 0);
        EXPECT_EQ(picked, 1234);
    }
}

TEST_F(PickTest, AZeroSizeStoresTheSizeAndKeepsTheProjection) {
    set_projection(800, 600);
    float before[16], after[16];
    GLint viewport_before[4], viewport_after[4];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    glGetIntegerv(GL_VIEWPORT, viewport_before);
    for (auto [w, h] : {std::pair{0, 600}, {800, 0}, {0, 0}}) {
        set_projection(w, h);
        EXPECT_EQ(app_state.win_width, w);
        EXPECT_EQ(app_state.win_height, h);
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        glGetIntegerv(GL_VIEWPORT, viewport_after);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << "element " << i;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport_after[i], viewport_before[i]);
    }
    // the next real size sets it again
    set_projection(600, 600);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_FLOAT_EQ(after[0], 4.0f);
}

TEST_F(PickTest, PickingLeavesTheMatricesAsItFoundThem) {
    set_projection(640, 480);
    int16_t first = -1, second = -1;
    // right after a resize, before any frame: the projection matrix is current
    ASSERT_EQ(pick_county(200, 300, &first), 1);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 4.0 / (640.0 / 480.0), 1e-6);
    EXPECT_NEAR(projection[12], 0.0, 1e-9);

    // after a frame the drawn view's model-view matrix stays for the next frame
    draw_frame();
    float drawn[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, drawn);
    ASSERT_EQ(pick_county(200, 300, &second), 1);
    EXPECT_EQ(second, first);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], drawn[i]) << "element " << i;
}

TEST(Vec3, HelpersWorkInPlaceAndLeaveAZeroVectorAlone) {
    vec3 zero{0.0f, 0.0f, 0.0f};
    vec3_normalize(zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
    vec3 v{3.0f, 0.0f, -4.0f};
    vec3_normalize(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, -0.8f);
    EXPECT_FLOAT_EQ(vec3_length(vec3{2.0f, -3.0f, 6.0f}), 7.0f);
    EXPECT_FLOAT_EQ(vec3_dot(vec3{1.0f, 2.0f, 3.0f}, vec3{4.0f, -5.0f, 6.0f}), 12.0f);

    // A quarter turn about z, then a move by (10, 20, 30), column-major; the
    // fourth row holds rubbish that must not matter (no division by w).
    const float m[16] = {0, 1, 0, 7, -1, 0, 0, 7, 0, 0, 1, 7, 10, 20, 30, 7};
    vec3 p{1.0f, 2.0f, 3.0f};
    mat4_transform_point(m, p, 1.0f, p);  // out is p: each component from the old p
    EXPECT_EQ(p.x, 8.0f);
    EXPECT_EQ(p.y, 21.0f);
    EXPECT_EQ(p.z, 33.0f);
    vec3 q{1.0f, 2.0f, 3.0f}, out{};
    mat4_transform_point(m, q, 0.0f, out);  // w = 0: a direction, not moved
    EXPECT_EQ(out.x, -2.0f);
    EXPECT_EQ(out.y, 1.0f);
    EXPECT_EQ(out.z, 3.0f);
}

}  // namespace
