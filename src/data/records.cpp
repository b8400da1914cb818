// The record table and its two file formats: the headerless .dat file of
// 132-byte little-endian records, and CSV with one line per record.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "data/data.h"
#include "platform/files.h"
#include "platform/modal.h"

data_rec record_table[RECORD_CAPACITY];

namespace {

constexpr const char* CSV_HEADER =
    "COUNTIES,REP VOTE%,LN(MED INCOME/$1000),MED AGE,WHITE VAP%,BLACK VAP%,HISP VAP%,ASIAN VAP%,"
    "REP VOTE% - TURNOUT%,(HISP VAP% ^ 1.5)-,(BLACK VAP% ^ 0.7)-,URBAN%,POPULATION,TURNOUT%,"
    "(REG VOTERS/VAP)%,REG VOTERS,VOTES,VAP,STATE POP%,MED INCOME/$1000,WHITE POP%,BLACK POP%,"
    "HISP POP%,ASIAN POP%,HISP VAP% ^ 1.5,BLACK VAP% ^ 0.7";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Stores at most 31 bytes and zeros the rest, so no stale bytes follow the
// terminator in memory or in a written file.
void set_name(char (&name)[32], const char* text, std::size_t length) {
    length = std::min(length, sizeof name - 1);
    std::memset(name, 0, sizeof name);
    std::memcpy(name, text, length);
}

std::size_t name_length(const char (&name)[32]) {
    const void* end = std::memchr(name, 0, sizeof name - 1);
    return end ? static_cast<const char*>(end) - name : sizeof name - 1;
}

uint32_t get_le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put_le32(unsigned char* p, uint32_t v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
    p[2] = (v >> 16) & 0xFF;
    p[3] = v >> 24;
}

bool read_whole_file(std::FILE* f, std::string& text) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return !std::ferror(f);
}

// Reads the number at p after optional blanks, as the C library's scan of
// "%f" does in the C locale whatever the user's locale: optional sign, digits,
// fraction, exponent, or inf and nan; a value beyond single precision becomes
// infinity (or zero). On success stores it, moves p past it and returns true.
bool read_number(const char*& p, const char* end, float& value) {
    while (p < end && is_blank(*p)) ++p;
    const char* start = p + (p < end && *p == '+');  // from_chars takes no plus sign
    if (start < end && *start == '-' && p != start) return false;  // "+-"
    float v;
    auto [next, ec] = std::from_chars(start, end, v);
    if (ec == std::errc::result_out_of_range) {
        v = std::strtof(start, nullptr);  // rare: let the C library round to infinity or zero
    } else if (ec != std::errc()) {
        return false;
    }
    value = v;
    p = next;
    return true;
}

// One record line of a CSV file. The name is the text before the first comma
// (blanks around it dropped), so names like "Deaf Smith" survive; a line without
// a comma takes its first word. Then up to 25 numbers, separated by commas or
// blanks; the first item that is not a number ends the scan, and the fields it
// does not reach keep their values.
void parse_csv_line(std::string line, data_rec& rec) {
    line.resize(std::strlen(line.c_str()));  // text stops at a NUL byte
    bool empty = true;
    for (char c : line) empty = empty && (is_blank(c) || c == ',');
    if (empty) return;

    std::size_t comma = line.find(',');
    std::size_t rest;
    if (comma != std::string::npos) {
        std::size_t begin = 0, end = comma;
        while (begin < end && is_blank(line[begin])) ++begin;
        while (end > begin && is_blank(line[end - 1])) --end;
        set_name(rec.name, line.data() + begin, end - begin);
        rest = comma + 1;
    } else {
        std::size_t begin = 0;
        while (begin < line.size() && is_blank(line[begin])) ++begin;
        std::size_t end = begin;
        while (end < line.size() && !is_blank(line[end])) ++end;
        set_name(rec.name, line.data() + begin, end - begin);
        rest = end;
    }

    for (std::size_t i = rest; i < line.size(); ++i)
        if (line[i] == ',') line[i] = ' ';
    const char* p = line.c_str() + rest;
    const char* end = line.c_str() + line.size();
    for (int k = 0; k < FIELD_COUNT && read_number(p, end, rec.values[k]); ++k) {
    }
}

}  // namespace

