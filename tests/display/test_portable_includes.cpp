// Guards the split between portable code and platform backends across the whole repository:
// only files under a folder named sdl/ or win32/ may include OS or SDL headers.
#include <gtest/gtest.h>

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
    for (auto it = std::sregex_iterator(text.begin(), text.end(), include);
         it != std::sregex_iterator(); ++it) {
        std::string name = (*it)[1];
        if (std::regex_search(name, windows) || std::regex_search(name, sdl))
            return name;
    }
    return "";
}

bool in_backend_folder(const fs::path& relative) {
    for (const fs::path& part : relative.parent_path()) {
        if (part == "sdl" || part == "win32")
            return true;
    }
    return false;
}

bool skipped_folder(const fs::path& relative) {
    std::string first = relative.begin()->string();
    return first.rfind("build", 0) == 0 || first[0] == '.';
}

TEST(PortableIncludes, DetectorFindsEveryPlatformHeaderForm) {
    EXPECT_EQ(platform_include("#include <windows.h>\n"), "windows.h");
    EXPECT_EQ(platform_include("int x;\n  #  include \"Windows.h\"\n"), "Windows.h");
    EXPECT_EQ(platform_include("#include <ddraw.h>"), "ddraw.h");
    EXPECT_EQ(platform_include("#include <mmsystem.h>"), "mmsystem.h");
    EXPECT_EQ(platform_include("#include <SDL.h>"), "SDL.h");
    EXPECT_EQ(platform_include("#include <SDL2/SDL_video.h>"), "SDL2/SDL_video.h");
    EXPECT_EQ(platform_include("#include \"display/display.h\"\n#include <cstdint>"), "");
    EXPECT_EQ(platform_include("// windows.h is not included here\n"), "");
    EXPECT_EQ(platform_include("#include \"display/sdl/sdl_display.h\""), "");
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
            if (skipped_folder(relative))
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
