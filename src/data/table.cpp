// County tables: a user's own figures as spreadsheets and statistics offices
// write them, matched to the counties by name or code.
//
// Contents: text (bytes to UTF-8) - cells (delimiters and quotes) - numbers -
// places (what a key cell names) - read_table.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/data.h"

namespace {

using std::string_view;

// ---- Text: bytes to UTF-8 ----------------------------------------------------

void put_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the UTF-8 sequence at s[i]; returns its length, or 0 when the bytes
// there are not well-formed UTF-8 (overlong forms and surrogates included).
std::size_t utf8_at(string_view s, std::size_t i, uint32_t& c) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) return c = lead, 1;
    std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (n == 0 || lead > 0xF4 || i + n > s.size()) return 0;
    c = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        c = c << 6 | (b(k) & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

bool valid_utf8(string_view s) {
    uint32_t c;
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = utf8_at(s, i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

// Windows-1252 from 0x80 to 0x9F; its five unused bytes keep their own code.
constexpr char16_t CP1252_HIGH[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The file's text as UTF-8. A byte-order mark names UTF-8 or UTF-16 (what
// spreadsheets call "Unicode text"); text that is not valid UTF-8 is
// Windows-1252, as spreadsheets on Windows save it.
std::string to_utf8(std::string& bytes) {
    const auto byte = [&](std::size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)) {
        const bool little = byte(0) == 0xFF;
        std::string out;
        out.reserve(bytes.size());
        const auto unit = [&](std::size_t i) {
            const auto lo = static_cast<unsigned char>(bytes[i + !little]), hi = static_cast<unsigned char>(bytes[i + little]);
            return static_cast<uint32_t>(hi << 8 | lo);
        };
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            uint32_t c = unit(i);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
                i += 2;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            put_utf8(out, c);
        }
        return out;
    }
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) bytes.erase(0, 3);
    if (valid_utf8(bytes)) return std::move(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        put_utf8(out, b < 0x80 ? b : b < 0xA0 ? CP1252_HIGH[b - 0x80] : b);
    }
    return out;
}

// ---- Cells -------------------------------------------------------------------

struct span {
    uint32_t at, size;
};

// A table's cells, row by row, in a text whose quoted cells are unescaped.
struct grid {
    std::string text;
    std::vector<span> cells;
    std::vector<uint32_t> first = {0};  // row r is cells[first[r] .. first[r + 1])
    std::vector<uint32_t> line;         // the line each row starts on

    std::size_t rows() const { return first.size() - 1; }
    std::size_t width(std::size_t r) const { return first[r + 1] - first[r]; }
    string_view cell(std::size_t r, std::size_t c) const {
        if (c >= width(r)) return {};
        const span& s = cells[first[r] + c];
        return string_view(text).substr(s.at, s.size);
    }
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

string_view trim(string_view s) {
    for (;;) {
        if (!s.empty() && is_blank(s.front())) {
            s.remove_prefix(1);
        } else if (s.size() >= 2 && s.substr(0, 2) == "\xC2\xA0") {  // no-break space
            s.remove_prefix(2);
        } else if (!s.empty() && is_blank(s.back())) {
            s.remove_suffix(1);
        } else if (s.size() >= 2 && s.substr(s.size() - 2) == "\xC2\xA0") {
            s.remove_suffix(2);
        } else {
            return s;
        }
    }
}

std::string with_commas(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::string s;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) s += ',';
        s += digits[i];
    }
    return s;
}

