#pragma once
// The one way the operations reach the user. app/qt implements it with Qt Widgets; the tests implement
// it with a recorder that keeps the panes as line lists and answers dialogs from a script.
// Texts are UTF-8.

#include <string>
#include <vector>

namespace vostrel {

enum class Pane { Fuse, Log };

struct FileDialogAnswer {
    std::string path;      // empty when the user gave up
    int patternIndex = 0;  // the pattern entry selected when the dialog closed
};

class WindowServices {
public:
    virtual ~WindowServices() = default;

    virtual void ClearPane(Pane pane) = 0;
    // Appends text at the end of the pane. A text holding line breaks (CR LF, CR or LF) becomes
    // several lines; see SplitPaneLines. Neither scrolls nor services events.
    virtual void AppendLine(Pane pane, const std::string& text) = 0;
    virtual int FuseLineCount() const = 0;
    virtual std::string FuseLine(int index) const = 0;
    virtual void ScrollLogToEnd() = 0;

    // Field 0: device name, field 1: "UES: ..." text.
    virtual void SetStatusText(int field, const std::string& text) = 0;
    // Status field 2, 0 .. 100.
    virtual void SetProgress(int percent) = 0;

    // Handles every pending window event without waiting: painting, resizing and input to the panes
    // work; commands and close requests that arrive meanwhile are dropped, never kept for later.
    virtual void ServiceEvents() = 0;
    // Start-up and reset: lets the window take at most one pending event within maxMs; a command
    // taken here is not executed.
    virtual void ServiceEventsBriefly(int maxMs) = 0;

    // Modal boxes. Text lines are separated by CR LF.
    virtual void MessageBox(const std::string& title, const std::string& text) = 0;
    // Yes/No with No as default and a warning icon; true for Yes.
    virtual bool QuestionBox(const std::string& title, const std::string& text) = 0;
    // Answers the typed text, or empty text when cancelled.
    virtual std::string InputBox(const std::string& title, const std::string& prompt,
                                 const std::string& defaultText) = 0;

    // patterns: "desc|pattern|desc|pattern|...". Neither dialog changes the current directory.
    virtual FileDialogAnswer OpenFileDialog(const std::string& title, const std::string& startDir,
                                            const std::string& patterns, int patternIndex) = 0;
    // Does not ask about replacing files; the caller does.
    virtual FileDialogAnswer SaveFileDialog(const std::string& title, const std::string& startDir,
                                            const std::string& defaultName, const std::string& patterns,
                                            int patternIndex) = 0;

    // A tone of hz for ms milliseconds (verify failure).
    virtual void Tone(int hz, int ms) = 0;
};

// The lines a text becomes in a pane: split at CR LF, CR and LF. "" gives one empty line.
std::vector<std::string> SplitPaneLines(const std::string& text);

}  // namespace vostrel
