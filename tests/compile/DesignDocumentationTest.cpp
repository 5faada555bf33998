#include <gtest/gtest.h>

#include "compile/Compile.h"
#include "CompileBench.h"

namespace vostrel {
namespace {

using test::CompileBench;
using test::WriteFile;
namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

const std::string kIndent(25, ' ');
const std::string kTop1 = kIndent + " ___________     ___________";
const std::string kTop2 = kIndent + "|           \\___/           |";
const std::string kBottom = kIndent + "|___________________________|";
const std::string kTopMarker = "|           -----           |";
const std::string kEmptyRow = "|                           |";

TEST(ShowDesignDocumentation, DrawingBetweenTheMarkers) {
    struct Case {
        const char* name;
        std::string designName;  // currentDesignPath, under the bench root
        std::string doc;         // written as d.doc; none when empty
        Lines log;
    };
    const std::string drawing = "Chip diagram\n"
                                "                          P16V8\n"
                                "                " + kTopMarker + "\n"
                                "           clk  |  1                    20 | Vcc\n"
                                "                " + kEmptyRow + "\n"
                                "             a  |  2                    19 | q0\n"
                                "                `---------------------------'\n"
                                "end of drawing | with a bar\n";
    const Lines shown = {kTop1, kTop2, "           clk  |  1                    20 | Vcc",
                         "             a  |  2                    19 | q0", kBottom};
    const Case cases[] = {
        {"drawing of an ABEL design", "d.abl", drawing, shown},
        {"drawing beside an opened fuse file", "d.jed", drawing, shown},
        {"CR LF documentation", "d.abl",
         "x\r\n" + kTopMarker + "\r\n pin 1\r\n" + kEmptyRow + "\r\n`---'\r\nrest\r\n",
         {kTop1, kTop2, " pin 1", kBottom}},
        {"no top marker: only the top lines", "d.abl", "no drawing\nhere\n", {kTop1, kTop2}},
        {"no bottom marker: shown to the end", "d.abl", kTopMarker + "\n pin 1\n pin 2",
         {kTop1, kTop2, " pin 1", " pin 2"}},
        {"no documentation file", "d.abl", "", {}},
        {"no design", "", drawing, {}},
    };
    for (const auto& c : cases) {
        CompileBench b;
        if (!c.doc.empty()) WriteFile(b.root / "d.doc", c.doc);
        b.state.currentDesignPath = c.designName.empty() ? "" : (b.root / c.designName).string();
        ShowDesignDocumentation(b.state);
        EXPECT_EQ(b.window.logLines, c.log) << c.name;
    }
}

TEST(DesignBase, DropsOnlyTheExtensionOfTheFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/d/x.abl", "/d/x"},          {"/d/x.y.abl", "/d/x.y"}, {"/d.v1/x", "/d.v1/x"},
        {"/d/.abl", "/d/.abl"},        {"x.abl", "x"},           {"/d/-x y.ABL", "/d/-x y"},
    };
    for (const auto& [path, base] : cases) EXPECT_EQ(DesignBase(path), base) << path;
}

}  // namespace
}  // namespace vostrel
