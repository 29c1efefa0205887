// The player's command line.
#include <doctest.h>

#include "options.h"

using play::parseOptions;

namespace {

play::ParseResult parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "ombrix-play");
    return parseOptions(args);
}

// A command line as one text, for the failure messages.
std::string joined(const std::vector<std::string>& args)
{
    std::string line;
    for (const std::string& a : args)
        line += a + " ";
    return line;
}

} // namespace

TEST_CASE("no arguments play the sample clip in the graph's own renderer choice until the window closes")
{
    play::ParseResult r = parse({});
    CHECK(r.error.empty());
    CHECK(r.options.file.empty());
    CHECK(r.options.mode == 0);
    CHECK(r.options.seconds == 0);
    CHECK_FALSE(r.options.grab);
    CHECK(r.options.grabber);
    CHECK_FALSE(r.options.quiet);
    CHECK_FALSE(r.options.second);
}

TEST_CASE("an unattended run takes a file, a mode, a duration, a grab and a screenshot in any order")
{
    play::ParseResult r =
        parse({"--quiet", "--grab-at", "1.5", "out/f.bmp", "clip.avi", "--mode", "vmr9", "--seconds", "4",
               "--screenshot", "out/w.bmp"});
    REQUIRE(r.error.empty());
    CHECK(r.options.file == "clip.avi");
    CHECK(r.options.mode == 3);
    CHECK(r.options.seconds == 4.0);
    CHECK(r.options.grab);
    CHECK(r.options.grabAt == 1.5);
    CHECK(r.options.grabPath == "out/f.bmp");
    CHECK(r.options.screenshotPath == "out/w.bmp");
    CHECK(r.options.quiet);
}

TEST_CASE("modes are given by number or by name, and nothing else is taken")
{
    const char* names[] = {"default", "vr", "vmr7", "vmr9", "evr", "audio", "null"};
    for (int mode = 0; mode < 7; ++mode) {
        CAPTURE(mode);
        CHECK(play::modeFromText(std::to_string(mode)) == mode);
        CHECK(play::modeFromText(names[mode]) == mode);
        CHECK(std::string(play::modeName(mode)) == names[mode]);
        CHECK(parse({"--mode", names[mode]}).options.mode == mode);
    }
    CHECK(play::modeFromText("7") == -1);
    CHECK(play::modeFromText("-1") == -1);
    CHECK(play::modeFromText("VMR9") == -1);
    CHECK(play::modeFromText("") == -1);
    CHECK(parse({"--mode", "8"}).error.find("unknown mode \"8\"") != std::string::npos);
    CHECK(parse({"--mode"}).error.find("--mode needs a value") != std::string::npos);
}

TEST_CASE("malformed command lines are refused with a message naming the problem")
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--seconds"}, "--seconds needs"},
        {{"--seconds", "0"}, "--seconds needs"},
        {{"--seconds", "-3"}, "--seconds needs"},
        {{"--seconds", "2x"}, "--seconds needs"},
        {{"--seconds", "nan"}, "--seconds needs"},
        {{"--seconds", "5", "--grab-at", "1"}, "--grab-at needs"},
        {{"--seconds", "5", "--grab-at", "x", "a.bmp"}, "--grab-at needs"},
        {{"--seconds", "5", "--grab-at", "1", "--quiet"}, "--grab-at needs"},
        {{"--grab-at", "1", "a.bmp"}, "need --seconds"},
        {{"--screenshot", "w.bmp"}, "need --seconds"},
        {{"--seconds", "2", "--grab-at", "2", "a.bmp"}, "before the end"},
        {{"--seconds", "2", "--screenshot"}, "--screenshot needs"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"a.avi", "b.avi"}, "only one media file"},
        {{"a.avi", "--second", "b.avi", "c.avi"}, "only one media file"},
        {{"--second", "--second"}, "--second can be given once"},
        {{"--second", "b.avi", "--second", "c.avi"}, "--second can be given once"},
    };
    for (const Case& c : cases) {
        std::string line = joined(c.args);
        CAPTURE(line);
        play::ParseResult r = parse(c.args);
        CHECK(r.error.find(c.message) != std::string::npos);
    }
}

TEST_CASE("a second clip is the file right after --second, else the sample clip; the first file goes anywhere")
{
    struct Case {
        std::vector<std::string> args;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {{"--second"}, "", ""},
        {{"--second", "b.avi"}, "", "b.avi"},
        {{"a.avi", "--second"}, "a.avi", ""},
        {{"a.avi", "--second", "b.avi"}, "a.avi", "b.avi"},
        {{"--second", "b.avi", "a.avi"}, "a.avi", "b.avi"},
        {{"--second", "--quiet", "a.avi"}, "a.avi", ""}, // an option next: the sample clip
        {{"--second", "--mode", "vmr9"}, "", ""},
    };
    for (const Case& c : cases) {
        std::string line = joined(c.args);
        CAPTURE(line);
        play::ParseResult r = parse(c.args);
        REQUIRE(r.error.empty());
        CHECK(r.options.second);
        CHECK(r.options.file == c.first);
        CHECK(r.options.secondFile == c.second);
    }
    CHECK(parse({"--second", "--mode", "vmr9"}).options.mode == 3);
}

TEST_CASE("help is recognised in its usual spellings and the usage names every option")
{
    for (const char* h : {"--help", "-h", "/?"})
        CHECK(parse({h}).options.help);
    std::string usage = play::usageText();
    for (const char* option :
         {"--mode", "--seconds", "--grab-at", "--screenshot", "--keys", "--no-grabber", "--quiet", "--second"})
        CHECK(usage.find(option) != std::string::npos);
}

TEST_CASE("scripted keys name the player's keys and need a run that ends on its own")
{
    play::ParseResult r = parse({"--seconds", "6", "--keys", "IOP.FHG+-^v<> "});
    REQUIRE(r.error.empty());
    CHECK(r.options.keys == "IOP.FHG+-^v<> ");
    CHECK(parse({"--keys", "G"}).error.find("need --seconds") != std::string::npos);
    CHECK(parse({"--seconds", "6", "--keys", "GX"}).error == "--keys: no key for 'X'");
    CHECK(parse({"--seconds", "6", "--keys", ""}).error.find("--keys needs") != std::string::npos);
    CHECK(parse({"--seconds", "6", "--keys"}).error.find("--keys needs") != std::string::npos);

    struct Key {
        char c;
        int virtualKey, character;
    };
    const Key keys[] = {{' ', 0x20, 0}, {'<', 0x25, 0}, {'^', 0x26, 0}, {'>', 0x27, 0}, {'v', 0x28, 0},
                        {'+', 0, '+'},  {'-', 0, '-'},  {'.', 0, '.'},  {'F', 'F', 0}, {'P', 'P', 0}};
    for (const Key& k : keys) {
        CAPTURE(k.c);
        int vk = -1, ch = -1;
        CHECK(play::keyFromScript(k.c, vk, ch));
        CHECK(vk == k.virtualKey);
        CHECK(ch == k.character);
    }
    int vk = -1, ch = -1;
    CHECK_FALSE(play::keyFromScript('f', vk, ch)); // the letters are upper case
    CHECK(vk == 0);
    CHECK(ch == 0);
}
