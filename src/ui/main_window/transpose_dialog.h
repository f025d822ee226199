// The 移调 dialog: up or down by a number of semitones, the whole score or the selected
// track, and whether the song's key moves with the whole score.
//
//   direction     升高 or 降低
//   semitones     1 to 24 semitones
//   wholeScore    every pitched track (the drum track stays)
//   selectedTrack only the track selected in the track list; disabled when none may move
//   keyFollows    the key moves by the same interval (1=C up 2: 1=D, the digits stay);
//                 only for the whole score, checked at first
//
// The caller runs it and reads semitones(), onlyTrack() and keyFollows() after an OK.
#pragma once

#include <QDialog>
#include <cstddef>
#include <optional>

#include "score/song_properties.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace tunelet::ui {

class TransposeDialog : public QDialog {
    Q_OBJECT
public:
    // track: the selected track (0-based) that may be moved alone, or nullopt.
    TransposeDialog(QWidget *parent, std::optional<std::size_t> track,
                    std::optional<score::Key> key);

    int semitones() const; // up (+) or down (-)
    std::optional<std::size_t> onlyTrack() const;
    bool keyFollows() const;

private:
    void update();

    std::optional<std::size_t> m_track;
    std::optional<score::Key> m_key;
    QComboBox *m_direction;
    QSpinBox *m_semitones;
    QRadioButton *m_whole;
    QRadioButton *m_selected;
    QCheckBox *m_keyFollows;
};

} // namespace tunelet::ui
