// Guards the split between portable code and platform backends across the whole repository:
// only files under a folder named sdl/, win32/ or web/ may include OS, SDL or emscripten headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The platform header a source text includes, or "" when it includes none.
std::string platform_include(const std::string& text) {
    static const std::regex include(R"(^[ \t]*#[ \t]*include[ \t]*[<"]([^>"]+)[>"])",
                                    std::regex::multiline);
    // Windows headers are spelled in any case; SDL's always start with upper-case "SDL".
    static const std::regex windows(R"((^|/)(windows|ddraw|mmsystem)\.h$)", std::regex::icase);
    static const std::regex sdl(R"((^|/)SDL[^/]*\.h$)");
    static const std::regex emscripten(R"(^emscripten(\.h$|/))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), include);
         it != std::sregex_iterator(); ++it) {
        std::string name = (*it)[1];
        if (std::regex_search(name, windows) || std::regex_search(name, sdl) ||
            std::regex_search(name, emscripten))
            return name;
    }
    return "";
}

bool in_backend_folder(const fs::path& relative) {
    const fs::path folder = relative.parent_path();
    return std::find(folder.begin(), folder.end(), "sdl") != folder.end() ||
           std::find(folder.begin(), folder.end(), "win32") != folder.end() ||
           std::find(folder.begin(), folder.end(), "web") != folder.end();
}

TEST(PortableIncludes, DetectorFindsEveryPlatformHeaderForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"#include <windows.h>\n", "windows.h"},
        {"int x;\n  #  include \"Windows.h\"\n", "Windows.h"},
        {"#include <ddraw.h>", "ddraw.h"},
        {"#include <mmsystem.h>", "mmsystem.h"},
        {"#include <SDL2/SDL_video.h>", "SDL2/SDL_video.h"},
        {"#include \"display/display.h\"\n#include <cstdint>", ""},
        {"// windows.h is not included here\n", ""},
        {"#include \"display/sdl/sdl_display.h\"", ""},
        {"#include <emscripten.h>", "emscripten.h"},
        {"#include <emscripten/html5.h>", "emscripten/html5.h"},
        {"#include \"display/web/web_display.h\"", ""},
    };
    for (const auto& [text, found] : cases)
        EXPECT_EQ(platform_include(text), found) << text;
}

TEST(PortableIncludes, NoPortableSourceIncludesAPlatformHeader) {
    const fs::path root = VORRU_SOURCE_DIR;
    ASSERT_TRUE(fs::exists(root / "display" / "display.h"));
    std::vector<std::string> offenders;
    int checked = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            const std::string first = relative.begin()->string();
            if (first.rfind("build", 0) == 0 || first[0] == '.') // build trees, .git
                it.disable_recursion_pending();
            continue;
        }
        std::string ext = it->path().extension().string();
        if (ext != ".cpp" && ext != ".h" && ext != ".hpp" && ext != ".c" && ext != ".cc")
            continue;
        if (in_backend_folder(relative))
            continue;
        std::ifstream in(it->path());
        std::stringstream text;
        text << in.rdbuf();
        ++checked;
        std::string found = platform_include(text.str());
        if (!found.empty())
            offenders.push_back(relative.string() + " includes " + found);
    }
    EXPECT_GT(checked, 5);
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

} // namespace
