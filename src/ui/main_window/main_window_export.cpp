// Main window (Tmain): the export to a MIDI file and the offer to play it, and to MusicXML.
#include <QFileInfo>
#include <QListView>

#include "export/fault_text.h"
#include "export/score_to_midi.h"
#include "musicxml/musicxml_writer.h"
#include "playback/media_player.h"
#include "score/file_access.h"
#include "ui/common/file_names.h"
#include "ui/common/texts.h"
#include "ui/main_window/main_window.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::ui {

namespace {

// A failure about a place in a track line: the token errors, and the numbers after @ or #.
bool isLineFault(const midi::ExportResult &result, const std::vector<std::string> &lines) {
    return (result.failure == midi::ExportFailure::TokenError ||
            result.failure == midi::ExportFailure::NumberError) &&
           result.track >= 1 && result.track <= lines.size();
}

// The core's wording of the failure (the command line prints the same), and under it where
// in which track the fault is, or what happened to which file, where the core says so.
QString failureText(const midi::ExportResult &result, const std::vector<std::string> &lines,
                    const std::string &script, const std::string &output) {
    QString text = QString::fromStdString(midi::failureMessage(result.failure));
    const std::string detail = isLineFault(result, lines)
                                   ? midi::tokenFaultText(result, lines[result.track - 1])
                                   : midi::failureDetail(result, script, output);
    if (!detail.empty()) {
        text += QLatin1Char('\n') + QString::fromStdString(detail);
    }
    return text;
}

// The shared save dialog's last name for a MusicXML file: a script's or a MIDI file's
// name with the extension changed, so accepting it never writes "song.TNL.musicxml".
QString musicXmlName(const QString &lastFileName) {
    for (const QString &other : {texts::kScriptExtension, texts::kMidiExtension}) {
        if (!lastFileName.isEmpty() && withExtension(lastFileName, other) == lastFileName) {
            return lastFileName.chopped(other.size()) + texts::kMusicXmlExtension;
        }
    }
    return lastFileName;
}

} // namespace

// An export's target, asked with the shared save dialog after the score's track count is
// checked; nullopt when there is nothing to export or the dialog is cancelled.
std::optional<QString> MainWindow::chooseExportFile(const QString &filter, const QString &extension,
                                                    const QString &offered) {
    const std::size_t tracks = m_document.lineCount();
    if (tracks == 0 || tracks > midi::kMaxTracks) {
        m_prompt->notice(QString::fromStdString(midi::failureMessage(
            tracks == 0 ? midi::ExportFailure::NoTracks : midi::ExportFailure::TooManyTracks)));
        return std::nullopt;
    }
    sp1.filter = filter;
    sp1.extension = extension;
    sp1.lastFileName = offered;
    const std::optional<QString> chosen = m_prompt->saveFile(sp1);
    if (!chosen) {
        return std::nullopt;
    }
    sp1.lastFileName = withExtension(*chosen, extension);
    return sp1.lastFileName;
}

void MainWindow::exportMidi() {
    const std::optional<QString> chosen =
        chooseExportFile(texts::kMidiFilter, texts::kMidiExtension,
                         offeredName(sp1.lastFileName, texts::kMidiExtension));
    if (!chosen) {
        return;
    }
    const QString path = *chosen;

    // The file may be the one playing: let it go before it is replaced.
    mp1->close();
    // The open script is handed along so that a name chosen for it is refused, not
    // overwritten with MIDI bytes.
    const std::string output = nativeName(path);
    const midi::ExportResult result =
        midi::scoreToMidi(m_document.lines(),
                          midi::ExportOptions{.division = m_timeIncrement, .staccato = staccato()},
                          output, m_document.fileName(), m_document.properties());
    if (!result.ok()) {
        if (isLineFault(result, m_document.lines())) {
            // The failing track is brought into view; the selection stays, so Submit still
            // replaces the track the user chose.
            lp->scrollTo(lp->model()->index(static_cast<int>(result.track - 1), 0));
        }
        m_prompt->notice(failureText(result, m_document.lines(), m_document.fileName(), output));
        return;
    }
    m_lastExport = path;
    if (m_prompt->askYesNo(texts::kAskPlayExport)) {
        mp1->setFileName(path);
        mp1->open();
        mp1->play();
    }
}

// The score in staff notation for other notation programs. The score must export to MIDI
// as it is (the same checks and notices); the file's name stands for the song's title, as
// on the numbered notation.
void MainWindow::exportMusicXml() {
    const std::optional<QString> chosen = chooseExportFile(
        texts::kMusicXmlFilter, texts::kMusicXmlExtension, musicXmlName(sp1.lastFileName));
    if (!chosen) {
        return;
    }
    const QString path = *chosen;
    const std::string output = nativeName(path);
    const std::vector<std::string> &lines = m_document.lines();
    const std::string &script = m_document.fileName();
    if (!script.empty() && score::isSameFile(output, script)) {
        midi::ExportResult same;
        same.failure = midi::ExportFailure::SameFile;
        m_prompt->notice(texts::kMusicXmlFailed + QLatin1Char('\n') +
                         QString::fromStdString(midi::failureDetail(same, script, output)));
        return;
    }
    const midi::ExportResult checked = midi::compileScore(
        lines, midi::ExportOptions{.division = m_timeIncrement, .staccato = staccato()});
    if (!checked.ok()) {
        if (isLineFault(checked, lines)) {
            lp->scrollTo(lp->model()->index(static_cast<int>(checked.track - 1), 0));
        }
        m_prompt->notice(failureText(checked, lines, script, output));
        return;
    }
    const musicxml::SongInfo song = musicxml::songInfoOf(
        m_document.properties(),
        script.empty() ? texts::kUntitled : QFileInfo(displayName(script)).completeBaseName());
    const std::string why = musicxml::exportMusicXml(lines, m_timeIncrement, song, output);
    if (!why.empty()) {
        m_prompt->notice(texts::kMusicXmlFailed + QLatin1Char('\n') + QString::fromStdString(why));
    }
}

} // namespace tunelet::ui