// Splits text into rows of cells as spreadsheets write them: a cell that
// starts with a quote runs to the closing quote, across delimiters and line
// breaks, with a doubled quote standing for one. Rows end in LF, CR LF or CR;
// rows whose cells are all blank are left out. At most max_rows rows are
// read. Quoted cells are unescaped in place, so g.text is changed. False with
// the reason in error when the text breaks a limit or a quote never closes.
bool split_cells(grid& g, char delimiter, std::size_t max_rows, std::string& error) {
    std::string& t = g.text;
    const std::size_t n = t.size();
    std::size_t r = 0, w = 0;
    uint32_t line = 1;
    while (r < n && g.rows() < max_rows) {
        const std::size_t row_begin = r;
        const uint32_t row_line = line;
        const std::size_t row_cells = g.cells.size();
        bool blank = true;
        for (;;) {
            const std::size_t at = w;
            if (r < n && t[r] == '"') {
                blank = false;
                const uint32_t quote_line = line;
                for (++r;; ++r) {
                    if (r >= n) {
                        error = "the quote that opens on line " + std::to_string(quote_line) + " is never closed";
                        return false;
                    }
                    if (t[r] == '"') {
                        if (r + 1 < n && t[r + 1] == '"') {
                            ++r;
                        } else {
                            ++r;
                            break;
                        }
                    } else if (t[r] == '\n') {
                        ++line;
                    }
                    t[w++] = t[r];
                }
            }
            // the cell's unquoted part, or what follows its closing quote
            while (r < n && t[r] != delimiter && t[r] != '\n' && t[r] != '\r') t[w++] = t[r++];
            if (r - row_begin > TABLE_MAX_LINE) {
                error = "line " + std::to_string(row_line) + " is longer than 1 MB";
                return false;
            }
            if (!trim(string_view(t).substr(at, w - at)).empty()) blank = false;
            g.cells.push_back({static_cast<uint32_t>(at), static_cast<uint32_t>(w - at)});
            if (g.cells.size() - row_cells > TABLE_MAX_COLUMNS) {
                error = "line " + std::to_string(row_line) + " has more than " + std::to_string(TABLE_MAX_COLUMNS) +
                        " columns";
                return false;
            }
            if (r < n && t[r] == delimiter) {
                ++r;
                continue;
            }
            if (r < n && t[r] == '\r') ++r;
            if (r < n && t[r] == '\n') ++r;
            ++line;
            break;
        }
        if (blank) {
            g.cells.resize(row_cells);
            continue;
        }
        if (g.cells.size() > TABLE_MAX_CELLS) {
            error = "it has more than " + with_commas(TABLE_MAX_CELLS) + " cells";
            return false;
        }
        g.first.push_back(static_cast<uint32_t>(g.cells.size()));
        g.line.push_back(row_line);
    }
    return true;
}

// The delimiter that splits the first rows most evenly, as spreadsheets and
// statistics programs write tables: the one with which most of the next rows
// have as many cells as the first, then the one giving it the most cells.
char find_delimiter(const std::string& text) {
    std::string head = text.substr(0, 1 << 16);
    char best = ',';
    std::size_t best_agree = 0, best_width = 1;
    for (char d : {'\t', ';', ','}) {
        grid g;
        g.text = head;
        std::string ignored;
        split_cells(g, d, 21, ignored);
        if (g.rows() == 0 || g.width(0) < 2) continue;
        std::size_t agree = 0;
        for (std::size_t r = 1; r < g.rows(); ++r) agree += g.width(r) == g.width(0);
        if (agree > best_agree || (agree == best_agree && g.width(0) > best_width)) {
            best = d;
            best_agree = agree;
            best_width = g.width(0);
        }
    }
    return best;
}

// ---- Numbers -----------------------------------------------------------------

enum class cell_kind { number, none, text };

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Letters and digits only, lower case, accents dropped: how names are compared.
std::string fold(string_view s) {
    // Latin-1's letters from U+00C0, each as its plain letter ('-': none)
    static const char LATIN1[] = "aaaaaaaceeeeiiiidnooooo-ouuuuytsaaaaaaaceeeeiiiidnooooo-ouuuuyty";
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            if (is_digit(c) || (c >= 'a' && c <= 'z')) out += c;
            if (c >= 'A' && c <= 'Z') out += static_cast<char>(c - 'A' + 'a');
            ++i;
            continue;
        }
        uint32_t code = 0;
        std::size_t n = utf8_at(s, i, code);
        if (n == 0) n = 1;  // cannot happen after to_utf8; skip the byte
        if (code >= 0xC0 && code <= 0xFF && LATIN1[code - 0xC0] != '-') out += LATIN1[code - 0xC0];
        i += n;
    }
    return out;
}

