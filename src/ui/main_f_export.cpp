// Main window (Tmain): the export to a MIDI file and the offer to play it.
#include "export/score_to_midi.h"
#include "playback/media_player.h"
#include "ui/file_names.h"
#include "ui/main_f.h"
#include "ui/texts.h"

namespace tunelet::ui {

void Tmain::exportMidi() {
    const std::size_t tracks = m_document.lineCount();
    if (tracks == 0) {
        m_prompt->notice(texts::kNoTracks);
        return;
    }
    if (tracks > midi::kMaxTracks) {
        m_prompt->notice(texts::kTooManyTracks);
        return;
    }
    sp1.filter = texts::kMidiFilter;
    sp1.extension = texts::kMidiExtension;
    const std::optional<QString> chosen = m_prompt->saveFile(sp1);
    if (!chosen) {
        return;
    }
    const QString path = withExtension(*chosen, texts::kMidiExtension);
    sp1.lastFileName = path;

    // The file may be the one playing: let it go before it is replaced.
    mp1->close();
    const midi::ExportResult result =
        midi::scoreToMidi(m_document.lines(),
                          midi::ExportOptions{.division = m_timeIncrement, .staccato = staccato()},
                          path.toStdString());
    if (!result.ok()) {
        m_prompt->notice(result.isTokenError() ? texts::kExportTokenError
                                               : texts::kExportOtherError);
        return;
    }
    if (m_prompt->askYesNo(texts::kAskPlayExport)) {
        mp1->setFileName(path);
        mp1->open();
        mp1->play();
    }
}

} // namespace tunelet::ui
