#pragma once
// Window services for tests: panes as line lists, status fields as texts, every box and dialog
// recorded, and the answers of dialogs taken from scripts that the test fills beforehand.
// An unscripted dialog answers as if cancelled.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowServices.h"

namespace vostrel::test {

struct RecordedBox {
    std::string kind;  // "message", "question", "input", "open", "save"
    std::string title;
    std::string text;  // message/question text, input prompt, dialog start directory
    std::string extra; // input default text, save default name, dialog patterns
    int patternIndex = 0;
};

class RecordingWindow : public WindowServices {
public:
    std::vector<std::string> fuseLines;
    std::vector<std::string> logLines;
    std::string status[2];
    int progress = 0;
    std::vector<int> progressHistory;
    std::vector<RecordedBox> boxes;
    std::vector<std::pair<int, int>> tones;
    int serviceCount = 0;
    int scrollCount = 0;

    std::deque<bool> questionAnswers;
    std::deque<std::string> inputAnswers;
    std::deque<FileDialogAnswer> openAnswers;
    std::deque<FileDialogAnswer> saveAnswers;
    // Runs inside every ServiceEvents, e.g. to swap a chip or unplug the unit at a given moment.
    std::function<void()> onService;
    // Runs when a message box is shown (after it is recorded), e.g. to swap chips for Copy PES.
    std::function<void(const RecordedBox&)> onMessageBox;

    void ClearPane(Pane pane) override { Lines(pane).clear(); }
    void AppendLine(Pane pane, const std::string& text) override {
        for (auto& line : SplitPaneLines(text)) Lines(pane).push_back(std::move(line));
    }
    int FuseLineCount() const override { return static_cast<int>(fuseLines.size()); }
    std::string FuseLine(int index) const override {
        return index >= 0 && index < FuseLineCount() ? fuseLines[index] : std::string();
    }
    void ScrollLogToEnd() override { ++scrollCount; }
    void SetStatusText(int field, const std::string& text) override {
        if (field == 0 || field == 1) status[field] = text;
    }
    void SetProgress(int percent) override {
        progress = percent;
        progressHistory.push_back(percent);
    }
    void ServiceEvents() override {
        ++serviceCount;
        if (onService) onService();
    }
    void ServiceEventsBriefly(int) override { ++serviceCount; }
    void MessageBox(const std::string& title, const std::string& text) override {
        boxes.push_back({"message", title, text, "", 0});
        if (onMessageBox) onMessageBox(boxes.back());
    }
    bool QuestionBox(const std::string& title, const std::string& text) override {
        boxes.push_back({"question", title, text, "", 0});
        return Take(questionAnswers, false);
    }
    std::string InputBox(const std::string& title, const std::string& prompt,
                         const std::string& defaultText) override {
        boxes.push_back({"input", title, prompt, defaultText, 0});
        return Take(inputAnswers, std::string());
    }
    FileDialogAnswer OpenFileDialog(const std::string& title, const std::string& startDir,
                                    const std::string& patterns, int patternIndex) override {
        boxes.push_back({"open", title, startDir, patterns, patternIndex});
        return Take(openAnswers, FileDialogAnswer{});
    }
    FileDialogAnswer SaveFileDialog(const std::string& title, const std::string& startDir,
                                    const std::string& defaultName, const std::string& patterns,
                                    int patternIndex) override {
        boxes.push_back({"save", title, startDir, defaultName + "\n" + patterns, patternIndex});
        return Take(saveAnswers, FileDialogAnswer{});
    }
    void Tone(int hz, int ms) override { tones.emplace_back(hz, ms); }

    // The log from line `from` on, joined with '\n': handy for EXPECT_EQ on whole reports.
    std::string LogText(std::size_t from = 0) const {
        std::string out;
        for (std::size_t i = from; i < logLines.size(); ++i) {
            if (i > from) out += '\n';
            out += logLines[i];
        }
        return out;
    }

private:
    std::vector<std::string>& Lines(Pane pane) { return pane == Pane::Fuse ? fuseLines : logLines; }
    template <typename T>
    static T Take(std::deque<T>& script, T fallback) {
        if (script.empty()) return fallback;
        T value = std::move(script.front());
        script.pop_front();
        return value;
    }
};

}  // namespace vostrel::test
