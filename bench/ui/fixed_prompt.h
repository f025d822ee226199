// Window benchmarks: a prompt that answers at once, so a command runs without a person.
#pragma once

#include <QString>
#include <cstdio>
#include <optional>

#include "ui/common/prompt.h"

namespace tunelet::bench {

// Answers every file dialog with one fixed file (none: cancelled), every question with
// No (or Cancel, when it has choices) and every dialog with Cancel, as a user would who wants the
// file but not to hear it; notices and errors go to the terminal.
class FixedPrompt : public ui::Prompt {
public:
    std::optional<QString> file;

    bool askYesNo(const QString &) override { return false; }
    ui::Answer askYesNoCancel(const QString &) override { return ui::Answer::No; }
    int askChoice(const QString &, const QStringList &) override { return -1; }
    void notice(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void errorBox(const QString &text, const QString &) override { notice(text); }
    std::optional<QString> openFile(ui::FileDialogState &) override { return file; }
    std::optional<QString> saveFile(ui::FileDialogState &) override { return file; }
    int runDialog(QDialog &) override { return 2; }
};

} // namespace tunelet::bench
