#include <gtest/gtest.h>
#include <plist/plist.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/SmallFile.h"
#include "platform/foundation/StringsTable.h"

namespace fs = std::filesystem;
using namespace platform::foundation;

namespace {

class FixtureTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "foundation-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        unsetenv("LANG");
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const fs::path& relative, std::string_view bytes) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative, std::ios::binary) << bytes;
    }
    fs::path root_;
};

constexpr const char* kInfo =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
    "<key>CFBundleIdentifier</key><string>com.example.app</string>"
    "<key>Count</key><integer>3</integer></dict></plist>";

TEST_F(FixtureTree, BundleRule) {
    write("A.app/Contents/MacOS/a", "");
    write("A.app/Contents/Info.plist", kInfo);
    const auto inBundle = Bundle::forExecutable(root_ / "A.app/Contents/MacOS/a");
    EXPECT_TRUE(inBundle.isApplicationBundle());
    EXPECT_EQ(inBundle.bundlePath(), fs::weakly_canonical(root_ / "A.app"));
    EXPECT_EQ(inBundle.bundleIdentifier(), "com.example.app");
    EXPECT_EQ(inBundle.objectForInfoDictionaryKey("Count"), std::nullopt);

    EXPECT_EQ(inBundle.infoPlistPath(), fs::weakly_canonical(root_ / "A.app/Contents/Info.plist"));

    // Any X.* is a bundle with an Info.plist, but only X.app an application.
    write("Tool.bundle/Contents/Info.plist", kInfo);
    const auto plugin = Bundle::forExecutable(root_ / "Tool.bundle/Contents/MacOS/t");
    EXPECT_FALSE(plugin.isApplicationBundle());
    EXPECT_EQ(plugin.bundleIdentifier(), "com.example.app");
    EXPECT_FALSE(Bundle::forExecutable(root_ / "A.APP/Contents/MacOS/a").isApplicationBundle());
    const auto outside = Bundle::forExecutable(root_ / "bin/tool");
    EXPECT_FALSE(outside.isApplicationBundle());
    EXPECT_EQ(outside.bundleIdentifier(), std::nullopt);
    EXPECT_EQ(outside.infoPlistPath(), std::nullopt);
    EXPECT_FALSE(Bundle::forExecutable(root_ / "A.app/Contents/MacOS/sub/t").isApplicationBundle());
    EXPECT_FALSE(Bundle::forExecutable(root_ / "Contents/MacOS/t").isApplicationBundle());
}

// Files a hostile user controls: neither a FIFO nobody writes to nor a huge
// file may hang the reader or make it read without end.
TEST_F(FixtureTree, SmallFileReadsOnlyRegularFilesWithinTheLimit) {
    write("exact", std::string(100, 'x'));
    const auto exact = readSmallFile(root_ / "exact", 100);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->bytes, std::string(100, 'x'));
    EXPECT_EQ(exact->identity, FileIdentity::ofPath(root_ / "exact"));

    // Each refusal says what the file is or why it could not be read; the
    // FIFO returns at once, /dev/zero would never end.
    ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0600), 0);
    const std::pair<std::filesystem::path, std::string> refused[] = {
        {root_ / "exact", "is larger than 99 bytes"},
        {root_ / "fifo", "is a FIFO, not a regular file"},
        {root_, "is a directory, not a regular file"},
        {root_ / "missing", "No such file or directory"},
        {"/dev/zero", "is a character device, not a regular file"},
    };
    for (const auto& [path, phrase] : refused) {
        const auto read = readSmallFile(path, 99);
        ASSERT_FALSE(read) << path;
        const std::string& message = read.error().message;
        EXPECT_TRUE(message.starts_with(path.string()) && message.ends_with(phrase)) << message;
    }

    // The Info.plist limit is the reader's, not only the parser's.
    write("Big.app/Contents/Info.plist", std::string(kInfo).insert(50, kMaxInfoPlistBytes, ' '));
    EXPECT_FALSE(readStringDictionary(root_ / "Big.app/Contents/Info.plist"));
    write("Big.app/Contents/Resources/en.lproj/Localizable.strings", "\"k\" = \"v\";" + std::string(1u << 20, ' '));
    EXPECT_EQ(Bundle::forExecutable(root_ / "Big.app/Contents/MacOS/b").localizedStringForKey("k", "", ""), "k");
}

TEST(PropertyList, XmlAndBinaryAndRejects) {
    const auto xml = parseStringDictionary(kInfo);
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->size(), 1u);

    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "K", plist_new_string("v\xC3\xA4"));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &data, &length);
    plist_free(dict);
    const auto binary = parseStringDictionary(std::string_view(data, length));
    std::free(data);
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->at("K"), "v\xC3\xA4");

    EXPECT_FALSE(parseStringDictionary(""));
    EXPECT_FALSE(parseStringDictionary("garbage"));
    EXPECT_FALSE(parseStringDictionary("<plist><array/></plist>"));
    EXPECT_FALSE(readStringDictionary("/nonexistent/Info.plist"));
}

