#include "UHTMLExtract.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

namespace {

using Byte = unsigned char;
constexpr size_t npos = std::string_view::npos;

// ---------------------------------------------------------------------------
// Windows-1252 letter case

constexpr std::array<Byte, 256> makeUpperTable() {
    std::array<Byte, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = Byte(i);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = Byte(c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) // division sign, its neighbour 0xD7 is the multiplication sign
            t[c] = Byte(c - 0x20);
    t[0x9A] = 0x8A; // š Š
    t[0x9C] = 0x8C; // œ Œ
    t[0x9E] = 0x8E; // ž Ž
    t[0xFF] = 0x9F; // ÿ Ÿ
    return t;
}

constexpr std::array<Byte, 256> kUpper = makeUpperTable();

// The other case of a letter, or the byte itself. Every upper-case letter has exactly one
// lower-case form, so a byte matches a pattern byte ignoring case only when it is that
// byte or its partner.
constexpr std::array<Byte, 256> makePartnerTable() {
    std::array<Byte, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = Byte(i);
    for (int i = 0; i < 256; ++i) {
        if (kUpper[i] != i) {
            t[i] = kUpper[i];
            t[kUpper[i]] = Byte(i);
        }
    }
    return t;
}

constexpr std::array<Byte, 256> kPartner = makePartnerTable();

constexpr Byte asciiUpper(Byte c) {
    return c >= 'a' && c <= 'z' ? Byte(c - 0x20) : c;
}

inline Byte at(const char* p, size_t i) {
    return static_cast<Byte>(p[i]);
}

// ---------------------------------------------------------------------------
// Searching with A-Z folded

bool equalsAsciiNoCase(const char* p, std::string_view marker) {
    for (size_t i = 0; i < marker.size(); ++i)
        if (asciiUpper(at(p, i)) != asciiUpper(at(marker.data(), i)))
            return false;
    return true;
}

size_t findAsciiNoCase(std::string_view text, std::string_view marker) {
    if (marker.empty())
        return 0;
    if (marker.size() > text.size())
        return npos;
    const size_t last = text.size() - marker.size();
    const Byte first = asciiUpper(at(marker.data(), 0));
    const bool firstIsLetter = first >= 'A' && first <= 'Z';
    for (size_t i = 0; i <= last; ++i) {
        if (firstIsLetter) {
            if (asciiUpper(at(text.data(), i)) != first)
                continue;
        } else {
            const void* hit = std::memchr(text.data() + i, first, last - i + 1);
            if (!hit)
                return npos;
            i = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        }
        if (equalsAsciiNoCase(text.data() + i, marker))
            return i;
    }
    return npos;
}

// ---------------------------------------------------------------------------
// Script removal

constexpr std::string_view kScriptOpen = "<script";
constexpr std::string_view kScriptClose = "</script>";

// Cutting a script out joins the text before it to the text after its end tag, which can
// form a new "<script" across the cut ("<scr" + "ipt>"). done holds no complete
// "<script" of its own, so such a start lies in its last few bytes. Returns its position
// in done, or npos.
size_t findOpenAcrossCut(std::string_view done, std::string_view rest) {
    const size_t tail = std::min(done.size(), kScriptOpen.size() - 1);
    for (size_t k = done.size() - tail; k < done.size(); ++k) {
        const size_t inDone = done.size() - k;
        const size_t inRest = kScriptOpen.size() - inDone;
        if (rest.size() < inRest)
            continue;
        if (equalsAsciiNoCase(done.data() + k, kScriptOpen.substr(0, inDone)) &&
            equalsAsciiNoCase(rest.data(), kScriptOpen.substr(inDone)))
            return k;
    }
    return npos;
}

// Removes each script element, from "<script" to the first "</script>" after it, until
// none is left. An element without end tag takes the rest of the text with it. Returns
// source itself when it holds no script, otherwise a view of buffer.
std::string_view removeScripts(std::string_view source, std::string& buffer) {
    if (findAsciiNoCase(source, kScriptOpen) == npos)
        return source;
    buffer.clear();
    buffer.reserve(source.size());
    std::string_view rest = source;
    for (;;) {
        std::string_view afterOpen;
        const size_t cut = findOpenAcrossCut(buffer, rest);
        if (cut != npos) {
            const size_t inRest = kScriptOpen.size() - (buffer.size() - cut);
            buffer.resize(cut);
            afterOpen = rest.substr(inRest);
        } else {
            const size_t open = findAsciiNoCase(rest, kScriptOpen);
            if (open == npos) {
                buffer.append(rest);
                break;
            }
            buffer.append(rest.substr(0, open));
            afterOpen = rest.substr(open + kScriptOpen.size());
        }
        const size_t close = findAsciiNoCase(afterOpen, kScriptClose);
        if (close == npos)
            break;
        rest = afterOpen.substr(close + kScriptClose.size());
    }
    return buffer;
}

// ---------------------------------------------------------------------------
// Tag stripping

bool isBreakTag(const char* p) {
    return p[0] == '<' && kUpper[at(p, 1)] == 'B' && kUpper[at(p, 2)] == 'R' && p[3] == '>';
}

// Turns each "<br>" into a space, then drops everything between "<" and ">", both done in
// one pass. The nesting depth may go negative: after a stray ">" the text stays hidden
// until a "<" brings the depth back to 0. Because a "<br>" is replaced before the depth is
// counted, its space is kept only outside tags.
void stripTags(std::string_view source, std::string& out) {
    out.resize(source.size());
    char* w = out.data();
    const char* p = source.data();
    const size_t n = source.size();
    std::ptrdiff_t depth = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == '<') {
            if (n - i >= 4 && isBreakTag(p + i)) {
                if (depth == 0)
                    *w++ = ' ';
                i += 3;
                continue;
            }
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (depth == 0) {
            *w++ = c;
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

// ---------------------------------------------------------------------------
// Decoding table

struct Row {
    std::string_view pattern;
    std::string_view replacement;
    bool ignoreCase;
};

constexpr bool kNoCase = true;
constexpr bool kExact = false;

// Entities, JavaScript escapes and UTF-8 read as Windows-1252. The order matters: the
// "\u00" row feeds the "\x" rows after it, "&#0" strips one leading zero per pass, and
// "&amp;" runs before "&lt;" so that "&amp;lt;" becomes "<" within one pass. No
// replacement is longer than its pattern, which lets the rows work in place.
constexpr Row kRows[] = {
    {"\\u00", "\\x", kNoCase},
    {"\\x3e", ">", kNoCase},
    {"\\x3c", "<", kNoCase},
    {"\\x92", "'", kNoCase},
    {"\\xc0", "\xE0", kNoCase},
    {"\\xc9", "E", kNoCase},
    {"\\xe0", "\xE0", kNoCase},
    {"\\xe2", "\xE2", kNoCase},
    {"\\xe3", "\xE3", kNoCase},
    {"\\xe4", "\xE4", kNoCase},
    {"\\xe7", "\xE7", kNoCase},
    {"\\xe8", "\xE8", kNoCase},
    {"\\xe9", "\xE9", kNoCase},
    {"\\xea", "\xEA", kNoCase},
    {"\\xeb", "\xEB", kNoCase},
    {"\\xee", "\xEE", kNoCase},
    {"\\xef", "\xEF", kNoCase},
    {"\\xf1", "\xF1", kNoCase},
    {"\\xf4", "\xF4", kNoCase},
    {"\\xf6", "\xF6", kNoCase},
    {"\\xf9", "\xF9", kNoCase},
    {"\\xfb", "\xFB", kNoCase},
    {"\\xfc", "\xFC", kNoCase},
    {"\\x26", "&", kNoCase},
    {"&#0", "&#", kNoCase},
    {"&#132;", "\"", kNoCase},
    {"&#39;", "'", kNoCase},
    {"&#181;", "\xB5", kNoCase},
    {"&#176;", "\xB0", kNoCase},
    {"&#160;", "\n", kNoCase},
    {"&#8230;", "", kNoCase},
    {"&nbsp;", " ", kNoCase},
    {"&amp;", "&", kNoCase},
    {"&lt;", "<", kNoCase},
    {"&gt;", ">", kNoCase},
    {"&eacute;", "\xE9", kNoCase},
    {"&egrave;", "\xE8", kNoCase},
    {"&agrave;", "\xE0", kNoCase},
    {"&ecirc;", "\xEA", kNoCase},
    {"&ccedil;", "\xE7", kNoCase},
    {"&acirc;", "\xE2", kNoCase},
    {"&ocirc;", "\xF4", kNoCase},
    {"&icirc;", "\xEE", kNoCase},
    {"&ucirc;", "\xFB", kNoCase},
    {"&ugrave;", "\xF9", kNoCase},
    {"&quot;", "\"", kNoCase},
    {"<BR>", "\n", kNoCase},
    {"_", " ", kExact},
    {"\xC3\x83\xC2\xAA", "\xEA", kExact},
    {"\xC3\x87", "C", kExact},
    {"\xC3\x80", "A", kExact},
    {"\xC3\xA7", "\xE7", kExact},
    {"\xC3\xAA", "\xEA", kExact},
    {"\xC3\xA2", "\xE2", kExact},
    {"\xC3\xA0", "\xE0", kExact},
    {"\xC2\xAA", "\xEA", kExact},
    {"\xC3\xB9", "\xF9", kExact},
    {"\xC3\x83\xC2\xA9", "\xE9", kExact},
    {"\xC3\xA9", "\xE9", kExact},
    {"\xC3\x83\xC2\xA8", "\xE8", kExact},
    {"\xC3\xA8", "\xE8", kExact},
    {"\xC3\x83\xC2\xB4", "\xF4", kExact},
    {"\xC2\xB4", "\xF4", kExact},
    {"\xC3\x83\xC2\xA0", "\xE0", kExact},
    {"\xC2\xA0", "\xE0", kExact},
    {"\xC3\x83\xC2\xAB", "\xEB", kExact},
    {"\xC3\x83\xC2\xA7", "\xE7", kExact},
    {"\xC3\x83\xC2\x8C\xC3\x82\xC2\x80", "", kExact},
    {"\xC3\x82\xC2\xB0", "", kExact},
    {"%20", " ", kExact},
    {"?", "", kExact},
    {"  ", " ", kExact},
    {"\xC3\xAE", "\xEE", kExact},
    {"\xC3\xAB", "\xEB", kExact},
    {"\xC3\xB3", "\xF3", kNoCase},
    {"\xC3\xB1", "\xF1", kNoCase},
    {"\xC3\xA1", "\xE1", kNoCase},
    {"\xC3\xAD", "\xED", kNoCase},
    {"\xC2\xBF", "\xBF", kNoCase},
    {"\xC3\x9C", "\xDC", kNoCase},
    {"\xC3\xBC", "\xFC", kNoCase},
    {"\xC3\x96", "\xD6", kNoCase},
    {"\xC3\xB6", "\xF6", kNoCase},
    {"\xC3\xA4", "\xE4", kNoCase},
    {"<b>", "", kExact},
    {"</b>", "", kExact},
};

constexpr size_t kRowCount = std::size(kRows);
constexpr int kTablePasses = 3;

static_assert(kRowCount == 86);

constexpr bool replacementsNeverGrow() {
    for (const Row& row : kRows)
        if (row.replacement.size() > row.pattern.size())
            return false;
    return true;
}
static_assert(replacementsNeverGrow(), "in-place replacement needs shrinking rows");

// Successive positions of one byte, or of either of two bytes, in [0, end).
class AnchorScan {
public:
    AnchorScan(const char* data, size_t end, Byte first, Byte second)
        : data_(data), end_(end), bytes_{first, second}, count_(first == second ? 1 : 2) {}

    // The first position at or after from, or npos.
    size_t next(size_t from) {
        if (from >= end_)
            return npos;
        size_t best = end_;
        for (int k = 0; k < count_; ++k) {
            if (!known_[k] || pos_[k] < from) {
                const void* hit = std::memchr(data_ + from, bytes_[k], end_ - from);
                pos_[k] = hit ? static_cast<size_t>(static_cast<const char*>(hit) - data_) : end_;
                known_[k] = true;
            }
            best = std::min(best, pos_[k]);
        }
        return best == end_ ? npos : best;
    }

private:
    const char* data_;
    size_t end_;
    Byte bytes_[2];
    int count_;
    size_t pos_[2] = {0, 0};
    bool known_[2] = {false, false};
};

// Runs replace-all steps on one text in place. A byte count of the text, kept up to date
// through each replacement, lets a step whose pattern holds a byte that does not occur
// return at once; otherwise the scan jumps (memchr) between occurrences of the pattern's
// rarest byte.
class Replacer {
public:
    explicit Replacer(std::string& text) : text_(text) {
        for (char c : text_)
            ++count_[static_cast<Byte>(c)];
    }

    // Replaces every occurrence of pattern in one left-to-right pass; text put in by a
    // replacement is not searched again. replacement must not be longer than pattern.
    // Returns whether anything was replaced.
    bool replaceAll(std::string_view pattern, std::string_view replacement, bool ignoreCase);

private:
    size_t occurrences(Byte b, bool ignoreCase) const {
        return count_[b] + (ignoreCase && kPartner[b] != b ? count_[kPartner[b]] : 0);
    }

    std::string& text_;
    std::array<size_t, 256> count_{};
};

bool Replacer::replaceAll(std::string_view pattern, std::string_view replacement, bool ignoreCase) {
    const size_t m = pattern.size();
    const size_t n = text_.size();
    if (m == 0 || m > n)
        return false;

    size_t anchor = 0;
    size_t fewest = std::numeric_limits<size_t>::max();
    for (size_t i = 0; i < m; ++i) {
        const size_t c = occurrences(at(pattern.data(), i), ignoreCase);
        if (c == 0)
            return false;
        if (c < fewest) {
            fewest = c;
            anchor = i;
        }
    }
    // Look only for the case forms of the anchor byte that are present.
    Byte first = at(pattern.data(), anchor);
    Byte second = ignoreCase ? kPartner[first] : first;
    if (count_[first] == 0)
        first = second;
    else if (count_[second] == 0)
        second = first;

    char* d = text_.data();
    const auto matchesAt = [&](size_t s) {
        if (!ignoreCase)
            return std::memcmp(d + s, pattern.data(), m) == 0;
        for (size_t i = 0; i < m; ++i)
            if (kUpper[at(d, s + i)] != kUpper[at(pattern.data(), i)])
                return false;
        return true;
    };

    // Anchors beyond n - m + anchor cannot start a complete match.
    AnchorScan scan(d, n - m + anchor + 1, first, second);
    size_t read = 0;  // everything before read has been handled
    size_t write = 0; // end of the output, never after read
    bool replaced = false;
    for (size_t q = scan.next(anchor); q != npos;) {
        const size_t s = q - anchor;
        if (!matchesAt(s)) {
            q = scan.next(q + 1);
            continue;
        }
        for (size_t i = 0; i < m; ++i)
            --count_[at(d, s + i)];
        for (char c : replacement)
            ++count_[static_cast<Byte>(c)];
        if (write != read)
            std::memmove(d + write, d + read, s - read);
        write += s - read;
        std::memcpy(d + write, replacement.data(), replacement.size());
        write += replacement.size();
        read = s + m;
        replaced = true;
        q = scan.next(read + anchor);
    }
    if (!replaced)
        return false;
    if (write != read)
        std::memmove(d + write, d + read, n - read);
    text_.resize(write + (n - read));
    return true;
}

// Applies the table kTablePasses times. A row that found nothing is skipped until some
// other row has changed the text.
void decode(Replacer& replacer) {
    std::uint64_t version = 1;
    std::array<std::uint64_t, kRowCount> quietAt{};
    for (int pass = 0; pass < kTablePasses; ++pass) {
        for (size_t r = 0; r < kRowCount; ++r) {
            if (quietAt[r] == version)
                continue;
            const Row& row = kRows[r];
            if (replacer.replaceAll(row.pattern, row.replacement, row.ignoreCase))
                ++version;
            else
                quietAt[r] = version;
        }
    }
}

bool isBlank(char c) {
    return static_cast<Byte>(c) <= 32;
}

// ---------------------------------------------------------------------------
// Windows-1252 <-> UTF-16

// Characters of bytes 80..9F. The five bytes the code page leaves undefined map to the C1
// control of the same value, so that every byte survives a round trip.
constexpr char16_t kHighChars[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toWindows1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i)
        if (kHighChars[i] == u)
            return static_cast<char>(0x80 + i);
    return '?';
}

QByteArray encodeWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        // A surrogate pair is one character outside the code page: one '?'.
        if (QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]))
            ++i;
        out.append(toWindows1252(p[i]));
    }
    return out;
}

