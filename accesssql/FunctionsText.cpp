#include "FunctionSupport.h"

#include <algorithm>
#include <cmath>

namespace accesssql::fn {

std::u32string decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        ++i;
        for (; extra > 0 && i < s.size(); --extra, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        out += cp;
    }
    return out;
}

std::string encode(std::u32string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Lower case for ASCII and Latin-1 letters.
char32_t fold(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    return c;
}

static char32_t upper(char32_t c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 32;
    return c;
}

bool equalFolded(std::u32string_view a, std::u32string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

namespace {

// One [...] class at p[i] (after "["); sets `end` after its "]". False when malformed.
bool classMatches(std::u32string_view p, std::size_t i, char32_t c, std::size_t &end, bool &ok)
{
    bool negate = false;
    if (i < p.size() && p[i] == '!') {
        negate = true;
        ++i;
    }
    bool hit = false;
    const char32_t fc = fold(c);
    bool first = true;
    for (; i < p.size() && (p[i] != ']' || first); first = false) {
        char32_t lo = p[i];
        if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
            const char32_t hi = p[i + 2];
            if (fold(lo) <= fc && fc <= fold(hi))
                hit = true;
            i += 3;
        } else {
            if (fold(lo) == fc)
                hit = true;
            ++i;
        }
    }
    ok = i < p.size();
    end = i + 1;
    return hit != negate;
}

} // namespace

bool like(std::u32string_view v, std::u32string_view p)
{
    // Iterative matching with one star to back up to.
    std::size_t vi = 0, pi = 0, starP = std::u32string_view::npos, starV = 0;
    while (vi < v.size()) {
        bool advanced = false;
        if (pi < p.size()) {
            const char32_t pc = p[pi];
            if (pc == '*') {
                starP = pi++;
                starV = vi;
                continue;
            }
            if (pc == '?') {
                advanced = true;
                ++pi;
            } else if (pc == '#') {
                if (v[vi] >= '0' && v[vi] <= '9') {
                    advanced = true;
                    ++pi;
                }
            } else if (pc == '[') {
                std::size_t end = 0;
                bool ok = false;
                if (classMatches(p, pi + 1, v[vi], end, ok) && ok) {
                    advanced = true;
                    pi = end;
                } else if (!ok && fold(pc) == fold(v[vi])) {
                    advanced = true;
                    ++pi;
                }
            } else if (fold(pc) == fold(v[vi])) {
                advanced = true;
                ++pi;
            }
        }
        if (advanced) {
            ++vi;
            continue;
        }
        if (starP == std::u32string_view::npos)
            return false;
        pi = starP + 1;
        vi = ++starV;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

namespace {

std::optional<long> whole(sqlite3_context *ctx, sqlite3_value *v, const char *fn, long min = 0)
{
    const auto n = number(v);
    if (!n || *n < double(min) || *n > 2147483647.0) {
        error(ctx, std::string("Invalid argument for ") + fn);
        return std::nullopt;
    }
    return long(*n);
}

void left(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto n = whole(ctx, argv[1], "Left");
    if (!n)
        return;
    const std::u32string s = decode(text(argv[0]));
    resultText(ctx, encode(std::u32string_view(s).substr(0, std::size_t(*n))));
}

void right(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto n = whole(ctx, argv[1], "Right");
    if (!n)
        return;
    const std::u32string s = decode(text(argv[0]));
    const std::size_t take = std::min(s.size(), std::size_t(*n));
    resultText(ctx, encode(std::u32string_view(s).substr(s.size() - take)));
}

void mid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto start = whole(ctx, argv[1], "Mid", 1);
    if (!start)
        return;
    std::optional<long> length = argc > 2 ? whole(ctx, argv[2], "Mid") : std::optional<long>(2147483647L);
    if (!length)
        return;
    const std::u32string s = decode(text(argv[0]));
    if (std::size_t(*start) > s.size())
        return resultText(ctx, {});
    resultText(ctx, encode(std::u32string_view(s).substr(std::size_t(*start - 1), std::size_t(*length))));
}

void len(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, sqlite3_int64(decode(text(argv[0])).size()));
}

std::size_t find(std::u32string_view hay, std::u32string_view needle, std::size_t from, bool textCompare)
{
    if (needle.empty())
        return from;
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        const auto part = hay.substr(i, needle.size());
        if (textCompare ? equalFolded(part, needle) : part == needle)
            return i;
    }
    return std::u32string_view::npos;
}

// Comparisons in queries ignore letter case unless the compare argument is 0 (binary).
bool textCompare(sqlite3_value *v)
{
    const auto n = v ? number(v) : std::optional<double>(1);
    return !n || *n != 0;
}

void instr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int a = 0;
    long start = 1;
    if (argc >= 3 && number(argv[0]) && sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        const auto s = whole(ctx, argv[0], "InStr", 1);
        if (!s)
            return;
        start = *s;
        a = 1;
    }
    if (isNull(argv[a]) || isNull(argv[a + 1]))
        return sqlite3_result_null(ctx);
    const std::u32string hay = decode(text(argv[a])), needle = decode(text(argv[a + 1]));
    if (std::size_t(start) > hay.size() + (needle.empty() ? 1 : 0))
        return sqlite3_result_int(ctx, 0);
    const std::size_t at = find(hay, needle, std::size_t(start - 1), textCompare(argc > a + 2 ? argv[a + 2] : nullptr));
    sqlite3_result_int64(ctx, at == std::u32string_view::npos ? 0 : sqlite3_int64(at + 1));
}

