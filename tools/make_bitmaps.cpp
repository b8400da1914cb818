// make-bitmaps: draws the program's own bitmaps into res/.
//
//   make-bitmaps <folder>     writes bitmap110.bmp and bitmap113.bmp .. bitmap118.bmp
//
// bitmap110 is the logo, 322 x 115 in 16 colours. 113 to 118 are the
// navigation buttons, 24-bit: down, up, zoom in, right, zoom out, left. Every
// picture is drawn here from a few shapes, letters included; nothing is read.
// Same bytes every run: the drawing is plain arithmetic and square roots
// (which IEEE rounds exactly), with no trigonometry, clock or locale.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<unsigned char>;

// ---- Geometry ------------------------------------------------------------

struct vec {
    double x, y;
};
vec operator+(vec a, vec b) { return {a.x + b.x, a.y + b.y}; }
vec operator-(vec a, vec b) { return {a.x - b.x, a.y - b.y}; }
vec operator*(double k, vec a) { return {k * a.x, k * a.y}; }
double dot(vec a, vec b) { return a.x * b.x + a.y * b.y; }
double cross(vec a, vec b) { return a.x * b.y - a.y * b.x; }
double length(vec a) { return std::sqrt(dot(a, a)); }
vec unit(vec a) { return (1.0 / length(a)) * a; }

using polygon = std::vector<vec>;

double segment_distance(vec p, vec a, vec b) {
    vec ab = b - a, ap = p - a;
    double len2 = dot(ab, ab);
    double t = len2 > 0 ? std::clamp(dot(ap, ab) / len2, 0.0, 1.0) : 0.0;
    return length(ap - t * ab);
}

// Distance from p to the polygon's outline, negative inside (even-odd rule).
double polygon_distance(const polygon& poly, vec p) {
    double d = 1e9;
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        vec a = poly[j], b = poly[i];
        d = std::min(d, segment_distance(p, a, b));
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
    }
    return inside ? -d : d;
}

// An arrow along +x from its tail at x = 0 to its tip at x = length, centred on y = 0.
polygon arrow_outline(double length, double shaft_half, double head_half, double head_length) {
    double neck = length - head_length;
    return {{0, -shaft_half}, {neck, -shaft_half}, {neck, -head_half}, {length, 0},
            {neck, head_half},  {neck, shaft_half},  {0, shaft_half}};
}

// ---- BMP files -----------------------------------------------------------

void put16(bytes& out, uint32_t v) {
    for (int i = 0; i < 2; ++i) out.push_back(uint8_t(v >> 8 * i));
}
void put32(bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> 8 * i));
}

// BITMAPFILEHEADER and BITMAPINFOHEADER of a bottom-up, uncompressed picture
// whose colour table, if any, follows.
bytes bmp_header(int width, int height, int bits, int colours, uint32_t row_bytes) {
    uint32_t offset = 14 + 40 + 4 * colours, image = row_bytes * height;
    bytes out = {'B', 'M'};
    put32(out, offset + image);
    put32(out, 0);  // two reserved words
    put32(out, offset);
    put32(out, 40);
    put32(out, width);
    put32(out, height);  // positive: rows bottom-up
    put16(out, 1);       // planes
    put16(out, bits);
    put32(out, 0);  // BI_RGB
    put32(out, image);
    put32(out, 2835);  // 72 dots an inch
    put32(out, 2835);
    put32(out, colours);
    put32(out, 0);  // all colours important
    return out;
}

bool write_file(const std::string& path, const bytes& data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path.c_str());  // no half-written picture left behind
    return ok;
}

// ---- Buttons: 24-bit, smoothed edges -------------------------------------

