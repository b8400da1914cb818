// A county table's text: its bytes as UTF-8, split into rows of cells as
// spreadsheets write them, and the numbers people type into cells.
#include "data/table_text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/data.h"

using std::string_view;

namespace {

bool refuse(std::string& error, const std::string& why) {
    error = why;
    return false;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// The length of the space at s[i] inside a number: a blank, or the no-break
// spaces spreadsheets put between groups of digits; 0 for none.
std::size_t space_at(std::string_view s, std::size_t i) {
    if (i < s.size() && s[i] == ' ') return 1;
    if (s.substr(i, 2) == "\xC2\xA0") return 2;
    return s.substr(i, 3) == "\xE2\x80\xAF" ? 3 : 0;
}

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
            const auto lo = static_cast<unsigned char>(bytes[i + !little]);
            const auto hi = static_cast<unsigned char>(bytes[i + little]);
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
    while (std::size_t n = space_at(s, q)) q += n;
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

// "1 234,5" as "1.234,5": where decimal commas are written, blanks (no-break
// spaces too) may group thousands as points do.
std::string points_for_blanks(string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = space_at(s, i);
        if (n > 0 && !out.empty() && is_digit(out.back()) && i + n < s.size() && is_digit(s[i + n])) {
            out += '.';
            i += n;
        } else {
            out += s[i++];
        }
    }
    return out;
}

bool read_text(const char* path, std::string& bytes, std::string& error) {
    struct stat st;
    if (stat(path, &st) != 0) return refuse(error, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return refuse(error, "it is not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > TABLE_MAX_BYTES)
        return refuse(error, "it is larger than 64 MB");
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return refuse(error, std::strerror(errno));
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);  // one more byte tells a file that grew
    const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) return refuse(error, "it cannot be read");
    if (n > TABLE_MAX_BYTES) return refuse(error, "it is larger than 64 MB");
    bytes.resize(n);
    return true;
}

}  // namespace

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

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string with_commas(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::string s;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) s += ',';
        s += digits[i];
    }
    return s;
}

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
    // accountants put a negative figure in brackets: "(1,234)"
    const bool bracketed = s.size() > 2 && s.front() == '(' && s.back() == ')';
    if (bracketed) s = trim(s.substr(1, s.size() - 2));
    bool ok;
    std::string grouped;  // only decimal commas group by blanks: most cells never need the copy
    if (decimal_comma && (grouped = points_for_blanks(s)) != s) {
        ok = parse_number(grouped, '.', ',', value);
    } else {
        ok = decimal_comma ? parse_number(s, '.', ',', value) || parse_number(s, ',', '.', value)
                           : parse_number(s, ',', '.', value);
    }
    if (ok && bracketed) value = -value;
    return ok ? cell_kind::number : cell_kind::text;
}

bool read_grid(const char* path, grid& g, bool& decimal_comma, std::string& error) {
    std::string bytes;
    if (!read_text(path, bytes, error)) return false;
    g.text = to_utf8(bytes);
    for (char c : g.text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v')
            return refuse(error, "it holds binary data, not text");
    if (static_cast<std::size_t>(std::max(std::count(g.text.begin(), g.text.end(), '\n'),
                                          std::count(g.text.begin(), g.text.end(), '\r'))) > TABLE_MAX_LINES)
        return refuse(error, "it has more than " + with_commas(TABLE_MAX_LINES) + " lines");
    // Excel may name the delimiter on a line of its own: "sep=;"
    char delimiter;
    const std::string_view first_line = std::string_view(g.text).substr(0, g.text.find_first_of("\r\n"));
    if (first_line.size() == 5 && first_line.substr(0, 4) == "sep=") {
        delimiter = g.text[4];
        g.text.erase(0, std::min(g.text.find('\n', 4), g.text.size() - 1) + 1);
    } else {
        delimiter = find_delimiter(g.text);
    }
    decimal_comma = delimiter == ';';
    if (!split_cells(g, delimiter, TABLE_MAX_LINES, error)) return false;
    if (g.rows() == 0) return refuse(error, "it holds no text");
    return true;
}
