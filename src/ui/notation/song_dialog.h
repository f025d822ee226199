// The song's properties dialog (歌曲属性): title, credits, key, metre, pickup, the beat as
// written and the parts' names. Every change is applied at once through the setter, so the
// score shows it while the dialog is open; Cancel puts back what was there before.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "score/song_properties.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

namespace tunelet::ui {

class SongDialog : public QDialog {
    Q_OBJECT
public:
    using Setter = std::function<void(const score::SongProperties &)>;
    // Applies properties whose key differs from the one applied last; false when that
    // change was not made (the user cancelled the question it asks), and the key shown
    // goes back.
    using KeyChanger = std::function<bool(const score::SongProperties &)>;

    // parts: the number of tracks, one name field each.
    SongDialog(QWidget *parent, const score::SongProperties &properties, std::size_t parts,
               Setter setter);

    // The fields shown as the properties.
    void fill(const score::SongProperties &properties);
    // The properties as the fields say now. A metre that is not n/2, n/4 or n/8 keeps the
    // one before; a pickup not shorter than a bar is none.
    score::SongProperties properties() const;
    // Hands the fields' properties to the setter (each edit does).
    void apply();

    // A change of key goes to the key changer instead of the setter, and Cancel calls
    // the reverter instead of handing the properties as they were to the setter: the
    // owner then also puts back what a key change did to the notes.
    void setKeyChanger(KeyChanger changer) { m_keyChanger = std::move(changer); }
    void setReverter(std::function<void()> reverter) { m_reverter = std::move(reverter); }

    void accept() override;
    void reject() override;

private:
    void build(std::size_t parts);

    score::SongProperties m_original;
    Setter m_setter;
    KeyChanger m_keyChanger;
    std::function<void()> m_reverter;
    std::optional<score::Key> m_appliedKey; // the key the score has now
    bool m_filling = false;
    QLineEdit *m_title = nullptr;
    QLineEdit *m_subtitle = nullptr;
    QLineEdit *m_composer = nullptr;
    QLineEdit *m_lyricist = nullptr;
    QComboBox *m_key = nullptr;
    QComboBox *m_time = nullptr;
    QDoubleSpinBox *m_pickup = nullptr;
    QComboBox *m_beat = nullptr;
    std::vector<QLineEdit *> m_parts;
};

// The dialog run to its end, modal over parent.
void editSong(QWidget *parent, const score::SongProperties &properties, std::size_t parts,
              const SongDialog::Setter &setter);

} // namespace tunelet::ui