struct colour {
    double r, g, b;
};
colour mix(colour a, colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr colour FACE = {236, 233, 216};
constexpr colour HIGHLIGHT = {255, 255, 255};  // top and left edges
constexpr colour EDGE_SHADOW = {96, 96, 96};   // bottom and right edges
constexpr colour BLACK = {0, 0, 0};
constexpr colour FACE_SHADOW = {196, 192, 174};  // the arrow's shadow on the face
constexpr int EDGE_WIDTH = 2;
constexpr double OUTLINE_WIDTH = 1.1;

struct picture {
    int width, height;
    std::vector<colour> pixels;  // top row first
    colour& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    colour at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

picture blank_button(int width, int height) {
    picture pic{width, height, std::vector<colour>(std::size_t(width) * height, FACE)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int near_light = std::min(x, y), near_dark = std::min(width - 1 - x, height - 1 - y);
            if (near_light >= EDGE_WIDTH && near_dark >= EDGE_WIDTH) continue;
            // where the two bands meet, in the top-right and bottom-left corners, the nearer edge wins
            pic.at(x, y) = near_light < near_dark ? HIGHLIGHT : EDGE_SHADOW;
        }
    return pic;
}

// Lays a shape over the picture. distance(p) is its signed distance in
// pixels and fill(p) its colour; a black outline runs just inside its edge.
// Coverage is taken from the distance, so edges blend over about a pixel.
template <class Distance, class Fill>
void paint(picture& pic, Distance distance, Fill fill, double outline) {
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            vec p = {x + 0.5, y + 0.5};
            double d = distance(p);
            double cover = std::clamp(0.5 - d, 0.0, 1.0);
            if (cover <= 0) continue;
            double inner = std::clamp(0.5 - (d + outline), 0.0, 1.0);
            pic.at(x, y) = mix(pic.at(x, y), mix(BLACK, fill(p), inner), cover);
        }
}

// Bounding box of the shapes, to run a shading across.
struct box {
    vec lo = {1e9, 1e9}, hi = {-1e9, -1e9};
    void add(const polygon& poly) {
        for (vec v : poly) {
            lo = {std::min(lo.x, v.x), std::min(lo.y, v.y)};
            hi = {std::max(hi.x, v.x), std::max(hi.y, v.y)};
        }
    }
};

// Lit from the top left, like the button's edges: light there, dark at the bottom right.
colour shade(const box& b, vec p, colour light, colour dark) {
    double t = ((p.x - b.lo.x) / (b.hi.x - b.lo.x) + (p.y - b.lo.y) / (b.hi.y - b.lo.y)) / 2;
    return mix(light, dark, std::clamp(t, 0.0, 1.0));
}

constexpr colour RED_LIGHT = {255, 120, 104}, RED_DARK = {168, 0, 0};
constexpr colour GREEN_LIGHT = {128, 228, 112}, GREEN_DARK = {0, 128, 24}, GREEN_SLAB = {0, 84, 16};

// A flat red arrow, tail at `tail`, pointing along the unit vector `dir`, with
// a soft shadow below and to the right.
picture flat_arrow_button(int width, int height, vec tail, vec dir) {
    picture pic = blank_button(width, height);
    vec across = {-dir.y, dir.x};
    polygon arrow;
    for (vec v : arrow_outline(24, 5.5, 13, 12)) arrow.push_back(tail + v.x * dir + v.y * across);
    box b;
    b.add(arrow);
    polygon shadow;
    for (vec v : arrow) shadow.push_back(v + vec{1.5, 1.5});
    paint(pic, [&](vec p) { return polygon_distance(shadow, p) + 0.3; }, [](vec) { return FACE_SHADOW; }, 0.0);
    paint(pic, [&](vec p) { return polygon_distance(arrow, p); },
          [&](vec p) { return shade(b, p, RED_LIGHT, RED_DARK); }, OUTLINE_WIDTH);
    return pic;
}

// A green arrow lying flat on a table in front of the viewer, pointing into
// the screen (away) or out of it (towards), seen in perspective: far parts are
// smaller and higher. The arrow is a slab, so its near edges show a dark side.
picture perspective_arrow_button(bool away) {
    constexpr int W = 64, H = 32;
    constexpr double NEAR = 1.0, FAR = 2.5;         // depths of the arrow's two ends
    constexpr double NEAR_Y = 26.5, FAR_Y = 5.0;    // where those ends appear
    constexpr double SPREAD = 34.0;                 // pixels across per table unit at depth 1
    constexpr double THICKNESS = 0.07;              // the slab, in table units
    const double k = (NEAR_Y - FAR_Y) / (1 / NEAR - 1 / FAR), horizon = NEAR_Y - k / NEAR;
    const double length = 1.0;
    polygon flat = arrow_outline(length, 0.3, 0.8, 0.55);
    // screen position of the arrow's point v (along from tail 0 to tip `length`, across), `drop` below its top face
    auto project = [&](vec v, double drop) {
        double t = v.x / length, z = away ? NEAR + (FAR - NEAR) * t : FAR - (FAR - NEAR) * t;
        return vec{W / 2.0 + SPREAD * v.y / z, horizon + k * (1 + drop) / z};
    };
    std::vector<polygon> layers;  // the top face, then lower copies down to the slab's bottom
    for (int i = 0; i <= 6; ++i) {
        polygon layer;
        for (vec v : flat) layer.push_back(project(v, THICKNESS * i / 6));
        layers.push_back(layer);
    }
    box b;
    b.add(layers[0]);
    picture pic = blank_button(W, H);
    paint(pic,
          [&](vec p) {
              double d = 1e9;
              for (const polygon& layer : layers) d = std::min(d, polygon_distance(layer, p));
              return d;
          },
          [](vec) { return GREEN_SLAB; }, OUTLINE_WIDTH);
    paint(pic, [&](vec p) { return polygon_distance(layers[0], p); },
          [&](vec p) { return shade(b, p, GREEN_LIGHT, GREEN_DARK); }, OUTLINE_WIDTH);
    return pic;
}

uint8_t to_byte(double v) { return uint8_t(std::clamp(std::floor(v + 0.5), 0.0, 255.0)); }

bytes encode_24(const picture& pic) {
    uint32_t row_bytes = (uint32_t(pic.width) * 3 + 3) & ~3u;
    bytes out = bmp_header(pic.width, pic.height, 24, 0, row_bytes);
    for (int y = pic.height - 1; y >= 0; --y) {
        for (int x = 0; x < pic.width; ++x) {
            colour c = pic.at(x, y);
            out.push_back(to_byte(c.b));
            out.push_back(to_byte(c.g));
            out.push_back(to_byte(c.r));
        }
        out.resize(out.size() + (row_bytes - pic.width * 3), 0);
    }
    return out;
}

// ---- The logo: 16 colours, hard edges --------------------------------------

enum : uint8_t {
    BACKGROUND, INK, DARK_GREY, MID_GREY, LAND, LAND_EDGE,
    RED_TOP, RED_FRONT, RED_SIDE, GREEN_TOP, GREEN_FRONT, GREEN_SIDE, BLUE_TOP, BLUE_FRONT, BLUE_SIDE,
    LETTERS,
};

constexpr uint8_t PALETTE[16][3] = {
    {246, 244, 236},  // background
    {0, 0, 0},        // outlines
    {96, 96, 96},     // the base's side
    {176, 176, 172},  // the letters' shadow
    {236, 226, 186},  // the base's top: land
    {190, 174, 126},  // the base's front edge
    {244, 128, 112}, {208, 40, 32},  {136, 16, 16},   // red bar: top, front, side
    {144, 224, 120}, {40, 160, 48},  {16, 96, 24},    // green bar
    {136, 176, 240}, {40, 96, 200},  {16, 48, 120},   // blue bar
    {28, 48, 104},    // the letters
};

struct index_picture {
    int width, height;
    std::vector<uint8_t> pixels;  // top row first
};

// Fills every pixel whose centre lies inside the shape (distance <= 0); with
// an outline index, those within `outline` of the edge take that instead.
template <class Distance>
void paint(index_picture& pic, Distance distance, uint8_t fill, int outline_index = -1, double outline = 1.0) {
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            double d = distance(vec{x + 0.5, y + 0.5});
            if (d > 0) continue;
            pic.pixels[std::size_t(y) * pic.width + x] = outline_index >= 0 && d > -outline ? outline_index : fill;
        }
}