QString decodeWindows1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* w = out.data();
    for (char c : bytes) {
        const Byte b = static_cast<Byte>(c);
        *w++ = (b >= 0x80 && b < 0xA0) ? QChar(kHighChars[b - 0x80]) : QChar(b);
    }
    return out;
}

std::string_view asView(QByteArrayView v) {
    return {v.data(), static_cast<size_t>(v.size())};
}

} // namespace

QByteArray HTML2Text(QByteArrayView source) {
    std::string scriptFree;
    const std::string_view withoutScripts = removeScripts(asView(source), scriptFree);

    std::string text;
    stripTags(withoutScripts, text);
    scriptFree = std::string(); // release early: the input may be large

    Replacer replacer(text);
    decode(replacer);
    // Only CDATA markers that came out of decoded entities are left; real CDATA sections
    // went with the tags.
    replacer.replaceAll("<![CDATA[", "", kExact);
    replacer.replaceAll("]]>", "", kExact);

    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return QByteArray(text.data() + begin, static_cast<qsizetype>(end - begin));
}

QString HTML2Text(const QString& source) {
    return decodeWindows1252(HTML2Text(QByteArrayView(encodeWindows1252(source))));
}

QByteArray TextBeforeNoCase(QByteArrayView text, QByteArrayView marker) {
    const size_t pos = findAsciiNoCase(asView(text), asView(marker));
    if (pos == npos)
        return text.toByteArray();
    return text.first(static_cast<qsizetype>(pos)).toByteArray();
}

QByteArray TextAfterNoCase(QByteArrayView text, QByteArrayView marker) {
    const size_t pos = findAsciiNoCase(asView(text), asView(marker));
    if (pos == npos)
        return {};
    return text.sliced(static_cast<qsizetype>(pos) + marker.size()).toByteArray();
}