// A number as people type them into spreadsheets: a sign, a leading "$",
// digits in groups of three between separators, a decimal mark, an exponent,
// a trailing "%" (or the "+" of a top-coded figure such as "250,000+").
bool parse_number(string_view s, char group, char decimal, float& value) {
    std::string plain;
    std::size_t p = 0;
    const auto sign = [&] {
        if (p < s.size() && (s[p] == '-' || s[p] == '+')) {
            if (s[p] == '-') plain += '-';
            ++p;
        } else if (s.substr(p, 3) == "\xE2\x88\x92") {  // the minus sign
            plain += '-';
            p += 3;
        }
    };
    sign();
    if (p < s.size() && s[p] == '$') {
        ++p;
        if (plain.empty()) sign();
    }
    std::size_t digits = 0, run = 0;
    bool grouped = false;
    for (; p < s.size(); ++p) {
        if (is_digit(s[p])) {
            plain += s[p];
            ++digits;
            ++run;
        } else if (s[p] == group && run > 0 && p + 1 < s.size() && is_digit(s[p + 1])) {
            if (grouped ? run != 3 : run > 3) return false;
            grouped = true;
            run = 0;
        } else {
            break;
        }
    }
    if (grouped && run != 3) return false;
    if (p < s.size() && s[p] == decimal) {
        plain += '.';
        for (++p; p < s.size() && is_digit(s[p]); ++p, ++digits) plain += s[p];
    }
    if (digits == 0) return false;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        std::size_t q = p + 1;
        std::string exponent = "e";
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) exponent += s[q++];
        if (q >= s.size() || !is_digit(s[q])) return false;
        for (; q < s.size() && is_digit(s[q]); ++q) exponent += s[q];
        plain += exponent;
        p = q;
    }
    // "49,6 %": European spreadsheets put a space before the sign
    std::size_t q = p;
    while (q < s.size() && (is_blank(s[q]) || s.substr(q, 2) == "\xC2\xA0" || s.substr(q, 3) == "\xE2\x80\xAF"))
        q += static_cast<unsigned char>(s[q]) < 0x80 ? 1 : s[q] == '\xC2' ? 2 : 3;
    if (q < s.size() && s[q] == '%') {
        p = q + 1;
    } else if (p < s.size() && s[p] == '+') {
        ++p;
    }
    if (p != s.size()) return false;
    float v;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// What a cell of a number column holds. Empty cells and the marks statistics
// offices put where a figure is missing or withheld ("N/A", "-", "(X)", "*",
// "#N/A") are no value. With decimal commas (semicolon tables) "1.234,5" is
// 1234.5, and a lone point with no valid grouping, as in "2.5", is a decimal
// point.
cell_kind read_value(string_view cell, bool decimal_comma, float& value) {
    string_view s = trim(cell);
    if (s.empty() || s.front() == '#') return cell_kind::none;
    if (std::none_of(s.begin(), s.end(), is_digit)) {
        static const string_view MARKS[] = {"", "na", "nan", "null", "none", "x", "n", "d", "s", "z", "nd", "nr", "ns"};
        const std::string f = fold(s);
        return std::find(std::begin(MARKS), std::end(MARKS), f) != std::end(MARKS) ? cell_kind::none : cell_kind::text;
    }
    const bool ok = decimal_comma ? parse_number(s, '.', ',', value) || parse_number(s, ',', '.', value)
                                  : parse_number(s, ',', '.', value);
    return ok ? cell_kind::number : cell_kind::text;
}

// ---- Places: what a key cell names ------------------------------------------

enum class place_kind { none, county, state, elsewhere };  // elsewhere: another state, or the nation

struct place {
    place_kind kind = place_kind::none;
    int county = -1;
};

struct us_state {
    const char* name;  // folded
    const char* postal;
    int code;
};

