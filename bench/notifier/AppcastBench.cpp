// Parsing and deciding on a large appcast, beside libxml2's bare parse of the
// same text with the same options: the floor under what the parser can cost.
#include <benchmark/benchmark.h>

#include <libxml/parser.h>

#include <optional>
#include <string>

#include "bench/common/SideBySide.h"
#include "update-notifier/feed/QMXMLParser.h"
#include "update-notifier/feed/XmlDocument.h"

namespace {

std::string appcast(int items) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n<channel>\n<title>Vorrel Plugins Manager</title>\n";
    for (int i = 0; i < items; ++i) {
        const std::string version = std::to_string(100 + (i * 7919) % items);
        text += "<item>\n<title>Version " + version + "</title>\n"
                "<sparkle:releaseNotesLink>https://updates.example.com/notes/" + version +
                ".html</sparkle:releaseNotesLink>\n"
                "<pubDate>Tue, 08 Dec 2026 06:00:00 +0000</pubDate>\n"
                "<description><![CDATA[<h2>Changes</h2><ul><li>Fixes and improvements in this release of the "
                "plugins manager, with a longer text so that items weigh what real ones do.</li></ul>]]>"
                "</description>\n"
                "<enclosure url=\"https://updates.example.com/VorrelPlugins-" + version + ".zip\" "
                "sparkle:version=\"" + version + "\" sparkle:shortVersionString=\"1." + version + "\" "
                "length=\"12345678\" type=\"application/octet-stream\"/>\n</item>\n";
    }
    return text + "</channel>\n</rss>\n";
}

// Parsing and deciding as the updater does it (the downloaded text handed
// over, never copied) beside a bare parse of the same text. Each is given a
// fresh copy of the text before it runs, as a download would leave it, and
// keeps it until the next round: with a 10 MB text, where the allocator puts
// the buffers weighs more than many a step of the parse, so both are served
// alike.
void ParseAndDecide(benchmark::State& state) {
    const std::string text = appcast(static_cast<int>(state.range(0)));
    std::string floorText;
    std::string handedOver;
    std::optional<qm::QMXMLParser> parser;
    bench::sideBySide(
        state,
        [&] {
            xmlDoc* document = xmlReadMemory(floorText.data(), static_cast<int>(floorText.size()), nullptr, "UTF-8",
                                             qm::kXmlParseOptions);
            benchmark::DoNotOptimize(document);
            xmlFreeDoc(document);
        },
        [&] {
            parser->setXmlcontent(std::move(handedOver));
            benchmark::DoNotOptimize(parser->currentVersionAvailable());
        },
        [&] {
            parser.emplace("100");
            floorText = text;
            handedOver = text;
        });
    state.counters["items"] = static_cast<double>(state.range(0));
    state.counters["megabytes"] = static_cast<double>(text.size()) / 1e6;
}

BENCHMARK(ParseAndDecide)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