void paint_polygon(index_picture& pic, const polygon& poly, uint8_t fill) {
    paint(pic, [&](vec p) { return polygon_distance(poly, p) - 0.5; }, fill, INK);
}

// A bar standing on the base, drawn in oblique projection: the front face
// square on, the top and right side going back up to the right.
void draw_bar(index_picture& pic, double left, double bottom, double width, double height, vec depth,
              uint8_t top) {
    double right = left + width, up = bottom - height;
    const vec back_up = vec{right, up} + depth, back_bottom = vec{right, bottom} + depth;
    paint_polygon(pic, {{left, up}, {right, up}, {right, bottom}, {left, bottom}}, top + 1);      // front
    paint_polygon(pic, {{right, up}, back_up, back_bottom, {right, bottom}}, top + 2);            // side
    paint_polygon(pic, {{left, up}, {left + depth.x, up + depth.y}, back_up, {right, up}}, top);  // top
}

// The lettering is a stroke font: each letter is a few lines and circular
// arcs, and a pixel is ink when it is within half a stroke of one of them.
struct stroke {
    bool arc;
    vec a, b;            // a line's ends; an arc's limits, as unit directions from its centre
    vec centre;
    double radius;
    bool whole = false;  // an arc that is a full circle
    bool gap = false;    // an arc that is the circle less the sector from a to b
};

