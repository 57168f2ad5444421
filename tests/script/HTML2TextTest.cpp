#include "UHTMLExtract.h"

#include <gtest/gtest.h>

#include <QString>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Byte strings below are Windows-1252: "\xE9" is é, "\xC3\xA9" is é in UTF-8 read as
// Windows-1252.

namespace {

std::string convert(const std::string& source) {
    const QByteArray out = HTML2Text(QByteArrayView(source.data(), qsizetype(source.size())));
    return out.toStdString();
}

// ---------------------------------------------------------------------------
// Conversion cases

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class HTML2TextCase : public ::testing::TestWithParam<Case> {};

TEST_P(HTML2TextCase, Converts) {
    EXPECT_EQ(convert(GetParam().input), GetParam().expected);
}

const Case kCases[] = {
    // Markup
    {"Empty", "", ""},
    {"ParagraphWithNbsp", "<p>Hello&nbsp;world</p>", "Hello world"},
    {"NestedTags", "<div><a href=\"x\">link</a> text</div>", "link text"},
    {"StrayCloseHidesRest", "5 > 3", "5"},
    {"StrayCloseUntilOpen", "a > b <c> d", "a c"},
    {"BreakBecomesSpace", "one<br>two<BR>three", "one two three"},
    {"SelfClosingBreakIsTag", "one<br/>two", "onetwo"},
    {"BreakInsideTagHidden", "<a <br> b>x", "x"},
    {"TrimsControlsAndSpaces", "\t\r\n  text \x01\x1F ", "text"},
    {"KeepsByte33AtEnds", "!x!", "!x!"},

    // Scripts
    {"ScriptMixedCase", "before<ScRiPt type=\"x\">if (a < b) x();</sCrIpT>after", "beforeafter"},
    {"ScriptBetweenWords", "one <SCRIPT>x()</script> two", "one two"},
    {"UnclosedScript", "keep<script>lost forever", "keep"},
    {"CloseBeforeOpen", "a</script>b<script>c</script>d", "abd"},
    {"TwoScripts", "a<script>1</script>b<script>2</script>c", "abc"},
    {"ScriptFormedAcrossCut", "x<scr<script>1</script>ipt>2</script>y", "xy"},
    {"ScriptPrefixOnly", "a<scrip>b", "ab"},

    // CDATA
    {"CDataSectionIsTag", "x<![CDATA[ hidden ]]>y", "xy"},
    {"CDataFromEntities", "&lt;![CDATA[data]]&gt;", "data"},

    // Numeric references and entities
    {"EscapedLessThan", "&amp;lt;", "<"},
    {"ApostropheOneZero", "it&#039;s", "it's"},
    {"ApostropheThreeZeros", "&#00039;", "'"},
    {"ApostropheFourZerosKeepsOne", "&#000039;", "&#039;"},
    {"Ref160IsLineFeed", "a&#160;b", "a\nb"},
    {"NbspIsSpace", "a&nbsp;b", "a b"},
    {"NumericRefs", "&#132;q&#132; 5&#176; 3&#181;m x&#8230;", "\"q\" 5\xB0 3\xB5m x"},
    {"Entities", "&quot;&lt;&gt;&amp;&quot;", "\"<>&\""},
    {"AccentEntities",
     "&eacute;&egrave;&agrave;&ecirc;&ccedil;&acirc;&ocirc;&icirc;&ucirc;&ugrave;",
     "\xE9\xE8\xE0\xEA\xE7\xE2\xF4\xEE\xFB\xF9"},
    {"CapitalEntitiesGiveSmallLetters", "&EACUTE; &Eacute; &NBSP;&AMP;", "\xE9 \xE9 &"},
    {"EntityTagsRemoved", "&lt;b&gt;bold&lt;/b&gt;", "bold"},
    {"EntityOtherTagKept", "&lt;i&gt;", "<i>"},
    {"UnknownEntityKept", "&copy; &#65;", "&copy; &#65;"},

    // JavaScript escapes
    {"UnicodeEscape", "caf\\u00e9", "caf\xE9"},
    {"UnicodeEscapeCapitals", "\\U00E9t\\u00C9", "\xE9tE"},
    {"CapitalAGraveGivesSmall", "\\xC0 \\xe0", "\xE0 \xE0"},
    {"HexEscapes", "\\xe2\\xe3\\xe4\\xe7\\xe8\\xea\\xeb\\xee\\xef\\xf1\\xf4\\xf6\\xf9\\xfb\\xfc",
     "\xE2\xE3\xE4\xE7\xE8\xEA\xEB\xEE\xEF\xF1\xF4\xF6\xF9\xFB\xFC"},
    {"EscapedTagRemoved", "\\x3cb\\x3ebold", "bold"},
    {"EscapedAngles", "\\u003ci\\u003e", "<i>"},
    {"EscapedApostrophe", "it\\x92s", "it's"},
    {"EscapedAmpersandChain", "\\x26amp;lt;", "<"},
    {"UnlistedEscapeKept", "\\x41", "\\x41"},

    // UTF-8 read as Windows-1252
    {"SingleMisdecoding",
     "\xC3\xA9t\xC3\xA9 \xC3\xA0 \xC3\xA7"
     "a \xC3\xAE\xC3\xAB\xC3\xB9",
     "\xE9t\xE9 \xE0 \xE7"
     "a \xEE\xEB\xF9"},
    {"DoubleMisdecoding", "\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA8 \xC3\x83\xC2\xAA\xC3\x83\xC2\xB4",
     "\xE9t\xE8 \xEA\xF4"},
    {"CapitalsLoseAccent",
     "\xC3\x87"
     "a \xC3\x80",
     "Ca A"},
    {"LeftoverHalves", "\xC2\xAA\xC2\xB4\xC2\xA0", "\xEA\xF4\xE0"},
    {"RemovedSequences",
     "a\xC3\x83\xC2\x8C\xC3\x82\xC2\x80"
     "b\xC3\x82\xC2\xB0"
     "c",
     "abc"},
    {"SpanishGerman",
     "\xC3\xB3\xC3\xB1\xC3\xA1\xC3\xAD\xC2\xBF\xC3\xBC\xC3\xB6\xC3\xA4\xC3\x9C\xC3\x96",
     "\xF3\xF1\xE1\xED\xBF\xFC\xF6\xE4\xDC\xD6"},
    {"CaseRuleOnAccentedBytes", "\xE3\xB3 \xE2\xBF \xE3\xA4", "\xF3 \xBF \xE4"},
    {"CaseRuleOELigature", "\xC3\x8C \xE3\x9C", "\xDC \xDC"},
    {"ExactRowsIgnoreCaseVariant", "\xE3\xA9", "\xE3\xA9"},

    // Spaces, punctuation
    {"EightSpacesBecomeOne", "a" + std::string(8, ' ') + "b", "a b"},
    {"NineSpacesBecomeTwo", "a" + std::string(9, ' ') + "b", "a  b"},
    {"QuestionMarkRemoved", "How are you? Fine??", "How are you Fine"},
    {"UnderscoreAndPercent20", "snake_case%20word", "snake case word"},
    {"ReplacementNotRescanned", "&amp;amp;amp;amp;", "&amp;"},
};

INSTANTIATE_TEST_SUITE_P(Table, HTML2TextCase, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Unicode wrapper and helpers

TEST(HTML2TextString, ConvertsThroughWindows1252) {
    struct {
        QString input;
        QString expected;
    } const cases[] = {
        {QStringLiteral("<p>caf&eacute; cr\u00E8me</p>"), QStringLiteral("caf\u00E9 cr\u00E8me")},
        {QStringLiteral("\u20AC 5 \u0153uvre \u0160"),
         QStringLiteral("\u20AC 5 \u0153uvre \u0160")},
        {QStringLiteral("a\u4E2D\U0001F600b"), QStringLiteral("ab")},
        {QStringLiteral("\u00C3\u00A9t\u00C3\u00A9"), QStringLiteral("\u00E9t\u00E9")},
        {QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HTML2Text(c.input), c.expected) << c.input.toStdString();
}

TEST(HTML2TextHelpers, SplitAtFirstMarkerIgnoringAsciiCase) {
    struct {
        const char* text;
        const char* marker;
        const char* before;
        const char* after;
    } const cases[] = {
        {"abc<SCRIPT>x<script>y", "<script>", "abc", "x<script>y"},
        {"no marker here", "<script", "no marker here", ""},
        {"x\xC9y", "\xE9", "x\xC9y", ""}, // only A-Z fold
        {"Tail", "tail", "", ""},
        {"text", "", "", "text"},
        {"", "a", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextBeforeNoCase(c.text, c.marker), QByteArray(c.before));
        EXPECT_EQ(TextAfterNoCase(c.text, c.marker), QByteArray(c.after));
    }
}

// ---------------------------------------------------------------------------
// Comparison with a direct transcription of the conversion: plain replace-all loops,
// no byte counts, no in-place editing.

namespace reference {

unsigned char upper(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    switch (c) {
    case 0x9A:
        return 0x8A;
    case 0x9C:
        return 0x8C;
    case 0x9E:
        return 0x8E;
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return s;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 0x20);
    return s;
}

std::string replaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement, bool noCase) {
    const std::string hay = noCase ? upper(text) : text;
    const std::string needle = noCase ? upper(pattern) : pattern;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (hay.compare(i, needle.size(), needle) == 0) {
            out += replacement;
            i += needle.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

struct Row {
    std::string pattern, replacement;
    bool noCase;
};

const std::vector<Row>& table() {
    static const std::vector<Row> rows = {
        {"\\u00", "\\x", true},
        {"\\x3e", ">", true},
        {"\\x3c", "<", true},
        {"\\x92", "'", true},
        {"\\xc0", "\xE0", true},
        {"\\xc9", "E", true},
        {"\\xe0", "\xE0", true},
        {"\\xe2", "\xE2", true},
        {"\\xe3", "\xE3", true},
        {"\\xe4", "\xE4", true},
        {"\\xe7", "\xE7", true},
        {"\\xe8", "\xE8", true},
        {"\\xe9", "\xE9", true},
        {"\\xea", "\xEA", true},
        {"\\xeb", "\xEB", true},
        {"\\xee", "\xEE", true},
        {"\\xef", "\xEF", true},
        {"\\xf1", "\xF1", true},
        {"\\xf4", "\xF4", true},
        {"\\xf6", "\xF6", true},
        {"\\xf9", "\xF9", true},
        {"\\xfb", "\xFB", true},
        {"\\xfc", "\xFC", true},
        {"\\x26", "&", true},
        {"&#0", "&#", true},
        {"&#132;", "\"", true},
        {"&#39;", "'", true},
        {"&#181;", "\xB5", true},
        {"&#176;", "\xB0", true},
        {"&#160;", "\n", true},
        {"&#8230;", "", true},
        {"&nbsp;", " ", true},
        {"&amp;", "&", true},
        {"&lt;", "<", true},
        {"&gt;", ">", true},
        {"&eacute;", "\xE9", true},
        {"&egrave;", "\xE8", true},
        {"&agrave;", "\xE0", true},
        {"&ecirc;", "\xEA", true},
        {"&ccedil;", "\xE7", true},
        {"&acirc;", "\xE2", true},
        {"&ocirc;", "\xF4", true},
        {"&icirc;", "\xEE", true},
        {"&ucirc;", "\xFB", true},
        {"&ugrave;", "\xF9", true},
        {"&quot;", "\"", true},
        {"<BR>", "\n", true},
        {"_", " ", false},
        {"\xC3\x83\xC2\xAA", "\xEA", false},
        {"\xC3\x87", "C", false},
        {"\xC3\x80", "A", false},
        {"\xC3\xA7", "\xE7", false},
        {"\xC3\xAA", "\xEA", false},
        {"\xC3\xA2", "\xE2", false},
        {"\xC3\xA0", "\xE0", false},
        {"\xC2\xAA", "\xEA", false},
        {"\xC3\xB9", "\xF9", false},
        {"\xC3\x83\xC2\xA9", "\xE9", false},
        {"\xC3\xA9", "\xE9", false},
        {"\xC3\x83\xC2\xA8", "\xE8", false},
        {"\xC3\xA8", "\xE8", false},
        {"\xC3\x83\xC2\xB4", "\xF4", false},
        {"\xC2\xB4", "\xF4", false},
        {"\xC3\x83\xC2\xA0", "\xE0", false},
        {"\xC2\xA0", "\xE0", false},
        {"\xC3\x83\xC2\xAB", "\xEB", false},
        {"\xC3\x83\xC2\xA7", "\xE7", false},
        {"\xC3\x83\xC2\x8C\xC3\x82\xC2\x80", "", false},
        {"\xC3\x82\xC2\xB0", "", false},
        {"%20", " ", false},
        {"?", "", false},
        {"  ", " ", false},
        {"\xC3\xAE", "\xEE", false},
        {"\xC3\xAB", "\xEB", false},
        {"\xC3\xB3", "\xF3", true},
        {"\xC3\xB1", "\xF1", true},
        {"\xC3\xA1", "\xE1", true},
        {"\xC3\xAD", "\xED", true},
        {"\xC2\xBF", "\xBF", true},
        {"\xC3\x9C", "\xDC", true},
        {"\xC3\xBC", "\xFC", true},
        {"\xC3\x96", "\xD6", true},
        {"\xC3\xB6", "\xF6", true},
        {"\xC3\xA4", "\xE4", true},
        {"<b>", "", false},
        {"</b>", "", false},
    };
    return rows;
}

std::string afterMarker(const std::string& s, const std::string& marker) {
    const size_t p = lowerAscii(s).find(marker);
    return p == std::string::npos ? std::string() : s.substr(p + marker.size());
}

std::string html2Text(std::string s) {
    while (lowerAscii(s).find("<script") != std::string::npos) {
        const std::string before = s.substr(0, lowerAscii(s).find("<script"));
        s = before + afterMarker(afterMarker(s, "<script"), "</script>");
    }
    s = replaceAll(s, "<br>", " ", true);

    std::string stripped;
    long depth = 0;
    for (char c : s) {
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        else if (depth == 0)
            stripped += c;
    }
    s = stripped;

    for (int pass = 0; pass < 3; ++pass)
        for (const Row& row : table())
            s = replaceAll(s, row.pattern, row.replacement, row.noCase);
    s = replaceAll(s, "<![CDATA[", "", false);
    s = replaceAll(s, "]]>", "", false);

    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!s.empty() && blank(s.front()))
        s.erase(s.begin());
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    return s;
}

} // namespace reference

// Fragments chosen so that random sequences of them form (and almost form) the
// patterns: split script tags, escapes assembled from pieces, entities with zeros,
// case variants, partial mis-decodings.
const char* const kFragments[] = {
    "<scr",   "ipt>", "<script>", "</script>", "</SCRIPT>", "<Script ", "<br>", "<bR>",
    "<br/>",  "<",    ">",        "&",         "amp;",      "lt;",      "gt;",  "&#",
    "0",      "39;",  "160;",     "nbsp;",     "&EACUTE;",  "\\",       "u00",  "U00",
    "x",      "X",    "e9",       "3C",        "3e",        "26",       "c9",   "92",
    "\xC3",   "\xE3", "\x83",     "\xC2",      "\xE2",      "\xA9",     "\xAA", "\x8C",
    "\x9C",   "\xA4", "\x82",     "\x80",      "\xB0",      "\xBF",     " ",    "  ",
    "?",      "_",    "%20",      "%2",        "<![CDATA[", "]]>",      "]]",   "&lt;![CDATA[",
    "]]&gt;", "b>",   "</b",      "\n",        "\t",        "word",     "\xE9",
};

std::string randomText(std::mt19937& rng, size_t fragments) {
    std::string s;
    for (size_t i = 0; i < fragments; ++i)
        s += kFragments[rng() % std::size(kFragments)];
    return s;
}

TEST(HTML2TextReference, SameResultOnGeneratedText) {
    ASSERT_EQ(reference::table().size(), 86u);
    std::mt19937 rng(20240611);
    for (int i = 0; i < 2000; ++i) {
        const std::string input = randomText(rng, 1 + rng() % 40);
        ASSERT_EQ(convert(input), reference::html2Text(input)) << "input: " << input;
    }
    // Longer text, so that the scans run across many matches and buffer ends.
    const std::string large = randomText(rng, 30000);
    EXPECT_EQ(convert(large), reference::html2Text(large));
}

} // namespace
