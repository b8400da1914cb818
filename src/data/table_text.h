// The text of a county table, for the table reader: a file's bytes as rows of
// cells, as spreadsheets write them, and a cell as the number a person typed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    std::string_view cell(std::size_t r, std::size_t c) const {
        if (c >= width(r)) return {};
        const span& s = cells[first[r] + c];
        return std::string_view(text).substr(s.at, s.size);
    }
};

// Reads a table file into rows of cells: decoded to UTF-8, its delimiter found
// (a semicolon means decimal commas), blank rows left out. False with the
// reason in error when the file cannot be read, breaks one of the limits in
// data.h, holds binary data, or leaves a quote open.
bool read_grid(const char* path, grid& g, bool& decimal_comma, std::string& error);

enum class cell_kind { number, none, text };

// What a cell of a number column holds, and its number.
cell_kind read_value(std::string_view cell, bool decimal_comma, float& value);

// The cell without blanks (no-break spaces included) around it.
std::string_view trim(std::string_view s);

// Letters and digits only, lower case, accents dropped: how names are compared.
std::string fold(std::string_view s);

bool is_digit(char c);

// 1000000 as "1,000,000".
std::string with_commas(std::size_t n);