stroke line(vec a, vec b) { return {false, a, b, {}, 0}; }
stroke arc(vec centre, double radius, vec from, vec to, bool gap = false) {
    return {true, unit(from), unit(to), centre, radius, false, gap};
}
stroke circle(vec centre, double radius) { return {true, {1, 0}, {1, 0}, centre, radius, true}; }

// Whether direction v lies in the sector from a to b, the short way round.
bool in_sector(vec a, vec b, vec v) {
    double turn = cross(a, b);
    return cross(a, v) * turn >= 0 && cross(v, b) * turn >= 0 && dot(v, a + b) >= 0;
}

double stroke_distance(const stroke& s, vec p) {
    if (!s.arc) return segment_distance(p, s.a, s.b);
    vec v = p - s.centre;
    bool on_arc = s.whole || in_sector(s.a, s.b, v) != s.gap;
    if (on_arc) return std::abs(length(v) - s.radius);
    return std::min(length(p - (s.centre + s.radius * s.a)), length(p - (s.centre + s.radius * s.b)));
}

struct lettering {
    double baseline, x_height, cap_height, stroke;
};

// Adds the strokes of one letter whose left edge is at x; returns its width.
double add_letter(char c, double x, const lettering& f, std::vector<stroke>& out) {
    const double h = f.stroke / 2, base = f.baseline - h, x_top = f.baseline - f.x_height + h;
    const double cap_top = f.baseline - f.cap_height + h, stem = x + h;
    const double r = (f.x_height - f.stroke) / 2;  // round letters' bowls
    const vec bowl = {x + h + r, f.baseline - f.x_height / 2};
    switch (c) {
    case 'P': {
        double br = (f.cap_height * 0.56 - f.stroke) / 2, straight = f.stroke * 0.9;
        vec centre = {stem + straight, cap_top + br};
        out.push_back(line({stem, base}, {stem, cap_top}));
        out.push_back(line({stem, cap_top}, {centre.x, cap_top}));
        out.push_back(line({stem, cap_top + 2 * br}, {centre.x, cap_top + 2 * br}));
        out.push_back(arc(centre, br, {0, -1}, {1, 0}));
        out.push_back(arc(centre, br, {1, 0}, {0, 1}));
        return straight + br + f.stroke;
    }
    case 'l':
        out.push_back(line({stem, base}, {stem, cap_top}));
        return f.stroke;
    case 'e':
        out.push_back(line({bowl.x - r, bowl.y}, {bowl.x + r, bowl.y}));
        out.push_back(arc(bowl, r, {1, 0}, {0.72, 0.7}, true));  // open at the lower right
        return 2 * r + f.stroke;
    case 'x': {
        double w = f.x_height * 0.86;
        out.push_back(line({x + h, base}, {x + w - h, x_top}));
        out.push_back(line({x + h, x_top}, {x + w - h, base}));
        return w;
    }
    case 'a':
        out.push_back(circle(bowl, r));
        out.push_back(line({bowl.x + r, x_top}, {bowl.x + r, base}));
        return 2 * r + f.stroke;
    case 'r': {
        double rr = f.x_height * 0.34;
        vec centre = {stem + rr, x_top + rr};
        out.push_back(line({stem, base}, {stem, x_top + rr}));
        out.push_back(arc(centre, rr, {-1, 0}, {0, -1}));
        out.push_back(line({centre.x, x_top}, {centre.x + f.stroke * 0.45, x_top}));
        return rr + f.stroke * 0.45 + f.stroke;
    }
    }
    return 0;
}