// Found by fuzzing: libplist aborted the process on a NUL byte inside a key or
// string of an XML property list.
TEST(PropertyList, NulBytesInXmlAreRefusedNotFatal) {
    const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>";
    EXPECT_FALSE(parseStringDictionary(head + "k</key><string>v" + std::string(3, '\0') +
                                       "</string></dict></plist>"));
    EXPECT_FALSE(parseStringDictionary(head + "k" + std::string(1, '\0') +
                                       "</key><string>v</string></dict></plist>"));
    EXPECT_FALSE(parseStringDictionary(head + "k&#0;</key><string>v</string></dict></plist>"));
    EXPECT_FALSE(parseStringDictionary(head + "k</key><string>&#x000;</string></dict></plist>"));
    const auto fine = parseStringDictionary(head + "k&#10;</key><string>&#x41;</string></dict></plist>");
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->at("k\n"), "A");

    const std::string binaryKeyWithNul(
        "\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x02\x03\x04\x5f\x10\x12"
        "\x43\x46\x02\x75\x6e\x64\x6c\x65\x49\x64\x65\x6e\x74\x69\x66\x69"
        "\x00\x00\x00\x5e\x65\x74\x72\x75\x6e\x65\x78\x61\x6d\x70\x6c\x65"
        "\x73\x01\x08\x0d\x1d\x0e\x0e\x0e\x0e\x0e\x24\x00\x00\x00\x30\xff"
        "\xff\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x32",
        94);
    EXPECT_FALSE(parseStringDictionary(binaryKeyWithNul));
}

TEST(StringsTable, SyntaxAndEscapes) {
    const auto t = parseStringsTable(
        "/* c */ \"a\" = \"x\\\"y\\\\\\n\\t\";\n// line\nword = other_1;\n\"only\";\n"
        "\"u\" = \"\\U00e4\\ud83d\\ude00\";");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->at("a"), "x\"y\\\n\t");
    EXPECT_EQ(t->at("word"), "other_1");
    EXPECT_EQ(t->at("only"), "only");
    EXPECT_EQ(t->at("u"), "\xC3\xA4\xF0\x9F\x98\x80");
}

TEST(StringsTable, MalformedRejectedWhole) {
    for (const char* bad : {"\"a\" = \"b\"", "\"a\" = \"b;", "\"a\" \"b\";", "/* open",
                            "\"a\" = \"\\ud83d\";", "\"a\" = \"\\q\";", "\"ok\" = \"1\"; bad"})
        EXPECT_FALSE(parseStringsTable(bad)) << bad;
    EXPECT_FALSE(parseStringsTable(std::string(9u * 1024u * 1024u, ' ')));
}

TEST(StringsTable, Utf16AndPropertyList) {
    const std::string text = "\"k\" = \"\xC3\xA4\";";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (unsigned char c : std::string("\"k\" = \"")) { le += char(c); le += '\0'; be += '\0'; be += char(c); }
    le += "\xE4"; le += '\0'; be += '\0'; be += "\xE4";
    for (unsigned char c : std::string("\";")) { le += char(c); le += '\0'; be += '\0'; be += char(c); }
    EXPECT_EQ(parseStringsTable(le)->at("k"), "\xC3\xA4");
    EXPECT_EQ(parseStringsTable(be)->at("k"), "\xC3\xA4");
    EXPECT_EQ(parseStringsTable("\xEF\xBB\xBF" + text)->at("k"), "\xC3\xA4");
    EXPECT_EQ(parseStringsTable(kInfo)->at("CFBundleIdentifier"), "com.example.app");
    EXPECT_FALSE(parseStringsTable(std::string("\xFF\xFE\x3D\xD8", 4)));
}

TEST_F(FixtureTree, LanguageSelectionAndFallback) {
    write("A.app/Contents/Resources/de.lproj/Localizable.strings", "\"hi\" = \"Hallo\";");
    write("A.app/Contents/Resources/en.lproj/Localizable.strings", "\"hi\" = \"Hello\";");
    write("A.app/Contents/Resources/Base.lproj/Other.strings", "\"x\" = \"base\";");
    write("A.app/Contents/Resources/en.lproj/Broken.strings", "\"x\" = ");
    write("A.app/Contents/Resources/Base.lproj/Broken.strings", "\"x\" = \"b\";");
    const fs::path exe = root_ / "A.app/Contents/MacOS/a";

    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Bundle::forExecutable(exe).localizedStringForKey("hi", "", ""), "Hallo");
    setenv("LC_ALL", "fr_FR.UTF-8", 1);
    const auto french = Bundle::forExecutable(exe);
    EXPECT_EQ(french.localizedStringForKey("hi", "", ""), "Hello");
    EXPECT_EQ(french.localizedStringForKey("x", "", "Other"), "base");
    EXPECT_EQ(french.localizedStringForKey("x", "", "Broken"), "b");
    EXPECT_EQ(french.localizedStringForKey("missing", "", ""), "missing");
    EXPECT_EQ(french.localizedStringForKey("missing", "dflt", "None"), "dflt");
    EXPECT_EQ(Bundle::forExecutable(root_ / "bin/t").localizedStringForKey("hi", "", ""), "hi");
}

}  // namespace
