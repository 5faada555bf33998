#include "app/qt/QtWindowServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "app/qt/BusyGuard.h"
#include "app/qt/MainWindow.h"
#include "platform/Tone.h"

namespace vostrel::qt {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// Boxes take CR LF between lines; Qt wants LF.
QString BoxText(const std::string& text) {
    QString out = FromUtf8(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

// The dialog answers a filter as shown, that is without the brackets HideNameFilterDetails strips.
int FilterIndex(const QStringList& filters, const QString& selected) {
    for (int i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        if (filter == selected || filter.left(filter.lastIndexOf(QStringLiteral(" ("))).trimmed() == selected) {
            return i;
        }
    }
    return 0;
}

void PrepareFileDialog(QFileDialog& dialog, const QStringList& filters, int patternIndex) {
    // Qt's own dialog: it never touches the process's current directory, which the compiler's
    // emulator is found under, and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(filters);
    if (patternIndex >= 0 && patternIndex < filters.size()) dialog.selectNameFilter(filters[patternIndex]);
}

}  // namespace

QStringList NameFilters(const std::string& patterns) {
    QStringList parts = FromUtf8(patterns).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList globs = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& glob : globs) {
            glob = glob.trimmed();
            if (glob == QStringLiteral("*.*")) glob = QStringLiteral("*");
        }
        if (globs.isEmpty()) globs << QStringLiteral("*");
        // The dialog shows the description alone (HideNameFilterDetails strips the last brackets).
        filters << parts[i] + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    if (filters.isEmpty()) filters << QStringLiteral("all files (*)");
    return filters;
}

void QtWindowServices::ClearPane(Pane pane) {
    window_.pane(pane)->clear();
    (pane == Pane::Fuse ? fuseLines_ : logLines_) = 0;
}

void QtWindowServices::AppendLine(Pane pane, const std::string& text) {
    QPlainTextEdit* edit = window_.pane(pane);
    int& count = pane == Pane::Fuse ? fuseLines_ : logLines_;
    // Written through a cursor rather than appendPlainText: an empty first line must count as a
    // line, and appending must not move the view (scrolling is ScrollLogToEnd's business).
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const std::string& line : SplitPaneLines(text)) {
        if (count > 0) cursor.insertBlock();
        cursor.insertText(FromUtf8(line));
        ++count;
    }
    cursor.endEditBlock();
}

std::string QtWindowServices::FuseLine(int index) const {
    if (index < 0 || index >= fuseLines_) return {};
    return ToUtf8(window_.pane(Pane::Fuse)->document()->findBlockByNumber(index).text());
}

void QtWindowServices::ScrollLogToEnd() {
    QScrollBar* bar = window_.pane(Pane::Log)->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void QtWindowServices::SetStatusText(int field, const std::string& text) {
    if (field == 0 || field == 1) window_.statusField(field)->setText(FromUtf8(text));
}

void QtWindowServices::SetProgress(int percent) {
    window_.progressBar()->setValue(std::clamp(percent, 0, 100));
}

void QtWindowServices::ServiceEvents() {
    BusyGuard guard(window_.gate());
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowServices::ServiceEventsBriefly(int maxMs) {
    BusyGuard guard(window_.gate());
    QCoreApplication::processEvents(QEventLoop::AllEvents, std::max(0, maxMs));
}

void QtWindowServices::MessageBox(const std::string& title, const std::string& text) {
    if (dialogHook) {
        dialogHook({"message", title, text, "", "", 0});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, FromUtf8(title), BoxText(text), QMessageBox::Ok, &window_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtWindowServices::QuestionBox(const std::string& title, const std::string& text) {
    if (dialogHook) return dialogHook({"question", title, text, "", "", 0}).yes;
    QMessageBox box(QMessageBox::Warning, FromUtf8(title), BoxText(text), QMessageBox::Yes | QMessageBox::No,
                    &window_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::string QtWindowServices::InputBox(const std::string& title, const std::string& prompt,
                                       const std::string& defaultText) {
    if (dialogHook) return dialogHook({"input", title, prompt, defaultText, "", 0}).text;
    QInputDialog dialog(&window_);
    dialog.setWindowTitle(FromUtf8(title));
    dialog.setLabelText(BoxText(prompt));
    dialog.setTextValue(FromUtf8(defaultText));
    if (dialog.exec() != QDialog::Accepted) return {};
    return ToUtf8(dialog.textValue());
}

FileDialogAnswer QtWindowServices::OpenFileDialog(const std::string& title, const std::string& startDir,
                                                  const std::string& patterns, int patternIndex) {
    if (dialogHook) return dialogHook({"open", title, startDir, "", patterns, patternIndex}).file;
    const QStringList filters = NameFilters(patterns);
    QFileDialog dialog(&window_, FromUtf8(title), FromUtf8(startDir));
    PrepareFileDialog(dialog, filters, patternIndex);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    FileDialogAnswer answer;
    answer.patternIndex = patternIndex;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        answer.path = ToUtf8(dialog.selectedFiles().constFirst());
    }
    answer.patternIndex = FilterIndex(filters, dialog.selectedNameFilter());
    return answer;
}

FileDialogAnswer QtWindowServices::SaveFileDialog(const std::string& title, const std::string& startDir,
                                                  const std::string& defaultName, const std::string& patterns,
                                                  int patternIndex) {
    if (dialogHook) return dialogHook({"save", title, startDir, defaultName, patterns, patternIndex}).file;
    const QStringList filters = NameFilters(patterns);
    QFileDialog dialog(&window_, FromUtf8(title), FromUtf8(startDir));
    PrepareFileDialog(dialog, filters, patternIndex);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller asks about replacing, with its own wording.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!defaultName.empty()) dialog.selectFile(FromUtf8(defaultName));
    FileDialogAnswer answer;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        answer.path = ToUtf8(dialog.selectedFiles().constFirst());
    }
    answer.patternIndex = FilterIndex(filters, dialog.selectedNameFilter());
    return answer;
}

void QtWindowServices::Tone(int hz, int ms) {
    if (!platform::PlayTone(hz, ms)) QApplication::beep();
}

}  // namespace vostrel::qt
