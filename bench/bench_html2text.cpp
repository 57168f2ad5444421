// Times HTML2Text on a synthetic web page of about 1 MB.
//
// Usage: bench_html2text [runs] [size in bytes]

#include "UHTMLExtract.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Small deterministic generator, so that every run times the same page.
class Lcg {
public:
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }

private:
    std::uint64_t state_ = 0x5EED1234ULL;
};

// A page mixing the things the conversion deals with: markup, script blocks, entities,
// numeric references, JavaScript escapes, UTF-8 read as Windows-1252 (single and double),
// runs of spaces and question marks. Bytes are Windows-1252.
std::string makePage(size_t size) {
    static const char* const kWords[] = {
        "le",
        "caf\xE9",
        "de",
        "march\xE9",
        "pour",
        "table",
        "donn\xE9"
        "es",
        "fen\xEAtre",
        "application",
        "base",
        "r\xE9sultat",
        "champ",
        "requ\xEAte",
        "valeur",
        "texte",
        "&eacute;t&eacute;",
        "&amp;lt;tag&amp;gt;",
        "l&#039;eau",
        "&quot;cit&eacute;&quot;",
        "&nbsp;",
        "caf\\u00e9",
        "\\x3cb\\x3e",
        "d\xC3\xA9j\xC3\xA0",
        "\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9",
        "gar\xC3\xA7on",
        "pourquoi?",
        "snake_case",
        "a%20b",
        "&#160;",
        "&Egrave;re",
        "10&#176;",
        "&#8230;",
        "ni\xC3\xB1o",
        "\xC3\xBC"
        "ber",
    };
    static const char* const kTags[] = {
        "<p>",  "</p>",  "<div class=\"content\">",          "</div>", "<br>",   "<br/>",
        "<b>",  "</b>",  "<a href=\"/page?id=42&amp;x=1\">", "</a>",   "<span>", "</span>",
        "<li>", "</li>",
    };
    static const char* const kScripts[] = {
        "<script type=\"text/javascript\">var s = \"caf\\u00e9\"; if (a < b && c > d) { "
        "document.write('<p>x</p>'); }</script>",
        "<SCRIPT>window.dataLayer = window.dataLayer || []; function gtag(){dataLayer.push("
        "arguments);}</SCRIPT>",
    };

    Lcg rng;
    std::string page;
    page.reserve(size + 256);
    page += "<!DOCTYPE html><html><head><title>Page</title></head><body>";
    while (page.size() < size) {
        const std::uint32_t pick = rng.below(100);
        if (pick < 55) {
            page += kWords[rng.below(std::size(kWords))];
            page += ' ';
        } else if (pick < 85) {
            page += kTags[rng.below(std::size(kTags))];
        } else if (pick < 88) {
            page += kScripts[rng.below(std::size(kScripts))];
        } else if (pick < 95) {
            page.append(1 + rng.below(12), ' ');
        } else {
            page += "<![CDATA[ raw ]]>\n";
        }
    }
    page += "</body></html>";
    return page;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const size_t size = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1u << 20;

    const std::string page = makePage(size);
    const QByteArrayView source(page.data(), static_cast<qsizetype>(page.size()));

    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(runs));
    qsizetype outSize = 0;
    std::uint32_t checksum = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const QByteArray text = HTML2Text(source);
        const auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        outSize = text.size();
        for (char c : text)
            checksum = checksum * 31 + static_cast<unsigned char>(c);
    }
    std::sort(ms.begin(), ms.end());
    const double best = ms.front();
    const double median = ms[ms.size() / 2];
    const double mb = static_cast<double>(page.size()) / (1024.0 * 1024.0);

    std::printf("input %zu bytes, output %lld bytes, checksum %08x, %d runs\n", page.size(),
                static_cast<long long>(outSize), checksum, runs);
    std::printf("best   %8.3f ms  %8.1f MB/s\n", best, mb / (best / 1000.0));
    std::printf("median %8.3f ms  %8.1f MB/s\n", median, mb / (median / 1000.0));
    return 0;
}