void instrrev(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const std::u32string hay = decode(text(argv[0])), needle = decode(text(argv[1]));
    long start = long(hay.size());
    if (argc > 2) {
        const auto n = number(argv[2]);
        if (!n || (*n < 1 && *n != -1))
            return error(ctx, "Invalid argument for InStrRev");
        if (*n != -1)
            start = long(*n);
    }
    const bool tc = textCompare(argc > 3 ? argv[3] : nullptr);
    if (needle.empty())
        return sqlite3_result_int64(ctx, start);
    for (long i = std::min<long>(start, long(hay.size())) - long(needle.size()); i >= 0; --i) {
        const auto part = std::u32string_view(hay).substr(std::size_t(i), needle.size());
        if (tc ? equalFolded(part, needle) : part == needle)
            return sqlite3_result_int64(ctx, i + 1);
    }
    sqlite3_result_int(ctx, 0);
}

template <bool Upper>
void changeCase(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    std::u32string s = decode(text(argv[0]));
    for (char32_t &c : s)
        c = Upper ? upper(c) : fold(c);
    resultText(ctx, encode(s));
}

template <bool Left, bool Right>
void trim(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const std::string s = text(argv[0]);
    std::size_t b = 0, e = s.size();
    if (Left)
        while (b < e && s[b] == ' ')
            ++b;
    if (Right)
        while (e > b && s[e - 1] == ' ')
            --e;
    resultText(ctx, s.substr(b, e - b));
}

void space(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto n = whole(ctx, argv[0], "Space");
    if (n)
        resultText(ctx, std::string(std::size_t(*n), ' '));
}

void string(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (anyNull(2, argv))
        return sqlite3_result_null(ctx);
    const auto n = whole(ctx, argv[0], "String");
    if (!n)
        return;
    char32_t c;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const std::u32string s = decode(text(argv[1]));
        if (s.empty())
            return error(ctx, "Invalid argument for String");
        c = s[0];
    } else {
        c = char32_t(long(*number(argv[1])) & 0xFFFF);
    }
    resultText(ctx, encode(std::u32string(std::size_t(*n), c)));
}

void replace(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const std::u32string s = decode(text(argv[0])), what = decode(text(argv[1])), with = decode(text(argv[2]));
    const auto start = argc > 3 ? whole(ctx, argv[3], "Replace", 1) : std::optional<long>(1);
    if (!start)
        return;
    long count = -1;
    if (argc > 4) {
        const auto n = number(argv[4]);
        if (!n)
            return error(ctx, "Invalid argument for Replace");
        count = long(*n);
    }
    const bool tc = textCompare(argc > 5 ? argv[5] : nullptr);
    if (std::size_t(*start) > s.size())
        return resultText(ctx, {});
    // The result begins at `start`, as Access's Replace does.
    std::u32string out;
    std::size_t i = std::size_t(*start - 1);
    while (i < s.size()) {
        const std::size_t at = what.empty() || count == 0 ? std::u32string::npos : find(s, what, i, tc);
        if (at == std::u32string::npos) {
            out += s.substr(i);
            break;
        }
        out += s.substr(i, at - i);
        out += with;
        i = at + what.size();
        if (count > 0)
            --count;
    }
    resultText(ctx, encode(out));
}

void strcomp(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    std::u32string a = decode(text(argv[0])), b = decode(text(argv[1]));
    if (textCompare(argc > 2 ? argv[2] : nullptr)) {
        for (char32_t &c : a)
            c = fold(c);
        for (char32_t &c : b)
            c = fold(c);
    }
    const int r = a.compare(b);
    sqlite3_result_int(ctx, r < 0 ? -1 : r > 0 ? 1 : 0);
}

void strreverse(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    std::u32string s = decode(text(argv[0]));
    std::reverse(s.begin(), s.end());
    resultText(ctx, encode(s));
}

void asc(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const std::u32string s = isNull(argv[0]) ? std::u32string() : decode(text(argv[0]));
    if (s.empty())
        return error(ctx, "Invalid argument for Asc: the text is empty");
    sqlite3_result_int64(ctx, sqlite3_int64(s[0]));
}

void chr(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const auto n = isNull(argv[0]) ? std::nullopt : number(argv[0]);
    if (!n || *n < 0 || *n > 65535)
        return error(ctx, "Invalid argument for Chr");
    resultText(ctx, encode(std::u32string(1, char32_t(*n))));
}

} // namespace

void registerTextFunctions(sqlite3 *db)
{
    add(db, "acc_left", 2, left);
    add(db, "acc_right", 2, right);
    add(db, "acc_mid", -1, mid);
    add(db, "acc_len", 1, len);
    add(db, "acc_instr", -1, instr);
    add(db, "acc_instrrev", -1, instrrev);
    add(db, "acc_ucase", 1, changeCase<true>);
    add(db, "acc_lcase", 1, changeCase<false>);
    add(db, "acc_trim", 1, trim<true, true>);
    add(db, "acc_ltrim", 1, trim<true, false>);
    add(db, "acc_rtrim", 1, trim<false, true>);
    add(db, "acc_space", 1, space);
    add(db, "acc_string", 2, string);
    add(db, "acc_replace", -1, replace);
    add(db, "acc_strcomp", -1, strcomp);
    add(db, "acc_strreverse", 1, strreverse);
    add(db, "acc_asc", 1, asc);
    add(db, "acc_chr", 1, chr);
}

} // namespace accesssql::fn