constexpr us_state STATES[] = {
    {"alabama", "al", 1},         {"alaska", "ak", 2},         {"arizona", "az", 4},
    {"arkansas", "ar", 5},        {"california", "ca", 6},     {"colorado", "co", 8},
    {"connecticut", "ct", 9},     {"delaware", "de", 10},      {"districtofcolumbia", "dc", 11},
    {"florida", "fl", 12},        {"georgia", "ga", 13},       {"hawaii", "hi", 15},
    {"idaho", "id", 16},          {"illinois", "il", 17},      {"indiana", "in", 18},
    {"iowa", "ia", 19},           {"kansas", "ks", 20},        {"kentucky", "ky", 21},
    {"louisiana", "la", 22},      {"maine", "me", 23},         {"maryland", "md", 24},
    {"massachusetts", "ma", 25},  {"michigan", "mi", 26},      {"minnesota", "mn", 27},
    {"mississippi", "ms", 28},    {"missouri", "mo", 29},      {"montana", "mt", 30},
    {"nebraska", "ne", 31},       {"nevada", "nv", 32},        {"newhampshire", "nh", 33},
    {"newjersey", "nj", 34},      {"newmexico", "nm", 35},     {"newyork", "ny", 36},
    {"northcarolina", "nc", 37},  {"northdakota", "nd", 38},   {"ohio", "oh", 39},
    {"oklahoma", "ok", 40},       {"oregon", "or", 41},        {"pennsylvania", "pa", 42},
    {"rhodeisland", "ri", 44},    {"southcarolina", "sc", 45}, {"southdakota", "sd", 46},
    {"tennessee", "tn", 47},      {"texas", "tx", 48},         {"utah", "ut", 49},
    {"vermont", "vt", 50},        {"virginia", "va", 51},      {"washington", "wa", 53},
    {"westvirginia", "wv", 54},   {"wisconsin", "wi", 55},     {"wyoming", "wy", 56},
    {"americansamoa", "as", 60},  {"guam", "gu", 66},          {"northernmarianaislands", "mp", 69},
    {"puertorico", "pr", 72},     {"virginislands", "vi", 78},
};
constexpr int TEXAS_CODE = 48;

// The state a folded name or postal code stands for; 0 for none.
int state_named(const std::string& folded, bool postal) {
    static const auto [names, postals] = [] {
        std::unordered_map<std::string, int> n, p;
        for (const us_state& s : STATES) n.emplace(s.name, s.code), p.emplace(s.postal, s.code);
        return std::pair{n, p};
    }();
    if (auto it = names.find(folded); it != names.end()) return it->second;
    if (postal)
        if (auto it = postals.find(folded); it != postals.end()) return it->second;
    return 0;
}

