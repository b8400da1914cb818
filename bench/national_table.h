// A national county table as the Census Bureau's downloads give it, written at
// run time for the benchmarks: a line of column codes above a line of labels,
// then one row for each of the 3,143 counties of the United States in the
// Bureau's order (GEO_ID "0500000USssccc", NAME "Autauga County, Alabama") and
// a row for the state of Texas, with 28 columns of figures: counts with
// thousands separators, decimals and percentages, now and then a mark for a
// figure left out; every cell quoted, as the Bureau writes them. About 1 MB.
//
// Texas's rows carry the real county names and codes; the other states' rows
// carry made-up names and odd county codes under the real state names and
// codes, in about the real numbers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "data/data.h"

namespace bench {

constexpr int NATIONAL_COUNTIES = 3143;
constexpr int NATIONAL_FIGURES = 28;

struct us_state_row {
    int code;
    const char* name;
    int counties;
};

// Every state and the District of Columbia with about its number of counties.
inline const std::vector<us_state_row>& national_states() {
    static const std::vector<us_state_row> states = [] {
        std::vector<us_state_row> s = {
            {1, "Alabama", 67},         {2, "Alaska", 29},         {4, "Arizona", 15},
            {5, "Arkansas", 75},        {6, "California", 58},     {8, "Colorado", 64},
            {9, "Connecticut", 8},      {10, "Delaware", 3},       {11, "District of Columbia", 1},
            {12, "Florida", 67},        {13, "Georgia", 159},      {15, "Hawaii", 5},
            {16, "Idaho", 44},          {17, "Illinois", 102},     {18, "Indiana", 92},
            {19, "Iowa", 99},           {20, "Kansas", 105},       {21, "Kentucky", 120},
            {22, "Louisiana", 64},      {23, "Maine", 16},         {24, "Maryland", 24},
            {25, "Massachusetts", 14},  {26, "Michigan", 83},      {27, "Minnesota", 87},
            {28, "Mississippi", 82},    {29, "Missouri", 115},     {30, "Montana", 56},
            {31, "Nebraska", 93},       {32, "Nevada", 17},        {33, "New Hampshire", 10},
            {34, "New Jersey", 21},     {35, "New Mexico", 33},    {36, "New York", 62},
            {37, "North Carolina", 100}, {38, "North Dakota", 53}, {39, "Ohio", 88},
            {40, "Oklahoma", 77},       {41, "Oregon", 36},        {42, "Pennsylvania", 67},
            {44, "Rhode Island", 5},    {45, "South Carolina", 46}, {46, "South Dakota", 66},
            {47, "Tennessee", 95},      {48, "Texas", COUNTY_COUNT}, {49, "Utah", 29},
            {50, "Vermont", 14},        {51, "Virginia", 133},     {53, "Washington", 39},
            {54, "West Virginia", 55},  {55, "Wisconsin", 72},     {56, "Wyoming", 23},
        };
        // exactly the nation's count, whatever rounding the list above holds
        int total = 0;
        for (const us_state_row& r : s) total += r.counties;
        for (us_state_row& r : s)
            if (r.code == 13) r.counties += NATIONAL_COUNTIES - total;  // Georgia's
        return s;
    }();
    return states;
}

// Deterministic figures: the same file on every run.
class figures {
public:
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    double uniform() { return next() / double(1u << 24); }

private:
    uint32_t state_ = 20240601u;
};

inline std::string with_thousands(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n), out = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Appends one cell of figure column k.
inline void add_national_cell(std::string& row, int k, figures& f) {
    char cell[48];
    const double u = f.uniform();
    switch (k % 4) {
    case 0:  // a count with its separators, an estimate not given now and then
        if (f.next() % 211 == 0) {
            row += "(X)";
            return;
        }
        row += with_thousands(static_cast<long long>(200.0 * std::pow(20000.0, u)));
        return;
    case 1:  // a dollar figure, top-coded at 250,000+
        row += u > 0.995 ? std::string("250,000+") : with_thousands(18000 + static_cast<long long>(u * 150000.0));
        return;
    case 2:  // a share in percent
        if (f.next() % 97 == 0) {
            row += '-';
            return;
        }
        std::snprintf(cell, sizeof cell, "%.1f%%", u * 100.0);
        break;
    default:  // a rate or a median with decimals
        std::snprintf(cell, sizeof cell, "%.2f", 20.0 + u * 40000.0);
        break;
    }
    row += cell;
}

inline void add_national_row(std::string& text, const char* geo_id, const std::string& name, figures& f) {
    text.append(1, '"').append(geo_id).append("\",\"").append(name).append(1, '"');
    for (int k = 0; k < NATIONAL_FIGURES; ++k) {
        text += ",\"";
        add_national_cell(text, k, f);
        text += '"';
    }
    text += "\r\n";
}

// Made-up county names as other states have them: a common name, now and then
// one of Texas's too (Harris, Dallas, Washington...), now and then two words.
inline std::string made_up_county(int state, int n) {
    static const char* const WORDS[] = {
        "Washington", "Jefferson", "Franklin", "Jackson", "Lincoln", "Madison", "Clay",   "Montgomery", "Marion",
        "Union",      "Monroe",    "Wayne",    "Greene",  "Warren",  "Polk",    "Grant", "Harris",     "Dallas",
        "Adams",      "Hamilton",  "Lake",     "Perry",   "Brown",   "Carroll", "Knox",  "Pike",       "Cedar",
        "Boone",      "Logan",     "Scott",    "Douglas", "Morgan",  "Mercer",  "Owen",  "Sully",      "Oak"};
    constexpr int n_words = sizeof WORDS / sizeof WORDS[0];
    const int a = (state * 7 + n) % n_words, b = (state + n * 5) % n_words;
    std::string name = WORDS[a];
    if (n >= n_words) name.append(" ").append(WORDS[b]);
    return name.append(state == 22 ? " Parish" : " County");
}

// Writes the table to path; its size in bytes, or 0 when it cannot be written.
inline std::size_t write_national_table(const std::string& path) {
    figures f;
    std::string text = "\"GEO_ID\",\"NAME\"";
    for (int k = 0; k < NATIONAL_FIGURES; ++k) {
        char code[24];
        std::snprintf(code, sizeof code, ",\"DP%02d_%04dE\"", 2 + k % 4, 1 + k * 3);
        text += code;
    }
    text += "\r\n\"Geography\",\"Geographic Area Name\"";
    static const char* const TOPICS[] = {"Total population", "Median household income (dollars)",
                                         "Percent below poverty level", "Persons per square mile"};
    for (int k = 0; k < NATIONAL_FIGURES; ++k) {
        text.append(",\"Estimate!!").append(TOPICS[k % 4]).append("!!Group ");
        text.append(std::to_string(k / 4 + 1)).append(1, '"');
    }
    text += "\r\n";
    char geo[32];
    for (const us_state_row& s : national_states()) {
        if (s.code == 48) {
            std::snprintf(geo, sizeof geo, "0400000US%02d", s.code);
            add_national_row(text, geo, s.name, f);
            // the Bureau's order: by county code
            std::vector<int> by_code(COUNTY_COUNT);
            for (int i = 0; i < COUNTY_COUNT; ++i) by_code[i] = i;
            std::sort(by_code.begin(), by_code.end(), [](int a, int b) { return county_code[a] < county_code[b]; });
            for (int i : by_code) {
                std::snprintf(geo, sizeof geo, "0500000US%05d", 48000 + county_code[i]);
                add_national_row(text, geo, std::string(county_table[i].name).append(" County, Texas"), f);
            }
            continue;
        }
        for (int n = 0; n < s.counties; ++n) {
            std::snprintf(geo, sizeof geo, "0500000US%02d%03d", s.code, 1 + 2 * n);
            add_national_row(text, geo, made_up_county(s.code, n).append(", ").append(s.name), f);
        }
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written ? text.size() : 0;
}

}  // namespace bench