index_picture draw_logo() {
    index_picture pic{322, 115, std::vector<uint8_t>(322 * 115, BACKGROUND)};

    // The base: a slab of land seen from the front and a little above.
    const vec depth = {20, -15};
    const double base_left = 6, base_right = 86, base_front = 98, thickness = 5;
    paint_polygon(pic, {{base_left, base_front}, {base_right, base_front}, {base_right, base_front + thickness},
                        {base_left, base_front + thickness}},
                  LAND_EDGE);
    paint_polygon(pic, {{base_right, base_front}, {base_right + depth.x, base_front + depth.y},
                        {base_right + depth.x, base_front + depth.y + thickness}, {base_right, base_front + thickness}},
                  DARK_GREY);
    paint_polygon(pic, {{base_left, base_front}, {base_left + depth.x, base_front + depth.y},
                        {base_right + depth.x, base_front + depth.y}, {base_right, base_front}},
                  LAND);

    // Bars of different heights standing on it, midway back, drawn left to right
    // so each one's front covers its left neighbour's side.
    const struct {
        double left, height;
        uint8_t colour;
    } bars[] = {{15, 34, BLUE_TOP}, {34, 62, RED_TOP}, {53, 46, GREEN_TOP}, {72, 80, BLUE_TOP}};
    const vec bar_depth = {8, -6};
    for (const auto& bar : bars) draw_bar(pic, bar.left, base_front - 7, 13, bar.height, bar_depth, bar.colour);

    // The name, to the right, with a shadow down and to the right.
    const lettering font = {92, 36, 54, 10};
    const double gap = 4;
    std::vector<stroke> strokes;
    double x = 0;
    for (char c : std::string("Plexar")) x += add_letter(c, x, font, strokes) + gap;
    double word = x - gap, left = 112 + (322 - 4 - 112 - word) / 2;  // centred right of the base
    for (stroke& s : strokes) {
        vec shift = {left, 0};
        s.a = s.arc ? s.a : s.a + shift;
        s.b = s.arc ? s.b : s.b + shift;
        s.centre = s.centre + shift;
    }
    auto ink = [&](vec p) {
        double d = 1e9;
        for (const stroke& s : strokes) d = std::min(d, stroke_distance(s, p));
        return d - font.stroke / 2;
    };
    paint(pic, [&](vec p) { return ink(p - vec{2.5, 2.5}); }, MID_GREY);
    paint(pic, ink, LETTERS);
    return pic;
}

bytes encode_4(const index_picture& pic) {
    uint32_t row_bytes = ((uint32_t(pic.width) * 4 + 31) / 32) * 4;
    bytes out = bmp_header(pic.width, pic.height, 4, 16, row_bytes);
    for (const auto& c : PALETTE) out.insert(out.end(), {c[2], c[1], c[0], 0});
    for (int y = pic.height - 1; y >= 0; --y) {
        bytes row(row_bytes, 0);
        for (int x = 0; x < pic.width; ++x)
            row[x / 2] |= pic.pixels[std::size_t(y) * pic.width + x] << (x % 2 ? 0 : 4);  // left pixel high
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bitmaps <output folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);  // an existing folder is fine

    picture down = flat_arrow_button(64, 32, {32, 4}, {0, 1});
    picture up = flat_arrow_button(64, 32, {32, 28}, {0, -1});
    picture zoom_in = perspective_arrow_button(true);
    picture right = flat_arrow_button(32, 64, {4, 32}, {1, 0});
    picture zoom_out = perspective_arrow_button(false);
    picture left = flat_arrow_button(32, 64, {28, 32}, {-1, 0});
    const struct {
        const char* name;
        bytes data;
    } files[] = {
        {"bitmap110.bmp", encode_4(draw_logo())}, {"bitmap113.bmp", encode_24(down)},
        {"bitmap114.bmp", encode_24(up)},         {"bitmap115.bmp", encode_24(zoom_in)},
        {"bitmap116.bmp", encode_24(right)},      {"bitmap117.bmp", encode_24(zoom_out)},
        {"bitmap118.bmp", encode_24(left)},
    };
    int status = 0;
    for (const auto& f : files) {
        std::string path = folder + "/" + f.name;
        if (write_file(path, f.data)) {
            std::printf("wrote %s\n", path.c_str());
        } else {
            std::fprintf(stderr, "make-bitmaps: can't write %s\n", path.c_str());
            status = 1;
        }
    }
    return status;
}