// A whole cell of 1 to `most` digits as a number, else -1.
long digits_value(string_view s, std::size_t most) {
    s = trim(s);
    if (s.empty() || s.size() > most || !std::all_of(s.begin(), s.end(), is_digit)) return -1;
    long v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

place county_with_code(long code) {
    static const std::array<int16_t, 1000> index = [] {
        std::array<int16_t, 1000> a;
        a.fill(-1);
        for (int i = 0; i < COUNTY_COUNT; ++i) a[county_code[i]] = static_cast<int16_t>(i);
        return a;
    }();
    if (code == 0) return {place_kind::state};
    if (code > 0 && code < 1000 && index[code] >= 0) return {place_kind::county, index[code]};
    return {};
}

// A state's two-digit code: Texas's row, another state's, or nothing.
place state_with_code(long code) {
    if (code == TEXAS_CODE) return {place_kind::state};
    if (code >= 1 && code <= 78) return {place_kind::elsewhere};
    return {};
}

// A five-digit FIPS code (4 digits when a spreadsheet dropped the leading
// zero), or a state's two-digit code.
place by_fips(string_view cell) {
    const long v = digits_value(cell, 5);
    if (v < 0) return {};
    const std::size_t length = trim(cell).size();
    if (v == 0) return {place_kind::elsewhere};  // the nation
    if (length <= 2) return state_with_code(v);
    if (length < 4) return {};
    if (v / 1000 == TEXAS_CODE) return county_with_code(v % 1000);
    return state_with_code(v / 1000).kind == place_kind::elsewhere ? place{place_kind::elsewhere} : place{};
}

// The Census Bureau's GEO_ID: a summary level, "US", then the place's code
// ("0500000US48001" a county, "0400000US48" a state, "0100000US" the nation).
place by_geo_id(string_view cell) {
    cell = trim(cell);
    const std::size_t us = cell.find("US");
    if (us == string_view::npos || !std::all_of(cell.begin(), cell.begin() + us, is_digit)) return {};
    string_view code = cell.substr(us + 2);
    if (code.empty()) return {place_kind::elsewhere};
    if (code.size() != 2 && code.size() != 5) return {};
    return by_fips(code);
}

// The county code alone (001 to 507), or 000 for the state.
place by_county_code(string_view cell) { return county_with_code(digits_value(cell, 3)); }

int county_named(const std::string& folded) {
    static const std::unordered_map<std::string, int> names = [] {
        std::unordered_map<std::string, int> m;
        for (int i = 0; i < COUNTY_COUNT; ++i) m.emplace(fold(county_table[i].name), i);
        return m;
    }();
    auto it = names.find(folded);
    return it == names.end() ? -1 : it->second;
}

bool strip_suffix(std::string& s, string_view suffix) {
    if (s.size() <= suffix.size() || s.compare(s.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    s.resize(s.size() - suffix.size());
    return true;
}

// A county's name, with or without " County", ", Texas" or ", TX", in any
// case, blanks, punctuation and accents aside; "Texas" or "State of Texas";
// or a place of another state ("Autauga County, Alabama", "Alabama").
place by_name(string_view cell) {
    std::string name = fold(cell);
    if (std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; })) return {};
    if (name == "texas" || name == "stateoftexas" || name == "tx") return {place_kind::state};
    // another state after a comma settles it: "El Paso, CO" is Colorado's,
    // not El Paso "Co(unty)"
    const std::size_t comma = cell.rfind(',');
    const int state = comma == string_view::npos ? state_named(name, false) : state_named(fold(cell.substr(comma + 1)), true);
    if (comma != string_view::npos && state != 0 && state != TEXAS_CODE) return {place_kind::elsewhere};
    std::string bare = name;
    strip_suffix(bare, "texas") || strip_suffix(bare, "tx");
    for (std::string* s : {&name, &bare}) {
        if (int i = county_named(*s); i >= 0) return {place_kind::county, i};
        std::string short_name = *s;
        if ((strip_suffix(short_name, "county") || strip_suffix(short_name, "co")) && county_named(short_name) >= 0)
            return {place_kind::county, county_named(short_name)};
    }
    if (state != 0 && state != TEXAS_CODE) return {place_kind::elsewhere};
    if (name == "unitedstates" || name == "usa") return {place_kind::elsewhere};
    return {};
}

enum key_kind { GEO_ID, FIPS, NAME, CODE3, KEY_KINDS };

place place_of(string_view cell, int kind) {
    switch (kind) {
    case GEO_ID:
        return by_geo_id(cell);
    case FIPS:
        return by_fips(cell);
    case NAME:
        return by_name(cell);
    default:
        return by_county_code(cell);
    }
}

// A column that says which state each row belongs to, so that rows of other
// states are left out whatever their county key says: titled so, with a
// state's name, postal code or two-digit code in every cell.
bool is_state_column(const grid& g, std::size_t title_row, std::size_t c) {
    static const string_view TITLES[] = {"state",        "st",       "stname",    "statename", "stateabbr",
                                         "stateabbreviation", "statepo", "stusps", "stateab",   "statecode",
                                         "statefips",    "statefp",  "stfips",    "stabbr",    "statepostal"};
    const std::string title = fold(g.cell(title_row, c));
    if (std::find(std::begin(TITLES), std::end(TITLES), title) == std::end(TITLES)) return false;
    bool any = false;
    for (std::size_t r = title_row + 1; r < g.rows(); ++r) {
        string_view cell = trim(g.cell(r, c));
        if (cell.empty()) continue;
        long code = digits_value(cell, 2);
        if (code < 0) code = state_named(fold(cell), true);
        if (code < 1 || code > 78) return false;
        any = true;
    }
    return any;
}

int state_of(string_view cell) {
    long code = digits_value(cell, 2);
    return code >= 0 ? static_cast<int>(code) : state_named(fold(cell), true);
}

bool refuse(table_summary& summary, const std::string& why) {
    summary.error = why;
    return false;
}

std::string title_text(string_view cell, std::size_t column) {
    std::string t(trim(cell));
    std::replace_if(t.begin(), t.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return t.empty() ? "Column " + std::to_string(column + 1) : t;
}

std::string row_key(string_view cell, uint32_t line) {
    std::string key(trim(cell).substr(0, 80));
    std::replace_if(key.begin(), key.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return key.empty() ? "line " + std::to_string(line) : key + " (line " + std::to_string(line) + ")";
}

bool read_text(const char* path, std::string& bytes, table_summary& summary) {
    struct stat st;
    if (stat(path, &st) != 0) return refuse(summary, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return refuse(summary, "it is not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > TABLE_MAX_BYTES)
        return refuse(summary, "it is larger than 64 MB");
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return refuse(summary, std::strerror(errno));
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);  // one more byte tells a file that grew
    const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) return refuse(summary, "it cannot be read");
    if (n > TABLE_MAX_BYTES) return refuse(summary, "it is larger than 64 MB");
    bytes.resize(n);
    return true;
}

// Everything read_table works out before it changes anything.
bool read_grid(const char* path, grid& g, bool& decimal_comma, table_summary& summary) {
    std::string bytes;
    if (!read_text(path, bytes, summary)) return false;
    g.text = to_utf8(bytes);
    for (char c : g.text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v')
            return refuse(summary, "it holds binary data, not text");
    if (static_cast<std::size_t>(std::max(std::count(g.text.begin(), g.text.end(), '\n'),
                                          std::count(g.text.begin(), g.text.end(), '\r'))) > TABLE_MAX_LINES)
        return refuse(summary, "it has more than " + with_commas(TABLE_MAX_LINES) + " lines");
    // Excel may name the delimiter on a line of its own: "sep=;"
    char delimiter;
    if (g.text.size() >= 5 && g.text.compare(0, 4, "sep=") == 0 && (g.text.size() == 5 || g.text[5] == '\r' || g.text[5] == '\n')) {
        delimiter = g.text[4];
        g.text.erase(0, std::min(g.text.find('\n', 4), g.text.size() - 1) + 1);
    } else {
        delimiter = find_delimiter(g.text);
    }
    decimal_comma = delimiter == ';';
    std::string why;
    if (!split_cells(g, delimiter, TABLE_MAX_LINES, why)) return refuse(summary, why);
    if (g.rows() == 0) return refuse(summary, "it holds no text");
    return true;
}

}  // namespace

int read_table(const char* path, table_summary& summary) {
    summary = table_summary{};
    grid g;
    bool decimal_comma = false;
    if (!read_grid(path, g, decimal_comma, summary)) return 0;
    float ignored;
    const auto is_number = [&](string_view cell) { return read_value(cell, decimal_comma, ignored) == cell_kind::number; };

    // Titles: the first row, or the second when the first is a line of codes
    // above a line of labels (as the Census Bureau writes): a second row with no
    // number and no place where the row after it has numbers.
    std::size_t titles = 0;
    if (g.rows() >= 3) {
        bool words = true, numbers_below = false;
        for (std::size_t c = 0; c < g.width(1) && words; ++c)
            words = !is_number(g.cell(1, c)) && by_name(g.cell(1, c)).kind == place_kind::none &&
                    by_geo_id(g.cell(1, c)).kind == place_kind::none && by_fips(g.cell(1, c)).kind == place_kind::none;
        for (std::size_t c = 0; c < g.width(2); ++c) numbers_below = numbers_below || is_number(g.cell(2, c));
        if (words && numbers_below) titles = 1;
    }
    if (g.rows() <= titles + 1) return refuse(summary, "it has no rows below its titles");
    std::size_t columns = 0;
    for (std::size_t r = 0; r < g.rows(); ++r) columns = std::max(columns, g.width(r));

    // Rows that another state's column puts elsewhere are out of play.
    std::size_t state_column = columns;
    for (std::size_t c = 0; c < columns && state_column == columns; ++c)
        if (is_state_column(g, titles, c)) state_column = c;
    std::vector<std::size_t> rows;
    for (std::size_t r = titles + 1; r < g.rows(); ++r) {
        if (state_column < columns) {
            const int state = state_of(g.cell(r, state_column));
            if (state != 0 && state != TEXAS_CODE) {
                ++summary.other_states;
                continue;
            }
        }
        rows.push_back(r);
    }

    // The key: the first column that names about as many counties as the best
    // one does, by the way of naming that finds the most in it. County codes
    // alone count only in a table without five-digit codes, and only in a
    // column whose small numbers are nearly all codes (all odd, 000 the state):
    // ranks or counts that hit every other code are no key.
    std::vector<std::array<std::size_t, KEY_KINDS>> found(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        if (c == state_column) continue;
        for (int kind = 0; kind < KEY_KINDS; ++kind) {
            std::bitset<COUNTY_COUNT> counties;
            std::size_t hits = 0, strays = 0;
            for (std::size_t r : rows) {
                place p = place_of(g.cell(r, c), kind);
                if (p.kind == place_kind::county) {
                    counties.set(static_cast<std::size_t>(p.county));
                    ++hits;
                } else if (kind == CODE3 && p.kind == place_kind::none && digits_value(g.cell(r, c), 3) >= 0) {
                    ++strays;
                }
            }
            found[c][kind] = strays * 9 > hits ? 0 : counties.count();
        }
    }
    std::size_t best5 = 0, best3 = 0;
    for (const auto& f : found) best5 = std::max({best5, f[GEO_ID], f[FIPS]}), best3 = std::max(best3, f[CODE3]);
    const int kinds = best5 * 2 < best3 ? KEY_KINDS : CODE3;
    std::vector<int> kind_of(columns, GEO_ID);
    std::vector<std::size_t> named(columns, 0);
    std::size_t most = 0;
    for (std::size_t c = 0; c < columns; ++c) {
        for (int kind = 0; kind < kinds; ++kind)
            if (found[c][kind] > named[c]) named[c] = found[c][kind], kind_of[c] = kind;
        most = std::max(most, named[c]);
    }
    if (most == 0) return refuse(summary, "it has no column of county names or codes");
    std::size_t key = 0;
    while (named[key] * 2 < most) ++key;
    summary.key_title = title_text(g.cell(titles, key), key);

    // Which county each row gives figures for.
    std::vector<int> county_of_row(g.rows(), -2);  // -1: the state row; -2: none
    std::bitset<COUNTY_COUNT + 1> given;
    for (std::size_t r : rows) {
        const place p = place_of(g.cell(r, key), kind_of[key]);
        const int target = p.kind == place_kind::county ? p.county : p.kind == place_kind::state ? STATE_INDEX : -1;
        if (p.kind == place_kind::elsewhere) {
            ++summary.other_states;
        } else if (target < 0) {
            summary.unmatched.push_back(row_key(g.cell(r, key), g.line[r]));
        } else if (given[static_cast<std::size_t>(target)]) {
            summary.duplicates.push_back(row_key(g.cell(r, key), g.line[r]));
        } else {
            given.set(static_cast<std::size_t>(target));
            county_of_row[r] = target == STATE_INDEX ? -1 : target;
        }
    }

    // Fields: the other columns of numbers, in order, leaving out any that
    // names the same counties as the key (a code beside a name is no figure).
    std::vector<std::size_t> fields;
    for (std::size_t c = 0; c < columns; ++c) {
        if (c == key || c == state_column) continue;
        if (named[c] > 0) {
            std::size_t same = 0, rows_given = 0;
            for (std::size_t r : rows) {
                if (county_of_row[r] < 0) continue;
                ++rows_given;
                const place p = place_of(g.cell(r, c), kind_of[c]);
                same += p.kind == place_kind::county && p.county == county_of_row[r];
            }
            if (same * 10 >= rows_given * 9) continue;
        }
        std::size_t numbers = 0, words = 0;
        for (std::size_t r : rows) {
            const cell_kind k = read_value(g.cell(r, c), decimal_comma, ignored);
            numbers += k == cell_kind::number;
            words += k == cell_kind::text;
        }
        // a stray word in a column of figures (a footnote mark) is no value
        if (numbers == 0 || words * 9 > numbers) continue;
        if (fields.size() < FIELD_COUNT) {
            fields.push_back(c);
        } else {
            summary.left_out.push_back(title_text(g.cell(titles, c), c));
        }
    }
    if (fields.empty()) return refuse(summary, "it has no column of numbers");

    // Nothing was wrong: the table replaces the record table.
    const float none = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i <= STATE_INDEX; ++i) {
        data_rec& rec = record_table[i];
        std::memset(rec.name, 0, sizeof rec.name);
        std::memcpy(rec.name, county_table[i].name, strnlen(county_table[i].name, sizeof rec.name - 1));
        std::fill(std::begin(rec.values), std::end(rec.values), none);
    }
    for (std::size_t r : rows) {
        if (county_of_row[r] == -2) continue;
        data_rec& rec = record_table[county_of_row[r] < 0 ? STATE_INDEX : county_of_row[r]];
        for (std::size_t k = 0; k < fields.size(); ++k) {
            float v;
            if (read_value(g.cell(r, fields[k]), decimal_comma, v) == cell_kind::number) rec.values[k] = v;
        }
    }
    app_state.record_count = STATE_INDEX + 1;
    field_labels.clear();
    for (std::size_t k = 0; k < FIELD_COUNT; ++k) {
        if (k < fields.size()) field_labels.push_back(title_text(g.cell(titles, fields[k]), fields[k]));
        field_scale_index[k] = static_cast<int8_t>(k < fields.size() ? fitting_scale_entry(static_cast<int>(k)) : 0);
    }
    table_fields = true;
    summary.state_row = given[STATE_INDEX];
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        if (given[static_cast<std::size_t>(i)]) {
            ++summary.counties;
        } else {
            summary.missing.push_back(i);
        }
    }
    return 1;
}

namespace {

// The items, or the first of them in a message box that must fit the screen.
std::string joined(const std::vector<std::string>& items, std::size_t most = std::string::npos) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < most; ++i) text += (i ? ", " : "") + items[i];
    if (items.size() > most) text += " and " + with_commas(items.size() - most) + " more";
    return text;
}

