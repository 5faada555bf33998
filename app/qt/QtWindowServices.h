#pragma once
// WindowServices on the Qt main window. Servicing events holds the busy gate, so commands and close
// requests that arrive meanwhile are dropped rather than queued.

#include <QStringList>

#include <functional>
#include <string>

#include "app/WindowServices.h"

namespace vostrel::qt {

class MainWindow;

// "desc|pattern|desc|pattern|..." as name filters for Qt's file dialog. A pattern list of the form
// "*.a;*.b" becomes "*.a *.b", and "*.*" matches every file, with or without a dot in its name.
QStringList NameFilters(const std::string& patterns);

// A dialog the operations asked for, as the test hook sees it.
struct DialogRequest {
    std::string kind;  // "message", "question", "input", "open", "save"
    std::string title;
    std::string text;     // message or question text, input prompt, dialog start directory
    std::string extra;    // input default text, save default name
    std::string patterns; // file dialogs
    int patternIndex = 0;
};

struct DialogReply {
    bool yes = false;          // question
    std::string text;          // input
    FileDialogAnswer file;     // open, save
};

class QtWindowServices : public WindowServices {
public:
    explicit QtWindowServices(MainWindow& window) : window_(window) {}

    void ClearPane(Pane pane) override;
    void AppendLine(Pane pane, const std::string& text) override;
    int FuseLineCount() const override { return fuseLines_; }
    std::string FuseLine(int index) const override;
    void ScrollLogToEnd() override;
    void SetStatusText(int field, const std::string& text) override;
    void SetProgress(int percent) override;
    void ServiceEvents() override;
    void ServiceEventsBriefly(int maxMs) override;
    void MessageBox(const std::string& title, const std::string& text) override;
    bool QuestionBox(const std::string& title, const std::string& text) override;
    std::string InputBox(const std::string& title, const std::string& prompt,
                         const std::string& defaultText) override;
    FileDialogAnswer OpenFileDialog(const std::string& title, const std::string& startDir,
                                    const std::string& patterns, int patternIndex) override;
    FileDialogAnswer SaveFileDialog(const std::string& title, const std::string& startDir,
                                    const std::string& defaultName, const std::string& patterns,
                                    int patternIndex) override;
    void Tone(int hz, int ms) override;

    int LineCount(Pane pane) const { return pane == Pane::Fuse ? fuseLines_ : logLines_; }

    // Tests only: answers every box and dialog instead of showing it. The program never sets it.
    std::function<DialogReply(const DialogRequest&)> dialogHook;

private:
    MainWindow& window_;
    int fuseLines_ = 0;
    int logLines_ = 0;
};

}  // namespace vostrel::qt
