#pragma once
// Starting an outside program without a shell and waiting for it to end. Arguments go as a list, so
// blanks, quotes, non-ASCII letters and leading dashes in paths need no quoting anywhere.

#include <functional>
#include <string>
#include <vector>

namespace vostrel {

enum class ProgramKind {
    Native,   // an ELF file or a script with a "#!" line
    Windows,  // an "MZ" executable: needs wine
    Other,    // missing, unreadable or of no kind we can run
};

// Looks at the first bytes of the file only.
ProgramKind ProgramKindOf(const std::string& path);

// The full path of an executable file called name in one of the folders of PATH, or empty text.
// Empty PATH entries are passed over, so nothing is picked up from the current directory by accident.
std::string FindOnPath(const std::string& name);

// Runs program with args (program itself is not repeated in args) in workingDir, with stdin from
// /dev/null and no descriptors of ours besides stdout and stderr. A Windows program runs under wine
// when wine is on PATH. Waits without a time limit; whileWaiting (may be empty) is called about every
// pollMs milliseconds meanwhile, so the window can keep painting. Answers false when the program
// could not be started; its exit status is not looked at.
bool RunAndWait(const std::string& program, const std::vector<std::string>& args,
                const std::string& workingDir, const std::function<void()>& whileWaiting, int pollMs = 10);

}  // namespace vostrel