int read_records(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        message_box("read_records(): fopen error", "ERROR");
        return 0;
    }
    long count = 0;
    if (fseeko(f, 0, SEEK_END) == 0) {
        off_t size = ftello(f);
        count = size > 0 ? static_cast<long>(std::min<off_t>(size / RECORD_SIZE, RECORD_CAPACITY)) : 0;
    }
    std::rewind(f);
    // At least one record is asked for: a folder opens, and its size says
    // nothing, but reading it fails. A file that shrinks while we read gives
    // only the whole records it still has.
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::max(count, 1L)) * RECORD_SIZE);
    count = static_cast<long>(std::fread(bytes.data(), RECORD_SIZE, std::max(count, 1L), f));
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) return 0;  // the table and the count stay as they were

    for (long i = 0; i < count; ++i) {
        const unsigned char* p = bytes.data() + i * RECORD_SIZE;
        data_rec& rec = record_table[i];
        char raw[32];
        std::memcpy(raw, p, 32);
        set_name(rec.name, raw, strnlen(raw, 31));
        for (int k = 0; k < FIELD_COUNT; ++k) rec.values[k] = std::bit_cast<float>(get_le32(p + 32 + 4 * k));
    }
    app_state.record_count = static_cast<int32_t>(count);
    restore_catalogue_fields();
    return 1;
}

int write_records(const char* path) {
    int count = std::clamp<int>(app_state.record_count, 0, RECORD_CAPACITY);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count) * RECORD_SIZE, 0);
    for (int i = 0; i < count; ++i) {
        unsigned char* p = bytes.data() + static_cast<std::size_t>(i) * RECORD_SIZE;
        const data_rec& rec = record_table[i];
        std::memcpy(p, rec.name, name_length(rec.name));
        for (int k = 0; k < FIELD_COUNT; ++k) put_le32(p + 32 + 4 * k, std::bit_cast<uint32_t>(rec.values[k]));
    }
    return replace_file(path, bytes.data(), bytes.size()) ? 1 : 0;
}

// The header names the fields as the Demographic list does: the catalogue's
// header as it has always been written, or the titles of the table shown,
// quoted where a spreadsheet would need it.
namespace {
std::string csv_header() {
    if (!table_fields) return CSV_HEADER;
    std::string header = "COUNTIES";
    for (const std::string& label : field_labels) {
        header += ',';
        if (label.find_first_of(",\"\r\n") == std::string::npos) {
            header += label;
            continue;
        }
        header += '"';
        for (char c : label) header.append(c == '"' ? 2 : 1, c);
        header += '"';
    }
    return header;
}
}  // namespace

bool has_record_header(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buffer[1024];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    std::string line(buffer, n);
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    line.resize(std::min(line.find_first_of("\r\n"), line.size()));
    while (!line.empty() && (is_blank(line.back()) || line.back() == ',')) line.pop_back();
    return strcasecmp(line.c_str(), CSV_HEADER) == 0;
}

int write_csv(const char* path) {
    int count = std::clamp<int>(app_state.record_count, 0, RECORD_CAPACITY);
    std::string text;
    text.reserve(64 + static_cast<std::size_t>(count) * 400);
    text += csv_header();
    text += "\r\n";
    char number[64];  // the largest float takes 46 characters
    for (int i = 0; i < count; ++i) {
        const data_rec& rec = record_table[i];
        text.append(rec.name, name_length(rec.name));
        text += ',';
        for (float v : rec.values) {
            // what "%f" writes in the C locale, whatever the user's locale is
            auto r = std::to_chars(number, number + sizeof number, static_cast<double>(v), std::chars_format::fixed, 6);
            text.append(number, r.ptr);
            text += ',';
        }
        text += "\r\n";
    }
    return replace_file(path, text.data(), text.size()) ? 1 : 0;
}

int read_csv(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        message_box("read_csv(): fopen error", "ERROR");
        return 0;
    }
    std::string text;
    const bool read = read_whole_file(f, text);
    std::fclose(f);
    if (!read) return 0;  // half a file is not imported: the table and the count stay

    std::size_t pos = text.find('\n');  // the header line is skipped, whatever it holds
    pos = pos == std::string::npos ? text.size() : pos + 1;
    int count = 0;
    while (pos < text.size() && count < RECORD_CAPACITY) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        parse_csv_line(text.substr(pos, end - pos), record_table[count]);
        ++count;  // every line counts, so line n + 2 always lands in record n
        pos = end + 1;
    }
    app_state.record_count = count;
    restore_catalogue_fields();
    return 1;
}