std::string count_of(std::size_t n, const char* one, const char* many) {
    return with_commas(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string summary_text(const table_summary& s) {
    std::vector<std::string> lines = {
        std::to_string(s.counties) + " of " + std::to_string(COUNTY_COUNT) + " counties got a row, " +
            count_of(field_labels.size(), "field was", "fields were") + " taken, " +
            count_of(s.unmatched.size(), "row", "rows") + " did not match.",
        "Counties matched by the column \"" + s.key_title + "\".",
        s.state_row ? "The row for Texas gives the state-wide values." : "No row for Texas: the state-wide values are n/a."};
    if (s.other_states > 0)
        lines.push_back(count_of(static_cast<std::size_t>(s.other_states), "row", "rows") + " of other states left out.");
    if (!s.duplicates.empty())
        lines.push_back(count_of(s.duplicates.size(), "later row", "later rows") +
                        " for a county already given left out (the first row wins): " + joined(s.duplicates, 10) + ".");
    if (!s.left_out.empty())
        lines.push_back(count_of(s.left_out.size(), "column", "columns") + " of numbers left out (" +
                        std::to_string(FIELD_COUNT) + " fields at most): " + joined(s.left_out, 10) + ".");
    std::string text;
    for (const std::string& line : lines) text.append(text.empty() ? "" : "\n").append(line);
    return text;
}

std::vector<std::string> summary_lines(const table_summary& s) {
    std::vector<std::string> lines;
    if (!s.unmatched.empty())
        lines.push_back("Rows not matched (" + std::to_string(s.unmatched.size()) + "): " + joined(s.unmatched));
    if (!s.missing.empty()) {
        std::vector<std::string> names;
        for (int i : s.missing) names.emplace_back(county_table[i].name);
        lines.push_back("Counties without a row (" + std::to_string(names.size()) + "): " + joined(names));
    }
    return lines;
}
