// County tables: a user's own figures as spreadsheets and statistics offices
// write them, matched to the counties by name or code (the cells and numbers
// come from table_text.cpp).
#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/data.h"
#include "data/table_text.h"

namespace {

using std::string_view;

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
    // a figure names no place; most cells of a table are figures
    const auto letter = [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    if (std::none_of(cell.begin(), cell.end(), [&](char c) { return letter(c) || static_cast<unsigned char>(c) >= 0x80; }))
        return {};
    std::string name = fold(cell);
    if (std::none_of(name.begin(), name.end(), letter)) return {};
    if (name == "texas" || name == "stateoftexas" || name == "tx") return {place_kind::state};
    // another state after a comma settles it: "El Paso, CO" is Colorado's,
    // not El Paso "Co(unty)"
    const std::size_t comma = cell.rfind(',');
    const int state =
        comma == string_view::npos ? state_named(name, false) : state_named(fold(cell.substr(comma + 1)), true);
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

// The nation in a state column: "US", "United States" or code 00.
bool names_nation(string_view cell) {
    const std::string name = fold(cell);
    return digits_value(cell, 2) == 0 || name == "us" || name == "usa" || name == "unitedstates";
}

// A column that says which state each row belongs to, so that rows of other
// states are left out whatever their county key says: titled so ("State",
// "STNAME", "State FIPS Code"), with a state's name, postal code or code in
// every cell. A title that merely starts with "state" needs two-digit codes,
// so that a "State rank" of 1 to 50 is no state column.
bool is_state_column(const grid& g, std::size_t title_row, std::size_t c) {
    static const string_view TITLES[] = {"state", "st", "stname", "stusps", "stabbr", "stfips", "stcode"};
    const std::string title = fold(g.cell(title_row, c));
    const bool exact = std::find(std::begin(TITLES), std::end(TITLES), title) != std::end(TITLES);
    if (!exact && title.rfind("state", 0) != 0) return false;
    bool any = false;
    for (std::size_t r = title_row + 1; r < g.rows(); ++r) {
        string_view cell = trim(g.cell(r, c));
        if (cell.empty()) continue;
        long code = digits_value(cell, 2);
        if (code >= 0 && !exact && cell.size() != 2) return false;
        if (names_nation(cell)) continue;
        if (code < 0) code = state_named(fold(cell), true);
        if (code < 1 || code > 78) return false;
        any = true;
    }
    return any;
}

// Whether a state column's cell puts its row outside Texas: another state, or
// the nation. An empty cell does not.
bool outside_texas(string_view cell) {
    if (names_nation(cell)) return true;
    const long code = digits_value(cell, 2);
    const int state = code > 0 ? static_cast<int>(code) : state_named(fold(cell), true);
    return state != 0 && state != TEXAS_CODE;
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

}  // namespace

int read_table(const char* path, table_summary& summary) {
    summary = table_summary{};
    grid g;
    bool decimal_comma = false;
    if (!read_grid(path, g, decimal_comma, summary.error)) return 0;
    float ignored;
    const auto is_number = [&](string_view cell) {
        return read_value(cell, decimal_comma, ignored) == cell_kind::number;
    };

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
            if (outside_texas(g.cell(r, state_column))) {
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

    // Which county each row gives figures for. Another column that names
    // counties as well as the key may say a row is another state's ("Autauga
    // County, AL" beside a county code that Texas has too).
    std::vector<std::size_t> witnesses;
    for (std::size_t c = 0; c < columns; ++c)
        if (c != key && c != state_column && named[c] * 2 >= most) witnesses.push_back(c);
    std::vector<int> county_of_row(g.rows(), -2);  // -1: the state row; -2: none
    std::bitset<COUNTY_COUNT + 1> given;
    for (std::size_t r : rows) {
        const place p = place_of(g.cell(r, key), kind_of[key]);
        const int target = p.kind == place_kind::county ? p.county : p.kind == place_kind::state ? STATE_INDEX : -1;
        const bool elsewhere =
            p.kind == place_kind::elsewhere || std::any_of(witnesses.begin(), witnesses.end(), [&](std::size_t c) {
                return place_of(g.cell(r, c), kind_of[c]).kind == place_kind::elsewhere;
            });
        if (elsewhere) {
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
        // by any way of naming: a county code beside a FIPS code is no figure either
        const auto& f = found[c];
        const int kind = static_cast<int>(std::max_element(f.begin(), f.end()) - f.begin());
        if (f[kind] > 0) {
            std::size_t same = 0, rows_given = 0;
            for (std::size_t r : rows) {
                if (county_of_row[r] < 0) continue;
                ++rows_given;
                const place p = place_of(g.cell(r, c), kind);
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
        s.state_row ? "The row for Texas gives the state-wide values."
                    : "No row for Texas: the state-wide values are n/a."};
    if (s.other_states > 0)
        lines.push_back(count_of(static_cast<std::size_t>(s.other_states), "row", "rows") +
                        " of other states left out.");
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

std::vector<std::string> summary_lines(const table_summary& s, bool all) {
    std::vector<std::string> lines;
    if (!s.unmatched.empty())
        // the first hundred: the Info panel keeps 198 lines, and the list of
        // counties without a row must fit beside them
        lines.push_back("Rows not matched (" + with_commas(s.unmatched.size()) + "): " + joined(s.unmatched, all ? s.unmatched.size() : 100));
    if (!s.missing.empty()) {
        std::vector<std::string> names;
        for (int i : s.missing) names.emplace_back(county_table[i].name);
        lines.push_back("Counties without a row (" + std::to_string(names.size()) + "): " + joined(names));
    }
    return lines;
}
