// The song's properties dialog (歌曲属性).
#include "ui/notation/song_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "ui/notation/notation_texts.h"

namespace tunelet::ui {

namespace {

// The metres offered in the list; any other n/2, n/4 or n/8 may be typed.
const char *const kTimes[] = {"2/4", "3/4", "4/4", "3/8", "6/8", "2/2", "5/4", "9/8", "12/8"};
// The keys in the order of the circle of fifths, as songbooks list them.
constexpr int kTonics[] = {0, 7, 2, 9, 4, 11, 6, 1, 8, 3, 10, 5};
constexpr score::BeatNote kBeats[] = {score::BeatNote::Quarter, score::BeatNote::Half,
                                      score::BeatNote::Eighth};

QLineEdit *lineEdit(QWidget *parent, const QString &name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

SongDialog::SongDialog(QWidget *parent, const score::SongProperties &properties, std::size_t parts,
                       Setter setter)
    : QDialog(parent), m_original(properties), m_setter(std::move(setter)),
      m_appliedKey(properties.key) {
    setObjectName(QStringLiteral("songDialog"));
    setWindowTitle(texts::kSongDialogCaption);
    setMinimumWidth(380);
    build(parts);
    fill(properties);
}

void SongDialog::build(std::size_t parts) {
    auto *form = new QFormLayout(this);
    m_title = lineEdit(this, QStringLiteral("title"));
    m_subtitle = lineEdit(this, QStringLiteral("subtitle"));
    m_composer = lineEdit(this, QStringLiteral("composer"));
    m_lyricist = lineEdit(this, QStringLiteral("lyricist"));
    m_key = new QComboBox(this);
    m_key->setObjectName(QStringLiteral("key"));
    m_key->addItem(texts::kUnset, -1);
    for (const int tonic : kTonics) {
        m_key->addItem(QString::fromStdString(score::Key{tonic}.header()), tonic);
    }
    m_time = new QComboBox(this);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setEditable(true);
    m_time->addItem(texts::kUnset);
    for (const char *time : kTimes) {
        m_time->addItem(QLatin1String(time));
    }
    m_pickup = new QDoubleSpinBox(this);
    m_pickup->setObjectName(QStringLiteral("pickup"));
    m_pickup->setRange(0, 11.75);
    m_pickup->setSingleStep(0.5);
    m_pickup->setDecimals(2);
    m_pickup->setSuffix(texts::kPickupBeats);
    m_beat = new QComboBox(this);
    m_beat->setObjectName(QStringLiteral("beat"));
    m_beat->addItems({texts::kBeatQuarter, texts::kBeatHalf, texts::kBeatEighth});
    form->addRow(texts::kSongTitle, m_title);
    form->addRow(texts::kSongSubtitle, m_subtitle);
    form->addRow(texts::kSongComposer, m_composer);
    form->addRow(texts::kSongLyricist, m_lyricist);
    form->addRow(texts::kSongKey, m_key);
    form->addRow(texts::kSongTime, m_time);
    form->addRow(texts::kSongPickup, m_pickup);
    form->addRow(texts::kSongBeat, m_beat);
    for (std::size_t k = 0; k < parts; ++k) {
        m_parts.push_back(lineEdit(this, QStringLiteral("part%1").arg(k + 1)));
        form->addRow(texts::kSongPartName.arg(k + 1), m_parts.back());
    }
    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SongDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SongDialog::reject);

    const auto changed = [this] { apply(); };
    for (QLineEdit *edit : {m_title, m_subtitle, m_composer, m_lyricist}) {
        connect(edit, &QLineEdit::textEdited, this, changed);
    }
    for (QLineEdit *edit : m_parts) {
        connect(edit, &QLineEdit::textEdited, this, changed);
    }
    connect(m_key, &QComboBox::currentIndexChanged, this, changed);
    connect(m_time, &QComboBox::currentTextChanged, this, changed);
    connect(m_pickup, &QDoubleSpinBox::valueChanged, this, changed);
    connect(m_beat, &QComboBox::currentIndexChanged, this, changed);
}

void SongDialog::fill(const score::SongProperties &properties) {
    m_filling = true;
    m_title->setText(QString::fromStdString(properties.title));
    m_subtitle->setText(QString::fromStdString(properties.subtitle));
    m_composer->setText(QString::fromStdString(properties.composer));
    m_lyricist->setText(QString::fromStdString(properties.lyricist));
    m_key->setCurrentIndex(m_key->findData(properties.key ? properties.key->tonic : -1));
    m_time->setCurrentText(properties.time ? QString::fromStdString(properties.time->text())
                                           : texts::kUnset);
    m_pickup->setValue(properties.pickupTicks / static_cast<double>(score::kScriptBeatTicks));
    const score::BeatNote beat = properties.beat.value_or(score::BeatNote::Quarter);
    m_beat->setCurrentIndex(static_cast<int>(std::find(std::begin(kBeats), std::end(kBeats), beat) -
                                             std::begin(kBeats)));
    for (std::size_t k = 0; k < m_parts.size(); ++k) {
        m_parts[k]->setText(QString::fromStdString(properties.partName(k)));
    }
    m_filling = false;
}

score::SongProperties SongDialog::properties() const {
    score::SongProperties song = m_original;
    song.title = m_title->text().trimmed().toStdString();
    song.subtitle = m_subtitle->text().trimmed().toStdString();
    song.composer = m_composer->text().trimmed().toStdString();
    song.lyricist = m_lyricist->text().trimmed().toStdString();
    const int tonic = m_key->currentData().toInt();
    song.key = tonic < 0 ? std::nullopt : std::optional<score::Key>(score::Key{tonic});
    const QString time = m_time->currentText().trimmed();
    if (time == texts::kUnset || time.isEmpty()) {
        song.time.reset();
    } else if (const auto parsed = score::parseSongTime(time.toStdString())) {
        song.time = parsed;
    }
    const score::BeatNote beat = kBeats[std::max(0, m_beat->currentIndex())];
    song.beat = beat == score::BeatNote::Quarter && !m_original.beat
                    ? std::nullopt
                    : std::optional<score::BeatNote>(beat);
    // In whole eighths of a beat (6 ticks, the script's shortest note).
    const int pickup = static_cast<int>(std::lround(m_pickup->value() * 8)) * 6;
    song.pickupTicks = pickup < score::barTicks(song) ? pickup : 0;
    song.partNames.resize(std::max(song.partNames.size(), m_parts.size()));
    for (std::size_t k = 0; k < m_parts.size(); ++k) {
        song.partNames[k] = m_parts[k]->text().trimmed().toStdString();
    }
    while (!song.partNames.empty() && song.partNames.back().empty()) {
        song.partNames.pop_back();
    }
    return song;
}

void SongDialog::apply() {
    if (m_filling) {
        return;
    }
    const score::SongProperties song = properties();
    if (m_keyChanger && song.key != m_appliedKey) {
        if (m_keyChanger(song)) {
            m_appliedKey = song.key;
        } else {
            m_filling = true;
            m_key->setCurrentIndex(m_key->findData(m_appliedKey ? m_appliedKey->tonic : -1));
            m_filling = false;
        }
    } else if (m_setter) {
        m_setter(song);
    }
}

void SongDialog::accept() {
    apply();
    QDialog::accept();
}

void SongDialog::reject() {
    if (m_reverter) {
        m_reverter();
    } else if (m_setter) {
        m_setter(m_original);
    }
    QDialog::reject();
}

void editSong(QWidget *parent, const score::SongProperties &properties, std::size_t parts,
              const SongDialog::Setter &setter) {
    SongDialog dialog(parent, properties, parts, setter);
    dialog.exec();
}

} // namespace tunelet::ui
