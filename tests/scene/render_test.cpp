// The 3D view drawn offscreen (Mesa) and read back. Where a point lands comes from view_math.h;
// the map colours are those tools/make_map.cpp paints into data/maps/karto04.bmp.

#include <algorithm>
#include <array>

#include "image/image.h"
#include "scene/gl_test.h"
#include "scene/scene.h"
#include "scene/view_math.h"
#include "test_util.h"

namespace {

using rgb = std::array<int, 3>;
const rgb BACKGROUND = {160, 160, 160}, WHITE = {255, 255, 255};  // clear colour 0.6275
const rgb OUTSIDE = {196, 206, 216}, LAND = {250, 242, 214}, HALF_LAND = {125, 121, 107};
const int BREWSTER = 21, HARRIS = 100;  // Brewster has open land around it

testing::AssertionResult near(const rgb& a, const rgb& b, int tolerance) {  // reports the colour seen
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return testing::AssertionFailure() << testing::PrintToString(a);
    return testing::AssertionSuccess() << testing::PrintToString(a);
}
rgb grey(double g, bool blue = true) { int v = int(std::lround(g * 255.0)); return {v, v, blue ? v : 0}; }

struct picture {  // one frame as read back, rows bottom-up
    int width = 0, height = 0;
    std::vector<unsigned char> bytes;
    rgb at(int c, int r) const {
        if (c < 0 || r < 0 || c >= width || r >= height) return {-1, -1, -1};
        const unsigned char* p = &bytes[(std::size_t(r) * width + c) * 3];
        return {p[0], p[1], p[2]};
    }
    rgb at(const test::window_point& w) const { return at(w.column(), w.row()); }
    rgb at(double x, double y, double z) const { return at(test::project(test::current_camera(), x, y, z)); }
};

picture read_back() {
    rgb_image image{};
    if (!read_frame(&image)) ADD_FAILURE() << "read_frame failed";
    picture p{image.width, image.height, {image.pixels, image.pixels + std::size_t(image.width) * image.height * 3}};
    image_free(&image);
    return p;
}
picture first_frame(int width, int height) { return set_projection(width, height), init_scene(), read_back(); }

// Aims from a tilt of 60 at the whole side of a bar (scene height h) that the yaw
// turns to the eye (0: y = Y - 5, 90: x = X + 5, ...); returns the side's middle.
std::array<double, 2> frame_bar_side(int county, double h, double yaw) {
    const double rad = yaw * std::acos(-1.0) / 180.0, drawn = 4.0 * std::max(h, 1.0), beyond = 154.0 / 160.0 * drawn;
    const double fx = county_table[county].x + 5.0 * std::sin(rad), fy = county_table[county].y - 5.0 * std::cos(rad);
    app_state.view_tilt = 60.0f, app_state.view_yaw = float(yaw), app_state.view_distance = float(530.0 / 160.0 * drawn);
    app_state.view_center = {float(fx - beyond * std::sin(rad)), float(fy + beyond * std::cos(rad)), 0.0f};
    return {fx, fy};
}

// The framed side: the face colour in every unit of height, a dark band over
// the top eighth of each unit, and no face above the bar's top.
void expect_striped_side(int county, double h, double yaw, const rgb& face) {
    const std::array<double, 2> side = frame_bar_side(county, h, yaw);
    const picture p = (draw_frame(), read_back());
    auto at = [&, cam = test::current_camera()](double z) {
        test::window_point w = test::project(cam, side[0], side[1], z);
        EXPECT_TRUE(w.inside) << "the framing misses height " << z;
        return w;
    };
    for (int k = 0; k < static_cast<int>(h); ++k) {
        EXPECT_TRUE(near(p.at(at(k + 0.44)), face, 3)) << "unit " << k;
        int column = at(k + 0.9375).column(), low = at(k + 0.875).row(), high = at(k + 1.0).row();
        bool dark = false;  // the band is one or two pixels high
        for (int row = std::min(low, high); row <= std::max(low, high); ++row)
            dark = dark || near(p.at(column, row), {0, 0, 0}, 40);
        EXPECT_TRUE(dark) << "no dark band in unit " << k;
    }
    EXPECT_FALSE(near(p.at(at(h * 1.03)), face, 8)) << "the side goes on above its top";
}

using RenderTest = test::gl_test;

TEST_F(RenderTest, InitialViewShowsTheMapTexelsOnGrey) {
    const picture p = first_frame(512, 384);
    ASSERT_EQ(std::pair(p.width, p.height), std::pair(512, 384));
    for (auto [c, r] : {std::pair{0, 0}, {511, 0}, {0, 383}, {511, 383}}) EXPECT_EQ(p.at(c, r), BACKGROUND);
    // A map flipped up-down or left-right would put the other colour in the panhandle.
    for (auto [x, y, colour] : {std::tuple{700.0, 1250.0, LAND}, {700.0, 138.0, OUTSIDE}, {1182.0, 1250.0, OUTSIDE},
                                {540.0, 540.0, LAND}})
        EXPECT_TRUE(near(p.at(x, y, 0), colour, 3)) << x << ", " << y;
}

TEST_F(RenderTest, WithoutAMapFileTheMapIsWhiteAndTheLossIsReportedOnce) {
    test::scratch_dir empty;
    test::message_recorder messages;
    set_projection(512, 384);
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(empty.path());
    init_scene();
    build_scene();
    std::filesystem::current_path(home);
    EXPECT_EQ(messages.messages(), test::message_list({{"make_map() - can't read map!", "ERROR!"}}));
    const picture p = read_back();
    EXPECT_EQ(p.at(0, 0), BACKGROUND);
    for (auto [x, y] : {std::pair{100.0, 100.0}, {700.0, 1250.0}, {1850.0, 700.0}})
        EXPECT_EQ(p.at(x, y, 0), WHITE) << x << ", " << y;
}

TEST_F(RenderTest, BarSidesAreStripedInOneGreyPerSideAndYellowForNegativeAndUndefinedValues) {
    record_table[BREWSTER].values[0] = 40.0f;
    set_projection(1024, 768);
    init_scene();
    for (auto [yaw, g] : {std::pair{0.0, 0.9}, {90.0, 0.93}, {180.0, 0.96}, {-90.0, 0.99}}) {
        SCOPED_TRACE("yaw " + std::to_string(yaw));
        expect_striped_side(BREWSTER, 40, yaw, grey(g));
    }
    // Negative and undefined values have yellow sides.
    record_table[BREWSTER].values[0] = -40.0f, app_state.height_scale = 0.1f;  // 4 units tall
    build_scene();
    expect_striped_side(BREWSTER, 4, 0, grey(0.9, false));

    // NaN and -inf stand at the minimum height like -0.05, +inf like 0.05.
    const std::array<double, 2> side = frame_bar_side(BREWSTER, 1, 0);
    auto draw_with = [](float v) { return record_table[BREWSTER].values[0] = v, build_scene(), read_back(); };
    const picture nan = draw_with(NAN), small_negative = draw_with(-0.05f), small = draw_with(0.05f);
    EXPECT_TRUE(near(nan.at(side[0], side[1], 0.05), grey(0.9, false), 3));
    EXPECT_TRUE(near(nan.at(side[0], side[1], 0.5), LAND, 3)) << "the side goes on above 0.1";
    EXPECT_TRUE(near(small.at(side[0], side[1], 0.05), grey(0.9), 3));
    EXPECT_TRUE(nan.bytes == small_negative.bytes);
    EXPECT_TRUE(draw_with(-INFINITY).bytes == small_negative.bytes);
    EXPECT_TRUE(draw_with(INFINITY).bytes == small.bytes);
}

TEST_F(RenderTest, HighlightedTopShowsTheMapAtHalfBrightnessAndBuildingAgainGivesTheSamePicture) {
    test::message_recorder messages;
    county_table[HARRIS].selected = 1;
    app_state.view_center = {1579.0f, 529.0f, 0.0f}, app_state.view_distance = 400.0f;  // Harris, straight down
    const picture p = first_frame(256, 192);  // about a unit per pixel
    EXPECT_TRUE(near(p.at(1579, 529, MIN_BAR_HEIGHT), HALF_LAND, 2));
    EXPECT_TRUE(near(p.at(1582.5, 532.5, MIN_BAR_HEIGHT), HALF_LAND, 2));  // near a corner
    EXPECT_TRUE(near(p.at(1587, 529, 0), LAND, 2));                  // just off the top
    EXPECT_TRUE(near(p.at(1617, 570, MIN_BAR_HEIGHT), LAND, 2));     // Liberty's top

    ASSERT_EQ(read_records("./data/sample/texas.dat"), 1);
    app_state.active_field = 2;  // median age: every bar a few dozen units tall
    app_state.view_tilt = 45.0f, app_state.view_yaw = 30.0f;
    const picture first = (build_scene(), read_back());
    county_table[HARRIS].value = 1000.0f;  // each build starts again from the records
    EXPECT_TRUE((build_scene(), read_back()).bytes == first.bytes);
    EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
