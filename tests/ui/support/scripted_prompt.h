// Window tests: a prompt that answers from a script and records what the window showed.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/common/prompt.h"

namespace tunelet::ui::testing {

struct Shown {
    QString kind; // "question", "question3", "choice", "notice", "error", "open", "save"
    QString text; // the message, or for a dialog its filter
    QString lastFileName = {}; // a dialog's starting name

    bool operator==(const Shown &) const = default;
};

inline void PrintTo(const Shown &s, std::ostream *os) {
    *os << s.kind.toStdString() << ": " << s.text.toStdString();
    if (!s.lastFileName.isEmpty()) {
        *os << " [" << s.lastFileName.toStdString() << "]";
    }
}

class ScriptedPrompt : public Prompt {
public:
    std::deque<Answer> answers;               // for the questions, in order
    std::deque<int> choices;                  // for the questions with choices; -1 cancels
    std::vector<QStringList> offered;         // the choices each of those offered
    std::deque<std::optional<QString>> files; // for the dialogs; nullopt cancels
    std::vector<Shown> shown;
    std::vector<QString> details; // of the error boxes, in order
    // For the program's own dialogs, in order: each fills the dialog's controls as the
    // user would and returns the modal result (1 OK, 2 Cancel).
    std::deque<std::function<int(QDialog &)>> dialogs;

    bool askYesNo(const QString &text) override {
        shown.push_back({QStringLiteral("question"), text});
        const Answer a = next(text);
        EXPECT_NE(a, Answer::Cancel) << "a Yes/No box has no Cancel";
        return a == Answer::Yes;
    }
    Answer askYesNoCancel(const QString &text) override {
        shown.push_back({QStringLiteral("question3"), text});
        return next(text);
    }
    int askChoice(const QString &text, const QStringList &offer) override {
        shown.push_back({QStringLiteral("choice"), text});
        offered.push_back(offer);
        if (choices.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return -1;
        }
        const int chosen = choices.front();
        choices.pop_front();
        return chosen;
    }
    void notice(const QString &text) override { shown.push_back({QStringLiteral("notice"), text}); }
    void errorBox(const QString &text, const QString &detail) override {
        shown.push_back({QStringLiteral("error"), text});
        details.push_back(detail);
    }
    std::optional<QString> openFile(FileDialogState &state) override {
        return dialog(QStringLiteral("open"), state);
    }
    std::optional<QString> saveFile(FileDialogState &state) override {
        return dialog(QStringLiteral("save"), state);
    }
    int runDialog(QDialog &dialog) override {
        shown.push_back({QStringLiteral("dialog"), dialog.windowTitle()});
        if (dialogs.empty()) {
            ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
            return 2;
        }
        const auto fill = dialogs.front();
        dialogs.pop_front();
        return fill(dialog);
    }

private:
    Answer next(const QString &text) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return Answer::Cancel;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> dialog(const QString &kind, FileDialogState &state) {
        shown.push_back({kind, state.filter, state.lastFileName});
        if (files.empty()) {
            ADD_FAILURE() << "unexpected " << kind.toStdString() << " dialog";
            return std::nullopt;
        }
        const std::optional<QString> chosen = files.front();
        files.pop_front();
        if (chosen) {
            state.lastFileName = *chosen;
        }
        return chosen;
    }
};

} // namespace tunelet::ui::testing
