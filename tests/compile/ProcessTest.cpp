#include <gtest/gtest.h>

#include "platform/Process.h"
#include "CompileBench.h"

namespace vostrel {
namespace {

using test::CompileBench;
using test::ReadFile;
using test::WriteFile;
using test::WriteScript;
namespace fs = std::filesystem;

TEST(ProgramKindOf, TellsByTheFirstBytes) {
    CompileBench b;
    const std::pair<std::string, ProgramKind> cases[] = {
        {std::string("\x7f" "ELF\2\1\1", 7), ProgramKind::Native},
        {"#!/bin/sh\n", ProgramKind::Native},
        {std::string("MZ\x90\0", 4), ProgramKind::Windows},
        {"echo hello\n", ProgramKind::Other},
        {"#", ProgramKind::Other},
        {"", ProgramKind::Other},
    };
    for (const auto& [head, kind] : cases) {
        WriteFile(b.root / "p", head);
        EXPECT_EQ(ProgramKindOf((b.root / "p").string()), kind) << head;
    }
    EXPECT_EQ(ProgramKindOf((b.root / "missing").string()), ProgramKind::Other);
    EXPECT_EQ(ProgramKindOf(b.root.string()), ProgramKind::Other);
}

TEST(RunAndWait, ArgumentsGoAsTheyAreAndStdinIsEmpty) {
    CompileBench b;
    const fs::path script = b.root / "echo args";
    WriteScript(script, "printf '%s\\n' \"$@\" > args\ncat > stdin\n");
    const std::vector<std::string> args = {"-n", "a b", "it's \"q\"", "ü", "$PATH", "*"};

    EXPECT_TRUE(RunAndWait(script.string(), args, b.root.string(), nullptr));
    EXPECT_EQ(ReadFile(b.root / "args"), "-n\na b\nit's \"q\"\nü\n$PATH\n*\n");
    EXPECT_EQ(ReadFile(b.root / "stdin"), "");
}

TEST(RunAndWait, AnswersFalseWhenNothingCouldStart) {
    CompileBench b;
    const fs::path script = b.root / "s";
    WriteScript(script, "touch ran\n");
    EXPECT_FALSE(RunAndWait(script.string(), {}, (b.root / "no such folder").string(), nullptr));
    EXPECT_FALSE(RunAndWait((b.root / "missing").string(), {}, b.root.string(), nullptr));
    // A shebang naming an interpreter that is not there.
    WriteScript(b.root / "t", "");
    WriteFile(b.root / "t", "#!/no/such/interpreter\n");
    EXPECT_FALSE(RunAndWait((b.root / "t").string(), {}, b.root.string(), nullptr));
    EXPECT_FALSE(fs::exists(b.root / "ran"));
}

}  // namespace
}  // namespace vostrel
